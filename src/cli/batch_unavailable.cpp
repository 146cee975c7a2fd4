// A build without `batch` (Windows) says so; a loop over `convert` does the same work there.

#include "cli/batch.h"
#include "cli/commands.h"

namespace plotaktar::cli {

int RunBatch(const BatchArgs&, std::FILE*, std::FILE*, std::FILE* err) {
    std::fputs("plotaktar-cli: batch needs the Linux build; run convert once per drawing\n", err);
    return kExitFailed;
}

}  // namespace plotaktar::cli
