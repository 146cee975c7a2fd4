#pragma once

#include "platform/files.h"

namespace plotaktar::cli {

// The checks of the input files before a conversion: why a path cannot be read as an input
// file (empty when it can), and whether two paths name the same existing file.
using platform::SameExistingFile;
using platform::UnreadableCause;

}  // namespace plotaktar::cli
