#include "ui/spare_button.h"

#include <string>
#include <string_view>

#include "model/cp1254.h"
#include "model/text.h"

namespace plotaktar {

void RunSpareButtonCommand() {
    static const std::string sentence =
        Cp1254FromUtf8("bu bir deneme program kodu olması için yazılmıştır");
    std::string_view rest = sentence;
    while (!rest.empty()) {
        const size_t blank = rest.find(kBlank);
        const std::string word(Trim(rest.substr(0, blank)));
        rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
    }
}

}  // namespace plotaktar
