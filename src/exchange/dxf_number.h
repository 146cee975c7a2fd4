#pragma once

// The text of a number in a DXF file. Every number of the DXF writer goes through here, into a
// buffer that holds the longest form of any double, so that no value can overflow it.

#include <string_view>

namespace plotaktar {

enum class DxfNumberForm {
    // The shortest text that reads back as the same double, with ".0" added to a whole number
    // ("4512345.678", "12.0", "1e+29"): coordinates, sizes and angles.
    RoundTrip,
    // Two decimals ("1234.50") below 1e15, where they still say something; above it the
    // round-trip form ("1.5e+29"): areas written as text.
    Decimals2,
};

class DxfNumber {
  public:
    // The text of `value`; "-0" is written "0". A value that is not finite gives "inf", "-inf"
    // or "nan", which the writer never puts into a real-valued group.
    DxfNumber(double value, DxfNumberForm form);

    std::string_view text() const { return {text_, length_}; }

  private:
    // The longest round-trip form of a double is 24 characters, the two-decimal form below
    // 1e15 at most 19; ".0" and room to spare.
    char text_[40];
    size_t length_ = 0;
};

}  // namespace plotaktar
