// Writes the revision of a generated drawing that make bench compares it with (1 % of the
// detail points moved, 0.5 % removed and added, 100 parcels divided): BASE.gplt, BASE.yaz and
// BASE.yfn beside the drawing, for profiling plotaktar-cli diff by hand.

#include <cstdio>
#include <exception>

#include "revision.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: gen_revision DRAWING_BASE REVISION_BASE\n");
        return 2;
    }
    try {
        const plotaktar::bench::Drawing drawing(argv[1]);
        (void)plotaktar::bench::WriteRevision(drawing, argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gen_revision: %s\n", e.what());
        return 1;
    }
    return 0;
}
