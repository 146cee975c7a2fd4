// What a message or report of export and check makes of a cell or a file name: control
// characters escaped in text and JSON, names in windows-1254 bytes decoded, and a JSON
// document valid whatever the bytes.

#include "model/message_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace plotaktar {
namespace {

struct Row {
    std::string_view input;
    std::string_view text;  // EscapedText
    std::string_view json;  // AppendJsonString
};

TEST(MessageText, ControlCharactersAreEscapedAndNothingElseChanges) {
    const Row rows[] = {
        // A cell that would set the terminal's title and clear its screen.
        {"\x1b]0;X\x07\x1b[2J1", "\\x1b]0;X\\x07\\x1b[2J1", "\"\\u001b]0;X\\u0007\\u001b[2J1\""},
        {"a\tb\nc\rd\x7f", "a\\x09b\\x0ac\\x0dd\\x7f", "\"a\\tb\\nc\\rd\\u007f\""},
        {std::string_view("\0x", 2), "\\x00x", "\"\\u0000x\""},
        // C1 as UTF-8 (U+009D is OSC), and the undefined windows-1254 byte 0x9D as it stands.
        {"\xc2\x9d"
         "0;X",
         "\\x9d0;X", "\"\\u009d0;X\""},
        {"\x9d"
         "0;X",
         "\\x9d0;X", "\"\\u009d0;X\""},
        // Turkish letters, in UTF-8 or as windows-1254 bytes, and the JSON specials.
        {"ŞEV \"1\" \\", "ŞEV \"1\" \\", "\"ŞEV \\\"1\\\" \\\\\""},
        {"\xde"
         "EV",
         "ŞEV", "\"ŞEV\""},
        // U+00A0 and beyond are no control characters; a cut sequence is windows-1254.
        {"\xc2\xa0\xe2\x82\xac", "\xc2\xa0\xe2\x82\xac", "\"\xc2\xa0\xe2\x82\xac\""},
        {"\xe2\x82", "â‚", "\"â‚\""},
        {"", "", "\"\""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(EscapedText(row.input), row.text) << row.input;
        std::string json;
        AppendJsonString(json, row.input);
        EXPECT_EQ(json, row.json) << row.input;
        EXPECT_TRUE(IsUtf8(json)) << row.input;
    }
}

TEST(MessageText, FileNamesNotInUtf8AreDecodedAsWindows1254) {
    const std::pair<std::string_view, std::string_view> rows[] = {
        {"\xfe\xdd.gplt", "şİ.gplt"},
        {"şİ.gplt", "şİ.gplt"},
        {"plain/p.gplt", "plain/p.gplt"},
        // Overlong, surrogate and beyond U+10FFFF are no UTF-8.
        {"\xc0\xaf", "À¯"},
        {"\xed\xa0\x80", "í\xc2\xa0€"},
        {"\xf4\x90\x80\x80", "ô\xc2\x90€€"},
    };
    for (const auto& [name, shown] : rows) {
        EXPECT_EQ(FileNameText(name), shown) << name;
    }
}

#if !defined(_WIN32)
// Every byte followed by a letter, read back by Python's JSON reader: two characters each.
TEST(MessageText, JsonOfAnyBytesIsReadBackByAnIndependentReader) {
    std::string document = "[";
    for (int b = 0; b < 256; ++b) {
        const char byte[2] = {static_cast<char>(b), 'x'};
        if (b > 0) {
            document += ',';
        }
        AppendJsonString(document, std::string_view(byte, 2));
    }
    document += "]";
    std::FILE* pipe = popen(
        "/usr/bin/python3 -c \"import json,sys; v=json.load(sys.stdin); "
        "sys.exit(len(v)!=256 or any(len(s)!=2 or s[1]!='x' for s in v))\"",
        "w");
    ASSERT_NE(pipe, nullptr);
    std::fwrite(document.data(), 1, document.size(), pipe);
    EXPECT_EQ(pclose(pipe), 0);
}
#endif

}  // namespace
}  // namespace plotaktar
