#include "exchange/xml_text.h"

namespace plotaktar {

namespace {

bool Forbidden(unsigned char c) {
    return c < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

}  // namespace

std::string XmlEscaped(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            case '\t':
                out += "&#9;";
                break;
            case '\n':
                out += "&#10;";
                break;
            case '\r':
                out += "&#13;";
                break;
            default:
                if (Forbidden(static_cast<unsigned char>(c))) {
                    out += "\xEF\xBF\xBD";
                } else {
                    out += c;
                }
        }
    }
    return out;
}

bool HasXmlForbidden(std::string_view utf8) {
    for (char c : utf8) {
        if (Forbidden(static_cast<unsigned char>(c))) {
            return true;
        }
    }
    return false;
}

std::string XmlFit(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        if (Forbidden(static_cast<unsigned char>(c))) {
            out += "\xEF\xBF\xBD";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace plotaktar
