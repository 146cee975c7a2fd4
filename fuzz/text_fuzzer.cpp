// The integer conversion, trimming, the field splitting and the line frame, each against a
// plain model written from the rules of the input files:
// - a text converts when it is optional blanks, then either an optional "+" or "-" and decimal
//   digits, or "$", "x", "X", "0x" or "0X" and hexadecimal digits, with nothing behind, and its
//   value fits a signed 32-bit integer; a failure's message quotes the text whole up to 100
//   bytes, otherwise its first 100 bytes and byte 0x85 (an ellipsis in windows-1254);
// - trimming removes characters 0 to 32 at both ends;
// - NextField splits at the first blank: the field is the part before it, trimmed (empty
//   without a blank, when the body stays as it is), the body the part from it on, trimmed;
// - the per-line values, the record body, and lines that end at CR (one LF behind it skipped)
//   in a file that ends at its first Ctrl-Z.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import/fields.h"
#include "import/import_command.h"
#include "import/line_reader.h"
#include "model/errors.h"
#include "model/file_names.h"
#include "model/text.h"
#include "models.h"

namespace {

using namespace plotaktar;
using namespace plotaktar::fuzz;

void Check(bool ok, const char* what, std::string_view input) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s (input of %zu bytes)\n", what, input.size());
        std::abort();
    }
}

void CheckConversion(std::string_view text) {
    std::optional<int32_t> got = TryStrToInt(text);
    std::optional<int32_t> want = ModelStrToInt(text);
    Check(got == want, "TryStrToInt differs from the model", text);
    try {
        int32_t v = StrToInt(text);
        Check(want && v == *want, "StrToInt converts a text the model refuses", text);
    } catch (const ConversionError& e) {
        Check(!want, "StrToInt refuses a text the model converts", text);
        // what() is a C string: a message that quotes a NUL byte ends there.
        const std::string message = "'" + ModelQuote(text) + "' is not a valid integer value";
        Check(std::string(e.what()) == message.c_str(), "StrToInt's message", text);
    }
    if (got) {
        std::string decimal = IntToStr(*got);
        Check(TryStrToInt(decimal) == got, "IntToStr does not convert back", text);
        Check(decimal.find('+') == std::string::npos &&
                  (decimal == "0" || decimal[decimal[0] == '-' ? 1 : 0] != '0'),
              "IntToStr with a sign or leading zero", text);
    }
}

void CheckTrim(std::string_view text) {
    std::string_view t = Trim(text);
    Check(t == ModelTrim(text), "Trim differs from the model", text);
    Check(
        t.empty() || (t.data() >= text.data() && t.data() + t.size() <= text.data() + text.size()),
        "Trim outside its text", text);
}

void CheckNextField(std::string_view text) {
    // The readers only ever hand trimmed bodies to NextField; an untrimmed one must be safe too.
    for (bool startTrimmed : {true, false}) {
        std::string_view body = startTrimmed ? ModelTrim(text) : text;
        for (int step = 0; step < 64; ++step) {
            std::string_view before = body;
            std::string_view field = NextField(body);
            size_t p = before.find(' ');
            if (p == std::string_view::npos) {
                Check(field.empty() && body == before, "NextField without a blank", text);
                break;
            }
            Check(field == ModelTrim(before.substr(0, p)), "NextField's field", text);
            Check(body == ModelTrim(before.substr(p)), "NextField's rest", text);
            Check(field.find(' ') == std::string_view::npos, "a field with a blank", text);
            Check(body.size() < before.size(), "NextField does not shrink the body", text);
            if (startTrimmed || step > 0) {
                Check(!field.empty(), "an empty field while the body holds a blank", text);
            }
        }
    }
    Check(RecordBody(text) == (text.size() > 3 ? ModelTrim(text.substr(3)) : std::string_view()),
          "RecordBody", text);
}

void CheckLineValues(std::string_view line) {
    LineValues v(line);
    Check(v.RecordKind == line.substr(0, 3), "RecordKind", line);
    size_t p = line.find(' ');
    if (p == std::string_view::npos) {
        Check(v.FirstToken.empty() && v.SecondToken.empty() && v.RestOfLine == ModelTrim(line),
              "the values of a line without a blank", line);
        return;
    }
    Check(v.FirstToken == ModelTrim(line.substr(0, p)), "FirstToken", line);
    std::string_view rest = ModelTrim(line.substr(p + 1));
    Check(v.RestOfLine == rest, "RestOfLine", line);
    size_t q = rest.find(' ');
    Check(v.SecondToken ==
              (q == std::string_view::npos ? std::string_view() : ModelTrim(rest.substr(0, q))),
          "SecondToken", line);
}

void CheckLines(std::string_view bytes) {
    std::vector<std::string_view> want;
    std::string_view rest = bytes.substr(0, bytes.find('\x1A'));
    while (!rest.empty()) {
        size_t cr = rest.find('\r');
        want.push_back(rest.substr(0, cr));
        if (cr == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(cr + 1);
        if (!rest.empty() && rest.front() == '\n') {
            rest.remove_prefix(1);
        }
    }
    LineReader reader(bytes);
    size_t n = 0;
    while (!reader.atEnd()) {
        std::string_view line = reader.next();
        Check(n < want.size() && line == want[n], "LineReader's lines differ", bytes);
        Check(reader.position() <= reader.size(), "LineReader beyond its end", bytes);
        ++n;
    }
    Check(n == want.size(), "LineReader's line count", bytes);
}

void CheckCompanion(std::string_view path) {
    std::string name = CompanionFileName(path);
    Check(name.size() >= 4 && name.substr(name.size() - 4) == ".yfn", "companion extension", path);
    Check(path.starts_with(std::string_view(name).substr(0, name.size() - 4)),
          "companion is no cut of the label path", path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckConversion(text);
    CheckTrim(text);
    CheckNextField(text);
    CheckLineValues(text);
    CheckLines(text);
    CheckCompanion(text);
    // Every field of every line is converted by some reader: check those pieces too.
    LineReader reader(text);
    while (!reader.atEnd()) {
        std::string_view body = RecordBody(reader.next());
        for (int i = 0; i < 16; ++i) {
            std::string_view field = NextField(body);
            CheckConversion(field);
            if (field.empty()) {
                break;
            }
        }
        CheckConversion(body);
    }
    return 0;
}
