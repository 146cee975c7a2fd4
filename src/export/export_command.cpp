#include "export/export_command.h"

namespace plotaktar {

void SpeedButton1Click(Session&, UserInterface&) {}

std::string WithDefaultExtension(std::string_view fileName) {
    return std::string(fileName);
}

}  // namespace plotaktar
