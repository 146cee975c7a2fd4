#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/byte_buffer.h"
#include "platform/files.h"

namespace plotaktar {

// Reads a whole input file into one buffer. Only a regular file can be opened: a directory, a
// FIFO or a device counts as a file that cannot be opened, and nothing waits on it. Returns
// nothing when the file cannot be opened, and then, given `failure`, says why there. Throws
// InputReadError for a file that changed while it was read or whose reading failed part way.
std::optional<SharedBytes> ReadInputFile(const std::string& path,
                                         platform::OpenFailure* failure = nullptr);

// The lines of a file's bytes: a line ends at CR, and one LF directly behind the CR is skipped;
// a lone LF is an ordinary character; Ctrl-Z ends the file wherever it stands; a last line
// without CR counts. Lines are views into the bytes.
class LineReader {
  public:
    explicit LineReader(std::string_view bytes);

    // The lines from byte `from` to byte `to` (both where a line starts, or the end) alone, read
    // by a reader of their own whose positions still count from the start of the file.
    LineReader part(size_t from, size_t to) const {
        LineReader lines = *this;
        lines.pos_ = from;
        lines.end_ = to;
        return lines;
    }

    bool atEnd() const { return pos_ >= end_; }
    std::string_view next();
    // True when the bytes (up to the Ctrl-Z that ends them) hold a line feed but not one
    // carriage return: a file saved with Unix line ends, which reads as one line. Costs a scan
    // only for a file whose first line does not end early.
    bool endsLinesWithLineFeedsOnly() const;
    // Bytes consumed so far, and in all (up to the Ctrl-Z that ends the file).
    size_t position() const { return pos_; }
    size_t size() const { return end_; }

  private:
    const char* data_;
    size_t pos_ = 0;
    size_t end_;
};

}  // namespace plotaktar
