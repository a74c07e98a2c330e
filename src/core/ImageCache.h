#pragma once
// Embedded pictures are kept as their encoded bytes and decoded only when
// drawn, at about the size they are shown at. The decoded images live in one
// cache under one memory budget; the least recently used go first.

#include <QByteArray>
#include <QImage>
#include <QMutex>
#include <QSize>
#include <QWaitCondition>
#include <atomic>
#include <functional>
#include <optional>
#include <pugixml.hpp>
#include <unordered_map>
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

class QThreadPool;

class ImageCache {
public:
    static constexpr qint64 kDefaultBudget = qint64(256) * 1024 * 1024;
    // Decoded sizes go up in steps of about a factor of the square root of
    // two from this many pixels, so that zooming decodes seldom.
    static constexpr int kSmallestStep = 32;
    // PNGs of more pixels than this are not decoded: a few MB of file could
    // otherwise hold minutes of rows.
    static constexpr qint64 kMaxPngPixels = qint64(1) << 28;

    explicit ImageCache(qint64 budgetBytes = kDefaultBudget) : budget_(budgetBytes) {}
    ~ImageCache() { waitForDecodes(); }
    ImageCache(const ImageCache&) = delete;
    ImageCache& operator=(const ImageCache&) = delete;
    // The process's cache.
    static ImageCache& shared();

    // The key naming these bytes while some holder keeps it: one key for
    // identical bytes, so that pictures of the same image share its decodes.
    // The bytes become the cache's copy of identical ones, held once. Each
    // acquire is matched by one release.
    quint64 acquire(QByteArray& bytes);
    // Once the last holder of the key lets go, every size decoded for it
    // goes too.
    void release(quint64 key);

    // The size to decode an image of its own size at, to be shown at shown
    // pixels: each side rounded up to the next step, never above the
    // image's own side, never below one pixel.
    static QSize decodeSize(QSize shown, QSize own);

    // The image decoded from its bytes at decodeSize(shown, image.size), from
    // the cache when it is there; null when it cannot be decoded. Safe to call
    // from several threads (one decode per image and size: others wait for
    // it); the image returned stays valid whatever the cache drops later. An
    // image larger than the whole budget is decoded and returned, but not
    // kept. With a ready hook set, a size not decoded yet is decoded on a
    // worker thread instead, and meanwhile the largest size of the image
    // there is (or null) is returned. A decode that failed, or (with the
    // hook) one too large to keep, is remembered for the key and size and
    // not tried again until the key goes: each ready decode asks for a
    // redraw, which must not ask for the same decode again.
    //
    // With the hook, decodes in use are not pushed out for a new one, so
    // that pictures that do not fit the budget together settle rather than
    // push each other out at every redraw. In use is what was asked for
    // since the new decode was last asked for: the pictures drawn after it
    // in the same frame (they lie over it) and those of later frames. A
    // decode that would need their room is not kept; in its stead the image
    // shrunk to half the room they leave is kept, when that is larger than
    // any size of it there is, and the size is remembered as not kept until
    // the set of images in use changes: a size that has no decode is asked
    // for (a zoom, a picture come into view), a picture's image goes, the
    // budget is set or the cache cleared; then it is tried once more. The
    // cache sees no frames, so a picture only leaving the view is no change.
    // Images standing in for sizes not kept count as in use when returned.
    QImage image(quint64 key, const EncodedImage& image, QSize shown);

    // Set (the application sets it): images are decoded off the drawing
    // thread, and the hook runs on the application's thread after one is
    // ready (once for several ready at about the same time). Unset, the
    // default (tools, tests): image() returns only once decoded, so that a
    // drawing is always complete.
    void setReadyHook(std::function<void()> hook);
    // Returns once no decode started on a worker thread is running.
    static void waitForDecodes();

    // A PNG decoded one row at a time and reduced to `size` on the way
    // (each pixel the average of the area it covers; premultiplied when the
    // image has alpha, else RGB32), so that a huge picture costs one pass
    // over its rows and the memory of the reduced one. Null when the data
    // is damaged, the image has more than kMaxPngPixels or the reduced one
    // is more than Qt's reader allocates; none when it is not a PNG read
    // this way (not a PNG, or interlaced).
    static std::optional<QImage> decodePng(const QByteArray& bytes, QSize size);

    // Drops every size decoded (and every failure remembered).
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
        QImage image; // null: the decode failed, or was not kept
        qint64 bytes;
        quint64 lastUse;
        bool failed = false;
        // Not kept for the room of images in use, while the set of images in
        // use is this generation (0: not that).
        quint64 crowdedOut = 0;
    };
    // Whether an image of key decoded at asked (a clock reading) must not be
    // pushed out for it: another image used since.
    static bool inUseSince(const Entry& e, quint64 key, quint64 asked)
    {
        return e.bytes > 0 && e.key != key && e.lastUse > asked;
    }
    // The bytes of the images in use for a decode of key asked for at asked.
    qint64 inUseLocked(quint64 key, quint64 asked) const;
    // Drops the least recently used images, but those in use for a decode of
    // key asked for at asked, until `bytes` more fit the budget; whether they
    // do (nothing dropped when not; what is remembered of decodes not kept
    // costs nothing and stays).
    bool makeRoomLocked(qint64 bytes, quint64 key = 0, quint64 asked = ~quint64(0));
    static QImage decode(const EncodedImage& encoded, QSize size);
    Entry* findLocked(quint64 key, QSize size);
    // The largest size of the key decoded, or null; marked as used when
    // touch is set.
    QImage largestLocked(quint64 key, bool touch);
    void removeLocked(quint64 key);
    struct Pending {
        quint64 key;
        QSize size;
        quint64 asked; // the clock when last asked for
    };
    Pending* decodingLocked(quint64 key, QSize size);
    // Ends the decode of key at size: keeps the image (when it fits; in the
    // background, not for the room of images in use), wakes those waiting
    // for it, and returns what the cache holds for it.
    QImage keepDecoded(quint64 key, QSize size, const QImage& decoded, bool background);
    // Keeps decoded shrunk to at most maxBytes for the key decoded at asked
    // and not kept, when it fits beside the images in use and is larger than
    // what there is of the key.
    void keepShrunk(quint64 key, quint64 asked, const QImage& decoded, qint64 maxBytes);
    static QThreadPool& workers();

    std::vector<Pending> decoding_;
    QWaitCondition decoded_;
    std::function<void()> readyHook_;
    std::atomic<bool> hookPending_{false};

    // The bytes of each key, and the keys by the hash of their bytes.
    struct Source {
        QByteArray bytes;
        size_t hash;
        int holders;
    };
    std::unordered_map<quint64, Source> sources_;
    std::unordered_multimap<size_t, quint64> keysByHash_;
    quint64 nextKey_ = 1;

    mutable QMutex mutex_;
    std::vector<Entry> entries_;
    qint64 budget_;
    qint64 used_ = 0;
    quint64 clock_ = 0;
    // Changes with the set of images in use (see image()).
    quint64 generation_ = 1;
    int decodes_ = 0;
};
