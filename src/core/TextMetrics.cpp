#include "core/TextMetrics.h"

#include <QFontMetricsF>
#include <QHash>
#include <QTextBoundaryFinder>

#include <cmath>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

// Glyphs are shaped at a large pixel size without hinting and scaled down, so
// the metrics are those of the outlines at any model size.
constexpr int referencePixelSize = 1000;
constexpr double sizeFactor = 1.38;

// Bounds of the outline cache: entries, and path elements in all entries.
constexpr size_t maxCachedTexts = 20000;
constexpr qsizetype maxCachedElements = 2'000'000;
// Offsets of this many first characters are measured as whole prefixes;
// beyond them a prefix measure per character would be quadratic.
constexpr size_t maxPrefixMeasures = 256;

double modelScale(const Font& font)
{
    return font.height * sizeFactor / referencePixelSize;
}

struct FaceKey {
    QString family;
    bool bold = false;
    bool italic = false;
    bool operator==(const FaceKey&) const = default;
};
struct FaceKeyHash {
    size_t operator()(const FaceKey& k) const noexcept
    {
        return qHashMulti(0, k.family, k.bold, k.italic);
    }
};

struct Face {
    explicit Face(const QFont& f) : font(f), metrics(f) {}
    QFont font;
    QFontMetricsF metrics;
};

// Frames are drawn on several threads at once: the faces and the outline
// cache are used under this lock only.
std::mutex& textLock()
{
    static std::mutex lock;
    return lock;
}

// Called with textLock held.
const Face& face(const Font& font)
{
    static std::unordered_map<FaceKey, std::unique_ptr<Face>, FaceKeyHash> faces;
    FaceKey key{font.familyName, font.bold, font.italic};
    auto it = faces.find(key);
    if (it != faces.end())
        return *it->second;
    if (faces.size() >= 64) // a file naming many families must not grow this forever
        faces.clear();
    QFont f(font.familyName);
    f.setPixelSize(referencePixelSize);
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::ForceOutline | QFont::NoSubpixelAntialias));
    return *faces.emplace(std::move(key), std::make_unique<Face>(f)).first->second;
}

struct TextKey {
    QString family;
    bool bold = false;
    bool italic = false;
    double height = 0;
    QString text;
    bool operator==(const TextKey&) const = default;
};
struct TextKeyHash {
    size_t operator()(const TextKey& k) const noexcept
    {
        return qHashMulti(0, k.family, k.bold, k.italic, k.height, k.text);
    }
};

struct TextEntry {
    QPainterPath path;
    QRectF bounds;
};

struct TextCache {
    std::unordered_map<TextKey, TextEntry, TextKeyHash> entries;
    qsizetype elements = 0;
    void clear()
    {
        entries.clear();
        elements = 0;
    }
};

TextCache& textCache()
{
    static TextCache cache;
    return cache;
}

TextEntry makeEntry(const Font& font, const QString& text)
{
    TextEntry e;
    QPainterPath glyphs;
    glyphs.addText(QPointF(0, 0), face(font).font, text);
    const double s = modelScale(font);
    // Qt lays the line out y-down; the model is y-up.
    e.path = QTransform(s, 0, 0, -s, 0, 0).map(glyphs);
    e.path.setFillRule(Qt::WindingFill);
    e.bounds = e.path.boundingRect();
    return e;
}

TextEntry entry(const Font& font, const QString& text)
{
    if (!hasTextSize(font) || text.isEmpty())
        return {};
    const std::lock_guard<std::mutex> locked(textLock());
    TextCache& cache = textCache();
    TextKey key{font.familyName, font.bold, font.italic, font.height, text};
    if (auto it = cache.entries.find(key); it != cache.entries.end())
        return it->second;
    TextEntry e = makeEntry(font, text);
    const qsizetype n = e.path.elementCount();
    if (n > maxCachedElements)
        return e;
    if (cache.entries.size() >= maxCachedTexts || cache.elements + n > maxCachedElements)
        cache.clear();
    cache.elements += n;
    cache.entries.emplace(std::move(key), e);
    return e;
}

} // namespace

bool hasTextSize(const Font& font)
{
    return std::isfinite(font.height) && font.height > 0 && std::isfinite(modelScale(font) * referencePixelSize);
}

QPainterPath textPath(const Font& font, const QString& text)
{
    return entry(font, text).path;
}

QRectF textInkBounds(const Font& font, const QString& text)
{
    return entry(font, text).bounds;
}

void clearTextPathCache()
{
    const std::lock_guard<std::mutex> locked(textLock());
    textCache().clear();
}

int textPathCacheSize()
{
    const std::lock_guard<std::mutex> locked(textLock());
    return int(textCache().entries.size());
}

QSizeF textSize(const Font& font, const QString& text)
{
    return textInkBounds(font, text).size();
}

std::vector<CharacterOffset> characterOffsets(const Font& font, const QString& text)
{
    std::vector<qsizetype> ends; // end of each grapheme cluster
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype p = finder.toNextBoundary(); p > 0; p = finder.toNextBoundary())
        ends.push_back(p);

    std::vector<CharacterOffset> offsets(ends.size());
    if (!hasTextSize(font) || ends.empty())
        return offsets;

    const std::lock_guard<std::mutex> locked(textLock());
    const Face& f = face(font);
    const double s = modelScale(font);
    double previous = 0;
    qsizetype clusterStart = 0;
    for (size_t i = 0; i < ends.size(); ++i) {
        double end;
        if (i < maxPrefixMeasures) {
            end = f.metrics.horizontalAdvance(text.left(ends[i])) * s;
        } else {
            // Past the first clusters, a prefix grows by the advance its last
            // character gains from the new one (kerning included), which keeps
            // the work linear in the length of the text.
            static_assert(maxPrefixMeasures >= 2);
            const qsizetype pairStart = ends[i - 2]; // start of the previous cluster
            const QString pair = text.mid(pairStart, ends[i] - pairStart);
            const QString single = text.mid(pairStart, clusterStart - pairStart);
            end = previous + (f.metrics.horizontalAdvance(pair) - f.metrics.horizontalAdvance(single)) * s;
        }
        offsets[i] = {previous, end};
        previous = end;
        clusterStart = ends[i];
    }
    return offsets;
}

namespace TextMetric {

QRectF textRect(const Font& font, const QString& text)
{
    const QSizeF size = textSize(font, text.isEmpty() ? QStringLiteral("O") : text);
    return QRectF(-size.width() / 2, -size.height() / 2, size.width(), size.height());
}

QRectF textRect(const Font& font, const QString& text, QPointF center)
{
    return textRect(font, text).translated(center);
}

} // namespace TextMetric
