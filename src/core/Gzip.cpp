#include "core/Gzip.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

// zlib counts in uInt; larger buffers are handed over in slices.
constexpr size_t kMaxSlice = UINT_MAX;
constexpr size_t kFirstChunk = 64 * 1024;

struct DeflateStream {
    z_stream zs{};
    bool ready = false;
    DeflateStream() { ready = deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) == Z_OK; }
    ~DeflateStream()
    {
        if (ready)
            deflateEnd(&zs);
    }
};

} // namespace

bool looksGzip(const QByteArray& data)
{
    return data.size() >= 2 && uchar(data[0]) == 0x1f && uchar(data[1]) == 0x8b;
}

std::optional<QByteArray> gzipInflate(const QByteArray& data, size_t maxOutput)
{
    if (data.isEmpty())
        return std::nullopt;
    // libdeflate inflates a whole stream about three times as fast as zlib
    // (a board's file is one stream of megabytes), into room it is given.
    struct Decompressor {
        libdeflate_decompressor* d = libdeflate_alloc_decompressor();
        ~Decompressor()
        {
            if (d)
                libdeflate_free_decompressor(d);
        }
    } decompressor;
    if (!decompressor.d)
        return std::nullopt;

    // One byte beyond the budget is room enough to notice the overflow.
    const size_t limit = std::min(maxOutput, size_t(INT_MAX) * 4);
    const auto* begin = reinterpret_cast<const uint8_t*>(data.constData());
    const size_t total = size_t(data.size());

    // A gzip stream ends with its size (modulo 4 GiB): a first guess at the
    // room, within the budget, so that a whole file inflates at once. When
    // the guess is short the room doubles and the member is inflated again.
    size_t first = kFirstChunk;
    if (looksGzip(data) && total >= 18) {
        const auto* end = begin + total;
        const size_t stated = size_t(end[-4]) | size_t(end[-3]) << 8 | size_t(end[-2]) << 16 | size_t(end[-1]) << 24;
        // Deflate shrinks by at most about 1032:1; a larger claim is a lie.
        const size_t plausible = std::min(stated, total > SIZE_MAX / 1032 ? SIZE_MAX : total * 1032);
        first = std::max(first, plausible + 1);
    }
    QByteArray out;
    const auto grow = [&](size_t room) {
        room = std::min(room, limit + 1);
        if (room <= size_t(out.size()))
            return false;
        out.reserve(qsizetype(room)); // exactly: resizing alone would round the room up
        out.resize(qsizetype(room));
        return true;
    };
    if (!grow(first))
        return std::nullopt;
    size_t used = 0;
    size_t at = 0;
    // The first member is gzip or zlib data; only gzip members may follow.
    bool gzip = looksGzip(data);
    for (;;) {
        size_t read = 0, written = 0;
        auto* room = reinterpret_cast<uint8_t*>(out.data()) + used;
        const size_t left = size_t(out.size()) - used;
        const libdeflate_result rc =
            gzip ? libdeflate_gzip_decompress_ex(decompressor.d, begin + at, total - at, room, left, &read, &written)
                 : libdeflate_zlib_decompress_ex(decompressor.d, begin + at, total - at, room, left, &read, &written);
        if (rc == LIBDEFLATE_INSUFFICIENT_SPACE) {
            if (!grow(std::max(size_t(out.size()) * 2, first)))
                return std::nullopt; // past the budget
            continue;
        }
        // Anything else is corrupt or truncated data.
        if (rc != LIBDEFLATE_SUCCESS)
            return std::nullopt;
        used += written;
        if (used > limit)
            return std::nullopt;
        at += read;
        // Another gzip member may follow; anything else is trailing junk.
        if (total - at >= 2 && begin[at] == 0x1f && begin[at + 1] == 0x8b) {
            gzip = true;
            continue;
        }
        break;
    }
    out.resize(qsizetype(used));
    // Room much beyond the data (growth doubles it) is given back; the one
    // byte a well-sized guess keeps is not worth copying the data for.
    if (size_t(out.capacity()) - used > used / 8)
        out.squeeze();
    return out;
}

QByteArray gzipDeflate(const QByteArray& data)
{
    DeflateStream stream;
    if (!stream.ready)
        return {};
    z_stream& zs = stream.zs;
    const auto* begin = reinterpret_cast<const Bytef*>(data.constData());
    const size_t total = size_t(data.size());
    zs.next_in = const_cast<Bytef*>(begin);

    QByteArray out;
    out.resize(qsizetype(std::max<size_t>(deflateBound(&zs, uLong(total)), 64)));
    size_t used = 0;
    for (;;) {
        const size_t consumed = size_t(zs.next_in - begin);
        if (zs.avail_in == 0)
            zs.avail_in = uInt(std::min(total - consumed, kMaxSlice));
        const bool last = consumed + zs.avail_in == total;
        if (used == size_t(out.size()))
            out.resize(out.size() * 2);
        auto* outBase = reinterpret_cast<Bytef*>(out.data());
        zs.next_out = outBase + used;
        zs.avail_out = uInt(std::min(size_t(out.size()) - used, kMaxSlice));
        const int rc = deflate(&zs, last ? Z_FINISH : Z_NO_FLUSH);
        used = size_t(zs.next_out - outBase);
        if (rc == Z_STREAM_END)
            break;
        if (rc != Z_OK && rc != Z_BUF_ERROR)
            return {};
    }
    out.resize(qsizetype(used));
    return out;
}
