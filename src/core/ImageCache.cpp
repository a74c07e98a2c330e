#include "core/ImageCache.h"

#include "core/Gzip.h"
#include "core/Readers.h"
#include "core/ThreadHandoff.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QMutexLocker>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <png.h>
#include <vector>

std::optional<EncodedImage> readEncodedImage(pugi::xml_node element, const char* childName)
{
    const pugi::xml_node child = childElement(element, childName);
    if (!child || readIntAttribute(child, "size", 0) < 1)
        return std::nullopt;
    // Strict base64: no white space or other characters skipped, padding
    // required.
    const QByteArray text(child.text().get());
    if (text.isEmpty() || text.size() % 4 != 0)
        return std::nullopt;
    const QByteArray::FromBase64Result decoded = QByteArray::fromBase64Encoding(
        text, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    std::optional<QByteArray> bytes = gzipInflate(decoded.decoded, kImageInflateLimit);
    if (!bytes)
        return std::nullopt;

    QBuffer buffer(&*bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return std::nullopt;
    QImageReader reader(&buffer);
    if (!reader.canRead())
        return std::nullopt;
    QSize size = reader.size();
    if (!size.isValid()) {
        // A format that tells its size only by decoding: decoded once here
        // (under the reader's allocation limit) and let go.
        size = reader.read().size();
        if (size.isEmpty())
            return std::nullopt;
    }
    buffer.close();
    return EncodedImage{std::move(*bytes), size};
}

namespace {

// libpng reports errors by a long jump back to the setjmp of the call that
// met them: the steps that may fail keep only plain values on their frames.
struct PngSource {
    const unsigned char* data;
    size_t size;
    size_t at;
};

void readPngBytes(png_structp png, png_bytep out, size_t n)
{
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (n > source->size - source->at)
        png_error(png, "truncated");
    std::memcpy(out, source->data + source->at, n);
    source->at += n;
}

void pngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

struct PngHeader {
    png_uint_32 width = 0, height = 0;
    int interlace = 0;
    bool alpha = false;
    int channels = 4; // RGBA, or RGB
    size_t rowBytes = 0;
};

// Reads the header and sets the rows up as 8-bit RGB or RGBA.
bool readPngHeader(png_structp png, png_infop info, PngHeader* header)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    int depth = 0, colour = 0;
    png_get_IHDR(png, info, &header->width, &header->height, &depth, &colour, &header->interlace, nullptr, nullptr);
    header->alpha = (colour & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    // Opaque rows stay RGB: adding the alpha byte would cost a pass per row.
    if (!(colour & PNG_COLOR_MASK_ALPHA) && png_get_valid(png, info, PNG_INFO_tRNS) == 0)
        header->channels = 3;
    if (header->interlace != PNG_INTERLACE_NONE)
        return true;
    png_read_update_info(png, info);
    header->rowBytes = png_get_rowbytes(png, info);
    return true;
}

bool readPngRow(png_structp png, unsigned char* row)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_row(png, row, nullptr);
    return true;
}

// Where the source pixels (or rows) fall among `out` cells spanning `in`:
// pixel i gives the share first[i] to cell cell[i] and the rest to the next.
struct Spans {
    std::vector<int> cell;
    std::vector<float> first;
    Spans(int in, int out) : cell(size_t(in)), first(size_t(in))
    {
        const double step = double(in) / out;
        for (int i = 0; i < in; ++i) {
            const int c = std::min(int(i / step), out - 1);
            const double end = (c + 1) * step;
            cell[size_t(i)] = c;
            first[size_t(i)] = (end < i + 1 && c + 1 < out) ? float(end - i) : 1.0f;
        }
    }
};

} // namespace

std::optional<QImage> ImageCache::decodePng(const QByteArray& bytes, QSize size)
{
    if (bytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.constData()), 0, 8) != 0)
        return std::nullopt;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    if (!png)
        return QImage();
    png_infop info = png_create_info_struct(png);
    struct Release {
        png_structp& png;
        png_infop& info;
        ~Release() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
    } release{png, info};
    if (!info)
        return QImage();
    PngSource source{reinterpret_cast<const unsigned char*>(bytes.constData()), size_t(bytes.size()), 0};
    png_set_read_fn(png, &source, readPngBytes);
    // The checksum of the pixel data costs a sixth of the decode and guards
    // nothing the decode does not: a damaged stream still fails to inflate
    // or runs short.
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_set_user_limits(png, 1u << 20, 1u << 20);
    PngHeader header;
    if (!readPngHeader(png, info, &header))
        return QImage();
    if (header.interlace != PNG_INTERLACE_NONE)
        return std::nullopt; // its rows come in passes: Qt's reader reads it whole
    if (header.rowBytes != size_t(header.width) * size_t(header.channels))
        return std::nullopt; // rows of another form than asked for
    if (header.width == 0 || header.height == 0 || qint64(header.width) * header.height > kMaxPngPixels)
        return QImage();
    const int width = int(header.width), height = int(header.height);
    const int outWidth = std::clamp(size.width(), 1, width), outHeight = std::clamp(size.height(), 1, height);
    // What Qt's reader would refuse to allocate.
    const qint64 limitBytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (limitBytes > 0 && qint64(outWidth) * outHeight * 4 > limitBytes)
        return QImage();
    QImage out(outWidth, outHeight, header.alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (out.isNull())
        return QImage();

    const Spans columns(width, outWidth), rows(height, outHeight);
    std::vector<unsigned char> row(header.rowBytes), previous(header.rowBytes);
    // Each row summed across into the cells of its output row, then into
    // the output rows it falls on (premultiplied, so that transparent
    // pixels add no colour).
    std::vector<float> across(size_t(outWidth) * 4);
    std::vector<double> current(across.size()), next(across.size());
    const double area = double(width) / outWidth * (double(height) / outHeight);
    auto flush = [&](int y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        auto level = [area](double v) { return int(std::clamp(v / area + 0.5, 0.0, 255.0)); };
        for (int x = 0; x < outWidth; ++x) {
            const double* c = &current[size_t(x) * 4];
            line[x] = qRgba(level(c[0]), level(c[1]), level(c[2]), header.alpha ? level(c[3]) : 255);
        }
    };
    for (int y = 0; y < height; ++y) {
        if (!readPngRow(png, row.data()))
            return QImage();
        // Rows like the one before (areas of one colour) add the same sums.
        if (y == 0 || std::memcmp(row.data(), previous.data(), row.size()) != 0) {
            std::fill(across.begin(), across.end(), 0.0f);
            const unsigned char* p = row.data();
            const int step = header.channels;
            for (int x = 0; x < width; ++x, p += step) {
                const float a = step == 4 ? p[3] : 255.0f;
                const float k = a / 255.0f;
                const float v[4] = {p[0] * k, p[1] * k, p[2] * k, a};
                const size_t c = size_t(columns.cell[size_t(x)]) * 4;
                const float w = columns.first[size_t(x)];
                for (int i = 0; i < 4; ++i)
                    across[c + size_t(i)] += w * v[i];
                if (w < 1.0f)
                    for (int i = 0; i < 4; ++i)
                        across[c + 4 + size_t(i)] += (1.0f - w) * v[i];
            }
            row.swap(previous);
        }
        const int cell = rows.cell[size_t(y)];
        const double w = rows.first[size_t(y)];
        for (size_t i = 0; i < across.size(); ++i) {
            current[i] += w * across[i];
            if (w < 1)
                next[i] += (1 - w) * across[i];
        }
        const bool last = y + 1 == height || rows.cell[size_t(y + 1)] != cell;
        if (last) {
            flush(cell);
            current.swap(next);
            std::fill(next.begin(), next.end(), 0.0);
        }
    }
    return out;
}

