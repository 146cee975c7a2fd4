#include "render/pdf_deflate.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <future>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

#ifdef __ELF__
#include <dlfcn.h>
#endif

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
namespace plotaktar {

namespace {

// A stream from this many bytes on is deflated in pieces on every core: a page of a large
// drawing's sheet is megabytes of content. Below it, one piece, byte for byte what zlib makes.
constexpr size_t kSplitBytes = 256 * 1024;
// zlib's window: each piece after the first starts with the one before's last 32 KiB as its
// dictionary, so that it compresses as well as if it went on from there.
constexpr size_t kWindow = 32 * 1024;

using DeflateFunction = int (*)(z_streamp, int);
using DeflateEndFunction = int (*)(z_streamp);

// zlib's own functions, which the ones below stand in front of.
DeflateFunction ZlibDeflate() {
    static const auto function = reinterpret_cast<DeflateFunction>(dlsym(RTLD_NEXT, "deflate"));
    return function;
}

DeflateEndFunction ZlibDeflateEnd() {
    static const auto function =
        reinterpret_cast<DeflateEndFunction>(dlsym(RTLD_NEXT, "deflateEnd"));
    return function;
}

// A stream begun at the default level while a FastPdfStreams lived: its input is gathered until
// it is finished, then deflated at once, in pieces, and handed out as the caller makes room.
struct GatheredStream {
    void* state = nullptr;  // zlib's, to tell this stream from a later one at the same address
    int level = kFastLevel;
    bool finished = false;
    std::vector<unsigned char> input;
    std::vector<unsigned char> output;
    size_t handedOut = 0;
};

thread_local std::unordered_map<z_streamp, GatheredStream> gatheredStreams;

GatheredStream* GatheredOf(z_streamp stream) {
    const auto found = gatheredStreams.find(stream);
    if (found == gatheredStreams.end()) {
        return nullptr;
    }
    if (found->second.state != stream->state) {
        // Ended without deflateEnd, its place taken by a stream of someone else's.
        gatheredStreams.erase(found);
        return nullptr;
    }
    return &found->second;
}

// Raw deflate (no header, no check value) of `size` bytes at `data`, `dictionary` bytes before
// them as what came before; ending the stream when `last`, otherwise on a byte boundary where
// the next piece goes on. At most 1 GiB. Throws std::bad_alloc when zlib finds no memory.
std::vector<unsigned char> RawDeflate(const unsigned char* data, size_t size, size_t dictionary,
                                      int level, bool last) {
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::bad_alloc();
    }
    struct End {
        z_stream& stream;
        ~End() { ZlibDeflateEnd()(&stream); }
    } end{stream};
    if (dictionary > 0 &&
        deflateSetDictionary(&stream, data - dictionary, static_cast<uInt>(dictionary)) != Z_OK) {
        throw std::bad_alloc();
    }
    // A sync flush's empty block comes on top of the bound.
    std::vector<unsigned char> out(deflateBound(&stream, static_cast<uLong>(size)) + 16);
    stream.next_in = const_cast<unsigned char*>(data);
    stream.avail_in = static_cast<uInt>(size);
    const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
    for (;;) {
        if (stream.total_out == out.size()) {
            out.resize(out.size() * 2);
        }
        stream.next_out = out.data() + stream.total_out;
        stream.avail_out = static_cast<uInt>(out.size() - stream.total_out);
        const int status = ZlibDeflate()(&stream, flush);
        if (status == Z_STREAM_END) {
            break;
        }
        if (status != Z_OK && status != Z_BUF_ERROR) {
            throw std::bad_alloc();
        }
        if (!last && stream.avail_in == 0 && stream.avail_out > 0) {
            break;
        }
    }
    out.resize(stream.total_out);
    return out;
}

// A zlib stream of `input` at `level`: a header, the raw deflate of its pieces one after the
// other, and the Adler-32 of the whole, as zlib's inflate and every PDF reader take it.
std::vector<unsigned char> ZlibStream(const std::vector<unsigned char>& input, int level) {
    // Pieces deflate at different speeds (a page's lines more slowly than its texts), so there
    // are more of them than threads, each thread taking the next one left.
    constexpr size_t kLeastPiece = 128 * 1024;
    // zlib counts a call's input in 32 bits.
    constexpr size_t kMostPiece = size_t{1} << 30;
    size_t threads = 1;
    size_t pieces = 1;
    if (input.size() >= kSplitBytes) {
        threads = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4);
        pieces = std::clamp<size_t>(input.size() / kLeastPiece, 1, 4 * threads);
    }
    pieces = std::max(pieces, (input.size() + kMostPiece - 1) / kMostPiece);
    threads = std::min(threads, pieces);
    const size_t each = (input.size() + pieces - 1) / pieces;
    struct Piece {
        std::vector<unsigned char> deflated;
        uLong adler = 0;
        size_t size = 0;
    };
    std::vector<Piece> done(pieces);
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i = next++; i < pieces; i = next++) {
            const size_t begin = std::min(i * each, input.size());
            Piece& p = done[i];
            p.size = std::min(begin + each, input.size()) - begin;
            p.deflated = RawDeflate(input.data() + begin, p.size, std::min(begin, kWindow), level,
                                    i + 1 == pieces);
            p.adler = adler32_z(adler32_z(0, nullptr, 0), input.data() + begin, p.size);
        }
    };
    std::vector<std::future<void>> helpers;
    for (size_t t = 1; t < threads; ++t) {
        try {
            helpers.push_back(std::async(std::launch::async, work));
        } catch (const std::system_error&) {
            // No thread to be had: this one takes the pieces a helper would have.
            break;
        }
    }
    work();
    for (std::future<void>& helper : helpers) {
        helper.get();
    }
    // zlib's header for its level, so that the stream says what zlib's own would.
    const int levelFlags = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
    unsigned header = (0x78u << 8) | (static_cast<unsigned>(levelFlags) << 6);
    header += 31 - header % 31;
    size_t total = 6;
    for (const Piece& p : done) {
        total += p.deflated.size();
    }
    std::vector<unsigned char> out;
    out.reserve(total);
    out.push_back(static_cast<unsigned char>(header >> 8));
    out.push_back(static_cast<unsigned char>(header & 0xff));
    uLong adler = done.front().adler;
    for (size_t i = 0; i < done.size(); ++i) {
        out.insert(out.end(), done[i].deflated.begin(), done[i].deflated.end());
        if (i > 0) {
            adler = adler32_combine(adler, done[i].adler, static_cast<z_off_t>(done[i].size));
        }
    }
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<unsigned char>(adler >> shift));
    }
    return out;
}

}  // namespace

}  // namespace plotaktar

