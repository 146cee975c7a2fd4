#include "import/line_reader.h"

#include <cstring>

#include "platform/files.h"

namespace plotaktar {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kCtrlZ = '\x1A';

}  // namespace

std::optional<SharedBytes> ReadInputFile(const std::string& path, platform::OpenFailure* failure) {
    return platform::ReadRegularFile(path, failure);
}

LineReader::LineReader(std::string_view bytes) : data_(bytes.data()) {
    const void* z = bytes.empty() ? nullptr : std::memchr(bytes.data(), kCtrlZ, bytes.size());
    end_ = z ? static_cast<size_t>(static_cast<const char*>(z) - bytes.data()) : bytes.size();
}

bool LineReader::endsLinesWithLineFeedsOnly() const {
    return end_ > 0 && std::memchr(data_, kCr, end_) == nullptr &&
           std::memchr(data_, kLf, end_) != nullptr;
}

std::string_view LineReader::next() {
    const char* start = data_ + pos_;
    const void* cr = std::memchr(start, kCr, end_ - pos_);
    if (cr == nullptr) {
        size_t length = end_ - pos_;
        pos_ = end_;
        return {start, length};
    }
    size_t length = static_cast<size_t>(static_cast<const char*>(cr) - start);
    pos_ += length + 1;
    if (pos_ < end_ && data_[pos_] == kLf) {
        ++pos_;
    }
    return {start, length};
}

}  // namespace plotaktar
