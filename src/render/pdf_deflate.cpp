#include "render/pdf_deflate.h"

#include <zlib.h>

namespace plotaktar {

namespace {

// zlib's level 2: on page contents as fast as level 1 (a quarter of the default level's time)
// and a few per cent smaller.
constexpr int kFastLevel = 2;

// How many FastPdfStreams live on this thread.
thread_local int fastStreams = 0;

}  // namespace

FastPdfStreams::FastPdfStreams() : outer_(fastStreams++) {}

FastPdfStreams::~FastPdfStreams() {
    fastStreams = outer_;
}

}  // namespace plotaktar

#ifdef __ELF__
// Qt's PDF engine starts each stream with deflateInit (zlib's macro for deflateInit_) at the
// default level and offers no setting for it. A program's own definition of a shared library's
// function is the one every library of the process calls (ELF's symbol interposition), so this
// one, linked into the programs that write PDFs, takes its place: it does what zlib's own does,
// with a fast level while a FastPdfStreams lives on the calling thread. deflateInit2_ is
// zlib's, so every other caller gets exactly zlib's behaviour.
extern "C" int deflateInit_(z_streamp stream, int level, const char* version, int streamSize) {
    if (plotaktar::fastStreams > 0 && level == Z_DEFAULT_COMPRESSION) {
        level = plotaktar::kFastLevel;
    }
    // zlib's own deflateInit_: a window of 32 KiB and its default memory level of 8.
    return deflateInit2_(stream, level, Z_DEFLATED, MAX_WBITS, 8, Z_DEFAULT_STRATEGY, version,
                         streamSize);
}
#endif
