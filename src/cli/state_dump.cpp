#include "cli/state_dump.h"

#include <functional>

#include <array>

#include "model/cp1254.h"
#include "model/text.h"

namespace plotaktar::cli {

namespace {

// The JSON form of every windows-1254 byte inside a string, worked out once.
class ByteForms {
  public:
    ByteForms() {
        for (int b = 0; b < 256; ++b) {
            forms_[static_cast<size_t>(b)] = formOf(static_cast<unsigned char>(b));
        }
    }
    std::string_view operator[](unsigned char b) const { return forms_[b]; }

  private:
    static std::string formOf(unsigned char b) {
        switch (b) {
            case '"':
                return "\\\"";
            case '\\':
                return "\\\\";
            case '\n':
                return "\\n";
            case '\r':
                return "\\r";
            case '\t':
                return "\\t";
            case '\b':
                return "\\b";
            case '\f':
                return "\\f";
            default:
                break;
        }
        if (b < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            return std::string("\\u00") + kHex[b >> 4] + kHex[b & 0xF];
        }
        return Utf8FromCp1254(std::string_view(reinterpret_cast<const char*>(&b), 1));
    }

    std::array<std::string, 256> forms_;
};

const ByteForms& Forms() {
    static const ByteForms forms;
    return forms;
}

bool IsPlain(unsigned char b) {
    return b >= 0x20 && b < 0x80 && b != '"' && b != '\\';
}

// Collects output in a buffer of fixed size and hands it to the writer when it fills.
class JsonStream {
  public:
    explicit JsonStream(const std::function<bool(std::string_view)>& write) : write_(write) {
        buffer_.reserve(kFlushAt + 256);
    }

    void raw(std::string_view text) {
        buffer_.append(text);
        flushIfFull();
    }

    void string(std::string_view bytes) {
        buffer_.push_back('"');
        AppendJsonStringBody(buffer_, bytes);
        buffer_.push_back('"');
        flushIfFull();
    }

    void number(int64_t value) { raw(IntToStr(value)); }

    bool finish() {
        flush();
        return ok_;
    }

  private:
    static constexpr size_t kFlushAt = 1 << 16;

    void flushIfFull() {
        if (buffer_.size() >= kFlushAt) {
            flush();
        }
    }
    void flush() {
        if (ok_ && !buffer_.empty() && !write_(buffer_)) {
            ok_ = false;
        }
        buffer_.clear();
    }

    const std::function<bool(std::string_view)>& write_;
    std::string buffer_;
    bool ok_ = true;
};

void WriteGrid(JsonStream& json, const Table& table) {
    json.raw("{\"rowCount\": ");
    json.number(table.rowCount());
    json.raw(", \"colCount\": ");
    json.number(table.colCount());
    json.raw(", \"cells\": [");
    for (int row = 0; row < table.rowCount(); ++row) {
        json.raw(row == 0 ? "\n      [" : ",\n      [");
        for (int col = 0; col < table.colCount(); ++col) {
            if (col > 0) {
                json.raw(", ");
            }
            json.string(table.cell(col, row));
        }
        json.raw("]");
    }
    json.raw("\n    ]}");
}

}  // namespace

void AppendJsonStringBody(std::string& json, std::string_view bytes) {
    const ByteForms& forms = Forms();
    size_t plainStart = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        if (!IsPlain(b)) {
            json.append(bytes.substr(plainStart, i - plainStart));
            json.append(forms[b]);
            plainStart = i + 1;
        }
    }
    json.append(bytes.substr(plainStart));
}

bool WriteStateJson(const Workspace& workspace, std::FILE* out) {
    return WriteStateJson(workspace,
                          [out](std::string_view bytes) {
                              return std::fwrite(bytes.data(), 1, bytes.size(), out) ==
                                     bytes.size();
                          }) &&
           std::fflush(out) == 0 && !std::ferror(out);
}

bool WriteStateJson(const Workspace& workspace,
                    const std::function<bool(std::string_view)>& write) {
    JsonStream json(write);
    json.raw("{\n  \"flags\": {");
    bool first = true;
    for (const auto& [name, value] : workspace.flags.named()) {
        json.raw(first ? "\n    " : ",\n    ");
        first = false;
        json.string(name);
        json.raw(": ");
        json.string(*value);
    }
    json.raw("\n  },\n  \"layerTable\": [");
    for (int row = 1; row <= kLayerRows; ++row) {
        json.raw(row == 1 ? "\n    [" : ",\n    [");
        for (int field = 1; field <= kLayerFields; ++field) {
            if (field > 1) {
                json.raw(", ");
            }
            json.string(workspace.layerTable.field(row, field));
        }
        json.raw("]");
    }
    json.raw("\n  ],\n  \"grids\": {");
    for (int number = 1; number <= kTableCount; ++number) {
        json.raw(number == 1 ? "\n    \"StringGrid" : ",\n    \"StringGrid");
        json.number(number);
        json.raw("\": ");
        WriteGrid(json, workspace.grid(number));
    }
    json.raw("\n  }\n}\n");
    return json.finish();
}

}  // namespace plotaktar::cli
