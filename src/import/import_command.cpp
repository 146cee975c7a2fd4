#include "import/import_command.h"

namespace plotaktar {

void BitBtn1Click(Session&, UserInterface&) {}

std::string CompanionFileName(std::string_view) {
    return ".yfn";
}

}  // namespace plotaktar
