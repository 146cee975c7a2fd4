#pragma once

// How texts go into the messages and reports of the commands: a file name whose bytes are not
// UTF-8 is shown decoded from windows-1254, as cells are, and control characters (C0, DEL and
// U+0080 to U+009F, which windows-1254's undefined bytes decode to) are escaped, so that a
// cell or a file name can neither drive the terminal nor break a JSON document. The same bytes
// on every platform.

#include <string>
#include <string_view>

namespace plotaktar {

// True when `bytes` are well-formed UTF-8: no overlong form, no surrogate, nothing beyond
// U+10FFFF, no sequence cut short.
bool IsUtf8(std::string_view bytes);

// A file name as a message or report names it: unchanged when it is UTF-8, otherwise each byte
// decoded from windows-1254.
std::string FileNameText(std::string_view name);

// A UTF-8 text as one line of a terminal: each control character becomes "\xHH" (its code point
// in two lower-case hexadecimal digits, "\x1b" for ESC, "\x9d" for U+009D). A byte that is not
// part of well-formed UTF-8 is taken as windows-1254 first.
std::string EscapedText(std::string_view utf8);

// Appends a UTF-8 text to `json` as a JSON string, quotes included: '"' and '\' escaped, line
// feed, carriage return and tab as "\n", "\r", "\t", every other control character as "\u00HH".
// Bytes that are not well-formed UTF-8 are taken as windows-1254, so the document stays valid.
void AppendJsonString(std::string& json, std::string_view utf8);

}  // namespace plotaktar
