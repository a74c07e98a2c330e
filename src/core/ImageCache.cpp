#include "core/ImageCache.h"

#include "core/Gzip.h"
#include "core/Readers.h"

#include <QBuffer>
#include <QImageReader>
#include <QMutexLocker>
#include <algorithm>
#include <atomic>
#include <cmath>

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

ImageCache& ImageCache::shared()
{
    // Never destroyed: pictures of designs that outlive it (static ones)
    // still leave the cache when they go.
    static ImageCache* cache = new ImageCache;
    return *cache;
}

quint64 ImageCache::newKey()
{
    static std::atomic<quint64> next{1};
    return next++;
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

QImage ImageCache::image(quint64 key, const EncodedImage& encoded, QSize shown)
{
    const QSize size = decodeSize(shown, encoded.size);
    if (size.isEmpty() || encoded.bytes.isEmpty())
        return QImage();
    {
        QMutexLocker lock(&mutex_);
        for (Entry& e : entries_)
            if (e.key == key && e.size == size) {
                e.lastUse = ++clock_;
                return e.image;
            }
        ++decodes_;
    }

    // Decoded outside the lock, so that threads drawing other pictures do
    // not wait on this one.
    QByteArray bytes = encoded.bytes; // shared, not copied
    QBuffer buffer(&bytes);
    QImage decoded;
    if (buffer.open(QIODevice::ReadOnly)) {
        QImageReader reader(&buffer);
        if (size != encoded.size)
            reader.setScaledSize(size);
        decoded = reader.read();
    }
    if (decoded.isNull())
        return decoded;
    // Some formats ignore the scaled size.
    if (decoded.size() != size)
        decoded = decoded.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    QMutexLocker lock(&mutex_);
    for (Entry& e : entries_)
        if (e.key == key && e.size == size) {
            // Another thread got there first.
            e.lastUse = ++clock_;
            return e.image;
        }
    const qint64 bytesOf = decoded.sizeInBytes();
    if (bytesOf > budget_)
        return decoded;
    entries_.push_back({key, size, decoded, bytesOf, ++clock_});
    used_ += bytesOf;
    trimLocked();
    return decoded;
}

void ImageCache::trimLocked()
{
    while (used_ > budget_ && !entries_.empty()) {
        auto oldest = std::min_element(entries_.begin(), entries_.end(),
                                       [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
        used_ -= oldest->bytes;
        entries_.erase(oldest);
    }
}

void ImageCache::remove(quint64 key)
{
    QMutexLocker lock(&mutex_);
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
}

void ImageCache::setBudget(qint64 bytes)
{
    QMutexLocker lock(&mutex_);
    budget_ = std::max<qint64>(0, bytes);
    trimLocked();
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
