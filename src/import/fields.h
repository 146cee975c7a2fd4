#pragma once

#include <string_view>

namespace plotaktar {

// Splits the next field off a body: the text up to the first blank, trimmed; the body becomes
// the rest from that blank on, trimmed. A body without a blank yields the empty field and
// stays as it is, so the last word of a short record ends up as its last field.
std::string_view NextField(std::string_view& body);

// A geometry record's fields: the line from its fourth character on, trimmed.
std::string_view RecordBody(std::string_view line);

// The values the import computes for every geometry line before any reader is asked.
struct LineValues {
    std::string_view RecordKind;   // characters 1 to 3, not trimmed
    std::string_view FirstToken;   // up to the first blank, trimmed; empty without a blank
    std::string_view RestOfLine;   // behind the first blank, trimmed; the whole line without one
    std::string_view SecondToken;  // RestOfLine up to its first blank, trimmed; empty without one

    explicit LineValues(std::string_view line);
};

}  // namespace plotaktar