ImageCache& ImageCache::shared()
{
    // Never destroyed: pictures of designs that outlive it (static ones)
    // still leave the cache when they go.
    static ImageCache* cache = new ImageCache;
    return *cache;
}

quint64 ImageCache::acquire(QByteArray& bytes)
{
    const size_t hash = qHash(bytes);
    QMutexLocker lock(&mutex_);
    const auto [from, to] = keysByHash_.equal_range(hash);
    for (auto it = from; it != to; ++it) {
        Source& source = sources_.at(it->second);
        if (source.bytes == bytes) {
            ++source.holders;
            bytes = source.bytes;
            return it->second;
        }
    }
    const quint64 key = nextKey_++;
    sources_.emplace(key, Source{bytes, hash, 1});
    keysByHash_.emplace(hash, key);
    return key;
}

void ImageCache::release(quint64 key)
{
    QMutexLocker lock(&mutex_);
    const auto source = sources_.find(key);
    if (source == sources_.end() || --source->second.holders > 0)
        return;
    const auto [from, to] = keysByHash_.equal_range(source->second.hash);
    for (auto it = from; it != to; ++it)
        if (it->second == key) {
            keysByHash_.erase(it);
            break;
        }
    sources_.erase(source);
    removeLocked(key);
}

QSize ImageCache::decodeSize(QSize shown, QSize own)
{
    auto side = [](int shownSide, int ownSide) {
        if (ownSide <= 0)
            return 0;
        // 32, 45, 64, 91, 128, 181, 256, ...
        double step = kSmallestStep;
        for (int n = 1; step < shownSide && step < ownSide && n < 64; ++n)
            step = std::round(kSmallestStep * std::pow(2.0, n / 2.0));
        return int(std::clamp(step, 1.0, double(ownSide)));
    };
    return QSize(side(shown.width(), own.width()), side(shown.height(), own.height()));
}

