#include "platform/case_lookup.h"

namespace plotaktar::platform {

NameLookup FindIgnoringCase(const std::string& path) {
    return {path, {}};
}

}  // namespace plotaktar::platform
