#include "viewport/FrameScaler.h"

#include "core/ThreadHandoff.h"
#include "viewport/FrameRenderer.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool thirtyTwoBit(QImage::Format f)
{
    return f == QImage::Format_ARGB32_Premultiplied || f == QImage::Format_RGB32 || f == QImage::Format_ARGB32;
}

// v clamped to [lo, hi] before it becomes an int (it may be huge or NaN).
int clampToInt(double v, int lo, int hi)
{
    if (!(v > lo))
        return lo;
    if (!(v < hi))
        return hi;
    return int(v);
}

// a x (256 - w) + b x w, over 256, per 8-bit channel; w in [0, 256].
inline uint32_t mix(uint32_t a, uint32_t b, uint32_t w)
{
    const uint32_t v = 256 - w;
    const uint32_t rb = ((((a & 0xff00ff) * v) + ((b & 0xff00ff) * w)) >> 8) & 0xff00ff;
    const uint32_t ag = ((((a >> 8) & 0xff00ff) * v) + (((b >> 8) & 0xff00ff) * w)) & 0xff00ff00;
    return rb | ag;
}

// For each target pixel along one axis: the source pixel left of (above)
// its sampling point and the weight of the next one, in 256ths. The index
// stops one short of the last pixel, so that index + 1 is always a pixel.
struct Axis {
    struct alignas(16) Weights {
        uint16_t w[8]; // 256 - weight for the four channels of the first pixel, weight for the second
    };
    std::vector<int> index;
    std::vector<Weights> weights;

    Axis(int from, int to, double scale, double offset, int pixels)
    {
        index.resize(size_t(to - from));
        weights.resize(size_t(to - from));
        for (int t = from; t < to; ++t) {
            // Pixel centres to pixel centres, as Qt's bilinear filter samples.
            const double f = std::clamp((t + 0.5 - offset) / scale - 0.5, 0.0, double(pixels - 1));
            int i = int(f);
            int w = int(std::lround((f - i) * 256));
            if (w == 256) {
                ++i;
                w = 0;
            }
            if (i >= pixels - 1) {
                i = pixels - 2;
                w = 256;
            }
            index[size_t(t - from)] = i;
            Weights& ws = weights[size_t(t - from)];
            for (int k = 0; k < 4; ++k) {
                ws.w[k] = uint16_t(256 - w);
                ws.w[k + 4] = uint16_t(w);
            }
        }
    }
    int weight(size_t i) const { return weights[i].w[4]; }
};

// One source row resampled across the covered columns.
void resampleRow(const uint32_t* row, const Axis& x, uint32_t* out)
{
    const int n = int(x.index.size());
    const int* index = x.index.data();
    int t = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; t + 2 <= n; t += 2) {
        // The pair of source pixels each target pixel mixes, 16 bits a channel.
        const __m128i p0 = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + index[t])), zero);
        const __m128i p1 = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + index[t + 1])), zero);
        const __m128i m0 = _mm_mullo_epi16(p0, _mm_load_si128(reinterpret_cast<const __m128i*>(&x.weights[size_t(t)])));
        const __m128i m1 = _mm_mullo_epi16(p1, _mm_load_si128(reinterpret_cast<const __m128i*>(&x.weights[size_t(t + 1)])));
        const __m128i sum = _mm_srli_epi16(_mm_add_epi16(_mm_unpacklo_epi64(m0, m1), _mm_unpackhi_epi64(m0, m1)), 8);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + t), _mm_packus_epi16(sum, sum));
    }
#endif
    for (; t < n; ++t)
        out[t] = mix(row[index[t]], row[index[t] + 1], uint32_t(x.weight(size_t(t))));
}

// Two resampled rows mixed into the target row.
void mixRows(const uint32_t* a, const uint32_t* b, int w, uint32_t* out, int n)
{
    int t = 0;
#if defined(__SSE2__)
    // Stored past the caches: the target is not read here, and a frame's
    // worth of it would only evict the source rows.
    for (; t < n && (reinterpret_cast<quintptr>(out + t) & 15) != 0; ++t)
        out[t] = mix(a[t], b[t], uint32_t(w));
    if (w == 0) {
        for (; t + 4 <= n; t += 4)
            _mm_stream_si128(reinterpret_cast<__m128i*>(out + t), _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + t)));
    } else {
        const __m128i zero = _mm_setzero_si128();
        const __m128i wa = _mm_set1_epi16(short(256 - w));
        const __m128i wb = _mm_set1_epi16(short(w));
        for (; t + 4 <= n; t += 4) {
            const __m128i pa = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + t));
            const __m128i pb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + t));
            const __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(pa, zero), wa), _mm_mullo_epi16(_mm_unpacklo_epi8(pb, zero), wb));
            const __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(pa, zero), wa), _mm_mullo_epi16(_mm_unpackhi_epi8(pb, zero), wb));
            _mm_stream_si128(reinterpret_cast<__m128i*>(out + t), _mm_packus_epi16(_mm_srli_epi16(lo, 8), _mm_srli_epi16(hi, 8)));
        }
    }
