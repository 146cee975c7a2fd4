#include "import/line_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace plotaktar {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kCtrlZ = '\x1A';

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

std::optional<SharedBytes> ReadInputFile(const std::string& path) {
    // O_NONBLOCK keeps the open itself from waiting on a FIFO without a writer.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    // Read to the end, not just the size fstat saw: a file may grow meanwhile, and some report
    // no size at all. One byte of room beyond the size finds the end without a copy.
    size_t capacity = static_cast<size_t>(st.st_size) + 1;
    std::unique_ptr<char[]> data(new char[capacity]);
    size_t got = 0;
    for (;;) {
        if (got == capacity) {
            capacity *= 2;
            std::unique_ptr<char[]> larger(new char[capacity]);
            std::memcpy(larger.get(), data.get(), got);
            data = std::move(larger);
        }
        ssize_t n = ::read(fd.get(), data.get() + got, capacity - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            // Keep the lines completed before the error: cut behind the last CR (and its LF).
            std::string_view read(data.get(), got);
            size_t cr = read.rfind(kCr);
            size_t keep = cr == std::string_view::npos ? 0 : cr + 1;
            if (keep < got && read[keep] == kLf) {
                ++keep;
            }
            got = keep;
            break;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    return std::make_shared<ByteBuffer>(std::move(data), got);
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