QImage ImageCache::decode(const EncodedImage& encoded, QSize size)
{
    QByteArray bytes = encoded.bytes; // shared, not copied
    if (std::optional<QImage> png = decodePng(bytes, size))
        return *png;
    QBuffer buffer(&bytes);
    QImage decoded;
    if (buffer.open(QIODevice::ReadOnly)) {
        QImageReader reader(&buffer);
        if (size != encoded.size)
            reader.setScaledSize(size);
        decoded = reader.read();
    }
    // Some formats ignore the scaled size.
    if (!decoded.isNull() && decoded.size() != size)
        decoded = decoded.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return decoded;
}

ImageCache::Entry* ImageCache::findLocked(quint64 key, QSize size)
{
    for (Entry& e : entries_)
        if (e.key == key && e.size == size) {
            e.lastUse = ++clock_;
            return &e;
        }
    return nullptr;
}

QImage ImageCache::largestLocked(quint64 key, bool touch)
{
    Entry* best = nullptr;
    for (Entry& e : entries_)
        if (e.key == key && !e.image.isNull() && (!best || e.size.width() > best->size.width()))
            best = &e;
    if (best && touch)
        best->lastUse = ++clock_;
    return best ? best->image : QImage();
}

ImageCache::Pending* ImageCache::decodingLocked(quint64 key, QSize size)
{
    for (Pending& p : decoding_)
        if (p.key == key && p.size == size)
            return &p;
    return nullptr;
}

qint64 ImageCache::inUseLocked(quint64 key, quint64 asked) const
{
    qint64 inUse = 0;
    for (const Entry& e : entries_)
        if (inUseSince(e, key, asked))
            inUse += e.bytes;
    return inUse;
}

bool ImageCache::makeRoomLocked(qint64 bytes, quint64 key, quint64 asked)
{
    if (inUseLocked(key, asked) + bytes > budget_)
        return false;
    while (used_ + bytes > budget_) {
        auto oldest = entries_.end();
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (it->bytes > 0 && !inUseSince(*it, key, asked) && (oldest == entries_.end() || it->lastUse < oldest->lastUse))
                oldest = it;
        if (oldest == entries_.end())
            return false;
        used_ -= oldest->bytes;
        entries_.erase(oldest);
    }
    return true;
}

QImage ImageCache::keepDecoded(quint64 key, QSize size, const QImage& decoded, bool background)
{
    QMutexLocker lock(&mutex_);
    const auto done = std::find_if(decoding_.begin(), decoding_.end(), [&](const Pending& p) { return p.key == key && p.size == size; });
    // Not pending any more: its pictures went meanwhile.
    if (done == decoding_.end()) {
        decoded_.wakeAll();
        return decoded;
    }
    const quint64 asked = done->asked;
    decoding_.erase(done);
    decoded_.wakeAll();
    const auto there = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.key == key && e.size == size; });
    if (there != entries_.end() && !there->image.isNull())
        return there->image;
    // A decode not kept is remembered, image-less, so that it is not tried
    // again (until the images in use change, when crowded out).
    auto remember = [&](bool failed, quint64 crowdedOut) {
        const Entry mark{key, size, QImage(), 0, ++clock_, failed, crowdedOut};
        if (there == entries_.end())
            entries_.push_back(mark);
        else
            *there = mark;
    };
    const qint64 bytesOf = decoded.sizeInBytes();
    if (decoded.isNull() || bytesOf > budget_) {
        remember(decoded.isNull(), 0);
        return decoded;
    }
    // Drawing waits for each decode: the least recently used go, whatever
    // they are.
    const quint64 since = background ? asked : ~quint64(0);
    const qint64 inUse = inUseLocked(key, since);
    if (inUse + bytesOf > budget_) {
        remember(false, generation_);
        const qint64 room = budget_ - inUse;
        lock.unlock();
        keepShrunk(key, asked, decoded, room / 2);
        return decoded;
    }
    if (there != entries_.end())
        entries_.erase(there);
    makeRoomLocked(bytesOf, key, since);
    entries_.push_back({key, size, decoded, bytesOf, background ? asked : ++clock_});
    used_ += bytesOf;
    return decoded;
}