// Qt's PDF engine starts each stream with deflateInit (zlib's macro for deflateInit_) at the
// default level and offers no setting for it. A program's own definition of a shared library's
// function is the one every library of the process calls (ELF's symbol interposition), so these,
// linked into the programs that write PDFs, take zlib's place in front of it: while a
// FastPdfStreams lives on the calling thread, a stream begun at the default level is deflated at
// a fast level, its input gathered and deflated on every core once it is finished (Qt hands a
// page's content over whole and finishes it right away). Every other stream, begun at a level
// of its caller's choice, with deflateInit2 or on another thread, gets exactly zlib's own
// behaviour. A gathered stream takes no flush but none and Z_FINISH, which is all Qt asks.
extern "C" int deflateInit_(z_streamp stream, int level, const char* version, int streamSize) {
    const bool gathered = plotaktar::fastStreams > 0 && level == Z_DEFAULT_COMPRESSION;
    if (gathered) {
        level = plotaktar::kFastLevel;
    }
    // zlib's own deflateInit_: a window of 32 KiB and its default memory level of 8.
    const int status = deflateInit2_(stream, level, Z_DEFLATED, MAX_WBITS, 8, Z_DEFAULT_STRATEGY,
                                     version, streamSize);
    if (status == Z_OK) {
        plotaktar::gatheredStreams.erase(stream);
        if (gathered) {
            plotaktar::GatheredStream& entry = plotaktar::gatheredStreams[stream];
            entry.state = stream->state;
            entry.level = level;
        }
    }
    return status;
}

extern "C" int deflate(z_streamp stream, int flush) {
    plotaktar::GatheredStream* gathered =
        stream != nullptr ? plotaktar::GatheredOf(stream) : nullptr;
    if (gathered == nullptr) {
        return plotaktar::ZlibDeflate()(stream, flush);
    }
    if ((flush != Z_NO_FLUSH && flush != Z_FINISH) || (gathered->finished && flush != Z_FINISH) ||
        (stream->avail_in > 0 && stream->next_in == nullptr) ||
        (stream->avail_out > 0 && stream->next_out == nullptr)) {
        return Z_STREAM_ERROR;
    }
    if (!gathered->finished && stream->avail_in > 0) {
        // Running out of memory here is the sheets' failure, as anywhere else in them: it
        // passes on as std::bad_alloc rather than as a stream cut short.
        gathered->input.insert(gathered->input.end(), stream->next_in,
                               stream->next_in + stream->avail_in);
        stream->next_in += stream->avail_in;
        stream->total_in += stream->avail_in;
        stream->avail_in = 0;
    }
    if (flush != Z_FINISH) {
        return Z_OK;
    }
    if (!gathered->finished) {
        gathered->output = plotaktar::ZlibStream(gathered->input, gathered->level);
        gathered->finished = true;
        std::vector<unsigned char>().swap(gathered->input);
    }
    const size_t left = gathered->output.size() - gathered->handedOut;
    if (left > 0 && stream->avail_out == 0) {
        return Z_BUF_ERROR;
    }
    const size_t now = std::min<size_t>(left, stream->avail_out);
    if (now > 0) {
        std::memcpy(stream->next_out, gathered->output.data() + gathered->handedOut, now);
    }
    gathered->handedOut += now;
    stream->next_out += now;
    stream->avail_out -= static_cast<uInt>(now);
    stream->total_out += now;
    return gathered->handedOut == gathered->output.size() ? Z_STREAM_END : Z_OK;
}

extern "C" int deflateEnd(z_streamp stream) {
    if (stream != nullptr) {
        plotaktar::gatheredStreams.erase(stream);
    }
    return plotaktar::ZlibDeflateEnd()(stream);
}
#endif
