#pragma once
// One premultiplied ARGB pixel blended with a colour at a coverage of 0..255,
// rounded as QPainter's raster engine rounds, for the fills that write
// straight into an image.

#include <cstdint>

namespace PixelBlend {

inline uint32_t byteMul(uint32_t x, uint32_t a)
{
    uint32_t t = (x & 0xff00ff) * a;
    t = (t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8;
    t &= 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = (x + ((x >> 8) & 0xff00ff) + 0x800080);
    x &= 0xff00ff00;
    return x | t;
}

// Source over.
inline void blend(uint32_t& dst, uint32_t src, uint32_t coverage)
{
    const uint32_t s = coverage >= 255 ? src : byteMul(src, coverage);
    const uint32_t a = s >> 24;
    dst = a == 255 ? s : s + byteMul(dst, 255 - a);
}

// Destination out: what the source covers is taken away.
inline void erase(uint32_t& dst, uint32_t src, uint32_t coverage)
{
    uint32_t keep = 255 - (src >> 24);
    if (coverage < 255) {
        const uint32_t x = keep * coverage;
        keep = ((x + (x >> 8) + 0x80) >> 8) + 255 - coverage;
    }
    dst = keep == 0 ? 0 : byteMul(dst, keep);
}

} // namespace PixelBlend
