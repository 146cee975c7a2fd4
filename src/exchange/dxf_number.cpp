#include "exchange/dxf_number.h"

#include <charconv>
#include <cmath>

namespace plotaktar {

namespace {

constexpr double kDecimalsBelow = 1e15;

}  // namespace

DxfNumber::DxfNumber(double value, DxfNumberForm form) {
    if (value == 0) {
        value = 0;  // no "-0"
    }
    char* const end = text_ + sizeof text_ - 2;  // room for ".0"
    std::to_chars_result written{};
    const bool decimals = form == DxfNumberForm::Decimals2 && std::isfinite(value) &&
                          std::fabs(value) < kDecimalsBelow;
    if (decimals) {
        written = std::to_chars(text_, end, value, std::chars_format::fixed, 2);
    } else {
        written = std::to_chars(text_, end, value);
    }
    if (written.ec != std::errc()) {
        // Cannot happen with the room above; never leave the buffer's bytes as its text.
        length_ = 0;
        return;
    }
    length_ = static_cast<size_t>(written.ptr - text_);
    if (std::isfinite(value) && text().find_first_of(".e") == std::string_view::npos) {
        text_[length_++] = '.';
        text_[length_++] = '0';
    }
}

}  // namespace plotaktar
