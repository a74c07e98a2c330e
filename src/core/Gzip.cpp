#include "core/Gzip.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

// zlib counts in uInt; larger buffers are handed over in slices.
constexpr size_t kMaxSlice = UINT_MAX;
constexpr size_t kFirstChunk = 64 * 1024;

struct InflateStream {
    z_stream zs{};
    bool ready = false;
    InflateStream() { ready = inflateInit2(&zs, 15 + 32) == Z_OK; }
    ~InflateStream()
    {
        if (ready)
            inflateEnd(&zs);
    }
};

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
    InflateStream stream;
    if (!stream.ready)
        return std::nullopt;
    z_stream& zs = stream.zs;

    // One byte beyond the budget is room enough to notice the overflow.
    const size_t limit = std::min(maxOutput, size_t(INT_MAX) * 4);
    const auto* begin = reinterpret_cast<const Bytef*>(data.constData());
    const size_t total = size_t(data.size());
    zs.next_in = const_cast<Bytef*>(begin);

    // A gzip stream ends with its size (modulo 4 GiB): a first guess at the
    // room, within the budget, so that a whole file inflates without
    // growing. Growth takes over when the guess is short.
    size_t first = kFirstChunk;
    if (looksGzip(data) && total >= 18) {
        const auto* end = begin + total;
        const size_t stated = size_t(end[-4]) | size_t(end[-3]) << 8 | size_t(end[-2]) << 16 | size_t(end[-1]) << 24;
        // Deflate shrinks by at most about 1032:1; a larger claim is a lie.
        const size_t plausible = std::min(stated, total > SIZE_MAX / 1032 ? SIZE_MAX : total * 1032);
        first = std::max(first, std::min(plausible + 1, limit + 1));
    }
    QByteArray out;
    size_t used = 0;
    for (;;) {
        const size_t consumed = size_t(zs.next_in - begin);
        if (zs.avail_in == 0)
            zs.avail_in = uInt(std::min(total - consumed, kMaxSlice));
        if (used == size_t(out.size())) {
            const size_t grown = std::min(std::max(used * 2, first), limit + 1);
            if (grown <= used)
                return std::nullopt;
            out.reserve(qsizetype(grown)); // exactly: resizing alone would round the room up
            out.resize(qsizetype(grown));
        }
        auto* outBase = reinterpret_cast<Bytef*>(out.data());
        zs.next_out = outBase + used;
        zs.avail_out = uInt(std::min(size_t(out.size()) - used, kMaxSlice));
        const int rc = inflate(&zs, Z_NO_FLUSH);
        used = size_t(zs.next_out - outBase);
        if (used > limit)
            return std::nullopt;
        if (rc == Z_STREAM_END) {
            // Another gzip member may follow; anything else is trailing junk.
            const size_t at = size_t(zs.next_in - begin);
            if (total - at >= 2 && begin[at] == 0x1f && begin[at + 1] == 0x8b) {
                if (inflateReset(&zs) != Z_OK)
                    return std::nullopt;
                continue;
            }
            break;
        }
        if (rc == Z_OK)
            continue;
        // Z_BUF_ERROR with all input consumed is a truncated stream; any other
        // code is corrupt data.
        if (rc == Z_BUF_ERROR && zs.avail_in == 0 && size_t(zs.next_in - begin) < total)
            continue;
        return std::nullopt;
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