void ImageCache::keepShrunk(quint64 key, quint64 asked, const QImage& decoded, qint64 maxBytes)
{
    // Four bytes a pixel, as the smooth scaling makes them.
    const double pixels = double(maxBytes) / 4;
    const double factor = std::sqrt(pixels / (double(decoded.width()) * decoded.height()));
    const QSize size(int(decoded.width() * factor), int(decoded.height() * factor));
    if (!(factor < 1) || size.isEmpty())
        return;
    {
        QMutexLocker lock(&mutex_);
        const QImage largest = largestLocked(key, false);
        if (!largest.isNull() && largest.width() >= size.width())
            return;
    }
    // Scaled outside the lock: drawing goes on meanwhile.
    const QImage shrunk = decoded.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const qint64 bytesOf = shrunk.sizeInBytes();
    if (shrunk.isNull() || bytesOf > maxBytes)
        return;
    QMutexLocker lock(&mutex_);
    // The key went, or a larger size came, meanwhile.
    if (!sources_.count(key))
        return;
    const QImage largest = largestLocked(key, false);
    if ((!largest.isNull() && largest.width() >= size.width()) || !makeRoomLocked(bytesOf, key, asked))
        return;
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.key == key && e.size == size; }),
        entries_.end());
    entries_.push_back({key, size, shrunk, bytesOf, asked});
    used_ += bytesOf;
}

QImage ImageCache::image(quint64 key, const EncodedImage& encoded, QSize shown)
{
    const QSize size = decodeSize(shown, encoded.size);
    if (size.isEmpty() || encoded.bytes.isEmpty())
        return QImage();
    {
        QMutexLocker lock(&mutex_);
        Entry* found = findLocked(key, size);
        if (found && !found->image.isNull())
            return found->image;
        if (readyHook_) {
            // Decoded on a worker; meanwhile the largest size there is.
            if (Pending* pending = decodingLocked(key, size)) {
                pending->asked = ++clock_;
                return largestLocked(key, false);
            }
            if (found && (found->crowdedOut == 0 || found->crowdedOut == generation_))
                return largestLocked(key, true); // not to be tried again yet
            // A size with no decode changes the images in use; one crowded
            // out before is tried again.
            if (!found)
                ++generation_;
            decoding_.push_back({key, size, ++clock_});
            ++decodes_;
            std::function<void()> hook = readyHook_;
            ThreadHandoff::start(workers(), [this, key, encoded, size, hook] {
                keepDecoded(key, size, decode(encoded, size), true);
                if (hookPending_.exchange(true))
                    return;
                QObject* app = QCoreApplication::instance();
                auto run = [this, hook] {
                    hookPending_ = false;
                    hook();
                };
                if (app)
                    QMetaObject::invokeMethod(app, run, Qt::QueuedConnection);
                else
                    run();
            });
            return largestLocked(key, false);
        }
        if (found && found->failed)
            return QImage();
        // Another thread decoding the same: wait for it rather than decode
        // it twice.
        while (decodingLocked(key, size))
            ThreadHandoff::wait(decoded_, mutex_);
        found = findLocked(key, size);
        if (found && (found->failed || !found->image.isNull()))
            return found->image;
        decoding_.push_back({key, size, ++clock_});
        ++decodes_;
    }
    // Decoded outside the lock, so that threads drawing other pictures do
    // not wait on this one.
    return keepDecoded(key, size, decode(encoded, size), false);
}

void ImageCache::setReadyHook(std::function<void()> hook)
{
    QMutexLocker lock(&mutex_);
    readyHook_ = std::move(hook);
}

void ImageCache::waitForDecodes()
{
    workers().waitForDone();
}

QThreadPool& ImageCache::workers()
{
    static QThreadPool* pool = new QThreadPool;
    return *pool;
}

void ImageCache::removeLocked(quint64 key)
{
    decoding_.erase(std::remove_if(decoding_.begin(), decoding_.end(), [key](const Pending& p) { return p.key == key; }), decoding_.end());
    decoded_.wakeAll();
    ++generation_;
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (it->key == key) {
            used_ -= it->bytes;
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
}

void ImageCache::clear()
{
    QMutexLocker lock(&mutex_);
    entries_.clear();
    used_ = 0;
    ++generation_;
}

void ImageCache::setBudget(qint64 bytes)
{
    QMutexLocker lock(&mutex_);
    budget_ = std::max<qint64>(0, bytes);
    makeRoomLocked(0);
    ++generation_;
}

qint64 ImageCache::budget() const
{
    QMutexLocker lock(&mutex_);
    return budget_;
}

qint64 ImageCache::bytesUsed() const
{
    QMutexLocker lock(&mutex_);
    return used_;
}

int ImageCache::decodeCount() const
{
    QMutexLocker lock(&mutex_);
    return decodes_;
}