#endif
    for (; t < n; ++t)
        out[t] = mix(a[t], b[t], uint32_t(w));
}

struct Job {
    const uchar* source;
    qsizetype sourceBytesPerLine;
    uchar* target;
    qsizetype targetBytesPerLine;
    // The target pixels written: columns [areaLeft, areaRight), and of
    // those the ones the source covers: columns [left, right), rows [top, bottom).
    int areaLeft, areaRight;
    int left, right, top, bottom;
    const Axis* x;
    const Axis* y;
    uint32_t background;
};

void scaleBand(const Job& job, int from, int to)
{
    const int n = job.right - job.left;
    // The two most recent resampled source rows: a magnified row serves
    // several target rows.
    std::vector<uint32_t> cache[2];
    int cached[2] = {-1, -1};
    int older = 0;
    auto resampled = [&](int r) -> const uint32_t* {
        for (int k = 0; k < 2; ++k)
            if (cached[k] == r)
                return cache[k].data();
        const int k = older;
        older = 1 - older;
        cache[k].resize(size_t(n));
        resampleRow(reinterpret_cast<const uint32_t*>(job.source + qsizetype(r) * job.sourceBytesPerLine), *job.x, cache[k].data());
        cached[k] = r;
        return cache[k].data();
    };
    for (int row = from; row < to; ++row) {
        uint32_t* out = reinterpret_cast<uint32_t*>(job.target + qsizetype(row) * job.targetBytesPerLine);
        if (row < job.top || row >= job.bottom || n <= 0) {
            std::fill(out + job.areaLeft, out + job.areaRight, job.background);
            continue;
        }
        std::fill(out + job.areaLeft, out + job.left, job.background);
        std::fill(out + job.right, out + job.areaRight, job.background);
        const size_t i = size_t(row - job.top);
        const int r = job.y->index[i];
        const int w = job.y->weight(i);
        const uint32_t* a = resampled(r);
        const uint32_t* b = w ? resampled(r + 1) : a;
        mixRows(a, b, w, out + job.left, n);
    }
#if defined(__SSE2__)
    // The streamed stores are seen by the thread that waits for the band.
    _mm_sfence();
#endif
}

} // namespace

int FrameScaler::bandCount(int rows) const
{
    const int wanted = bands_ > 0 ? bands_ : QThread::idealThreadCount();
    return std::clamp(std::min(wanted, rows / kMinBandRows), 1, kMaxBands);
}

bool FrameScaler::scale(const QImage& source, double scale, QPointF offset, QRgb background, QImage& target, QRect area) const
{
    if (source.width() < 2 || source.height() < 2 || !thirtyTwoBit(source.format()) || target.isNull()
        || !thirtyTwoBit(target.format()) || !std::isfinite(scale) || scale <= 0 || !std::isfinite(offset.x())
        || !std::isfinite(offset.y()))
        return false;
    area = area.isNull() ? target.rect() : area.intersected(target.rect());
    if (area.isEmpty())
        return true;
    // Target pixels whose centres the moved source covers; a centre on the
    // edge counts on the far side only, as when Qt fills a rectangle.
    auto edge = [](double v, int lo, int hi) { return clampToInt(std::floor(v + 0.5), lo, hi); };
    const int left = edge(offset.x(), area.left(), area.right() + 1);
    const int right = edge(offset.x() + scale * source.width(), area.left(), area.right() + 1);
    const int top = edge(offset.y(), area.top(), area.bottom() + 1);
    const int bottom = edge(offset.y() + scale * source.height(), area.top(), area.bottom() + 1);
    const Axis x(left, std::max(left, right), scale, offset.x(), source.width());
    const Axis y(top, std::max(top, bottom), scale, offset.y(), source.height());
    // Taken (and detached) once, here, not from the bands.
    const Job job{source.constBits(), source.bytesPerLine(), target.bits(), target.bytesPerLine(), area.left(), area.right() + 1,
                  left, right, top, bottom, &x, &y, uint32_t(background)};
    const int rows = area.height();
    const int n = bandCount(rows);
    auto bandTop = [&area, rows, n](int i) { return area.top() + int(qint64(rows) * i / n); };
    if (n == 1) {
        scaleBand(job, area.top(), area.bottom() + 1);
        return true;
    }
    QSemaphore done;
    QThreadPool& pool = FrameRenderer::pool();
    for (int i = 1; i < n; ++i) {
        ThreadHandoff::start(pool, [&, i] {
            scaleBand(job, bandTop(i), bandTop(i + 1));
            ThreadHandoff::release(&done);
            done.release();
        });
    }
    scaleBand(job, bandTop(0), bandTop(1));
    done.acquire(n - 1);
    ThreadHandoff::acquire(&done);
    return true;
}
