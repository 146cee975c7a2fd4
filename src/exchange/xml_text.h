#pragma once

// Texts of a drawing inside the XML documents an export writes (a QGIS style, a KML file).

#include <string>
#include <string_view>

namespace plotaktar {

// `utf8` as XML character data or an attribute value in double quotes: & < > " ' escaped,
// tab, line feed and carriage return as character references (an attribute keeps them), and
// the other control characters, which no XML 1.0 document may hold in any form, as U+FFFD.
std::string XmlEscaped(std::string_view utf8);

// True when `utf8` holds a control character that XmlEscaped replaces.
bool HasXmlForbidden(std::string_view utf8);

// `utf8` as an XML document gives it back: those control characters as U+FFFD.
std::string XmlFit(std::string_view utf8);

}  // namespace plotaktar
