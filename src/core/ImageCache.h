#pragma once
// Embedded pictures are kept as their encoded bytes and decoded only when
// drawn, at about the size they are shown at. The decoded images live in one
// cache under one memory budget; the least recently used go first.

#include <QByteArray>
#include <QImage>
#include <QMutex>
#include <QSize>
#include <optional>
#include <pugixml.hpp>
#include <vector>

// An image as stored: its encoded bytes (PNG, JPEG, ...) and its own size in
// pixels, read from its header.
struct EncodedImage {
    QByteArray bytes;
    QSize size;
};

// The first child element named childName, whose "size" is at least 1 and
// whose text is base64 of gzip or zlib data of an encoded image the image
// readers recognise. Nothing is decoded beyond the image's header; none on
// any failure.
std::optional<EncodedImage> readEncodedImage(pugi::xml_node element, const char* childName);

class ImageCache {
public:
    static constexpr qint64 kDefaultBudget = qint64(256) * 1024 * 1024;
    // Decoded sizes go up in steps of about a factor of the square root of
    // two from this many pixels, so that zooming decodes seldom.
    static constexpr int kSmallestStep = 32;

    explicit ImageCache(qint64 budgetBytes = kDefaultBudget) : budget_(budgetBytes) {}
    // The process's cache.
    static ImageCache& shared();

    // A key naming one encoded image for as long as the process runs.
    static quint64 newKey();

    // The size to decode an image of its own size at, to be shown at shown
    // pixels: each side rounded up to the next step, never above the
    // image's own side, never below one pixel.
    static QSize decodeSize(QSize shown, QSize own);

    // The image decoded from its bytes at decodeSize(shown, image.size), from
    // the cache when it is there; null when it cannot be decoded. Safe to call
    // from several threads; the image returned stays valid whatever the
    // cache drops later. An image larger than the whole budget is decoded
    // and returned, but not kept.
    QImage image(quint64 key, const EncodedImage& image, QSize shown);

    // Drops every size decoded for the key.
    void remove(quint64 key);
    void clear();
    void setBudget(qint64 bytes);
    qint64 budget() const;
    qint64 bytesUsed() const;
    // How many decodes ran since the cache was made (for measuring).
    int decodeCount() const;

private:
    struct Entry {
        quint64 key;
        QSize size;
        QImage image;
        qint64 bytes;
        quint64 lastUse;
    };
    // Drops the least recently used entries until the budget holds.
    void trimLocked();

    mutable QMutex mutex_;
    std::vector<Entry> entries_;
    qint64 budget_;
    qint64 used_ = 0;
    quint64 clock_ = 0;
    int decodes_ = 0;
};
