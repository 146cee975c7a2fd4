#include "import/fields.h"

#include "model/text.h"

namespace plotaktar {

LineValues::LineValues(std::string_view line) : RecordKind(line.substr(0, 3)) {
    size_t p = line.find(kBlank);
    if (p == std::string_view::npos) {
        RestOfLine = Trim(line);
        return;
    }
    FirstToken = Trim(line.substr(0, p));
    RestOfLine = Trim(line.substr(p));
    size_t q = RestOfLine.find(kBlank);
    if (q != std::string_view::npos) {
        SecondToken = Trim(RestOfLine.substr(0, q));
    }
}

}  // namespace plotaktar
