#include "core/TextMetrics.h"

#include "core/ThreadHandoff.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QRawFont>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <unordered_set>

namespace {

// Glyphs are shaped at a large pixel size without hinting and scaled down, so
// the metrics are those of the outlines at any model size.
constexpr int referencePixelSize = 1000;
constexpr double sizeFactor = 1.38;

// Bounds of the shape cache: entries, and glyphs in all entries.
constexpr size_t maxCachedTexts = 20000;
constexpr size_t maxCachedShapeGlyphs = 2'000'000;
// Texts shaped ahead per thread at least: a thread's first text loads its
// fonts anew, which takes about as long as shaping a few hundred texts.
// Fewer than twice this are shaped on the calling thread.
constexpr size_t minShapesPerThread = 256;
// Glyph outline entries past which those no shape uses any more are swept.
constexpr int sweptOutlineEntries = 100'000;
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
// A face looked up by the font's own family string.
struct FaceKeyView {
    const QString& family;
    bool bold;
    bool italic;
};
struct FaceKeyHash {
    using is_transparent = void;
    size_t operator()(const FaceKey& k) const noexcept
    {
        return qHashMulti(0, k.family, k.bold, k.italic);
    }
    size_t operator()(const FaceKeyView& k) const noexcept { return qHashMulti(0, k.family, k.bold, k.italic); }
};
struct FaceKeyEqual {
    using is_transparent = void;
    bool operator()(const FaceKey& a, const FaceKey& b) const { return a == b; }
    bool operator()(const FaceKeyView& a, const FaceKey& b) const
    {
        return a.bold == b.bold && a.italic == b.italic && a.family == b.family;
    }
    bool operator()(const FaceKey& a, const FaceKeyView& b) const { return (*this)(b, a); }
};

// The font a face shapes with. Every thread that shapes makes its own from
// this: Qt's font engines belong to the thread that made them.
QFont referenceFont(const FaceKey& key)
{
    QFont f(key.family);
    f.setPixelSize(referencePixelSize);
    f.setBold(key.bold);
    f.setItalic(key.italic);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::ForceOutline | QFont::NoSubpixelAntialias));
    return f;
}

struct Face {
    explicit Face(const QFont& f) : font(f), metrics(f) {}
    QFont font;
    QFontMetricsF metrics;
};

// Frames are drawn, and sheets measured, on several threads at once: the
// faces, shapes and glyph outlines are made and looked up under this lock
// only (held alone, except by lookups of a kept shape).
std::shared_mutex& textLock()
{
    static std::shared_mutex lock;
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
    const QFont f = referenceFont(key);
    return *faces.emplace(std::move(key), std::make_unique<Face>(f)).first->second;
}

struct ShapeKey {
    FaceKey face;
    QString text;
    bool operator==(const ShapeKey&) const = default;
};
// A shape looked up by the font's and text's own strings: a copy of those
// counts a reference on strings that thousands of texts share, which
// threads measuring at once would contend for.
struct ShapeKeyView {
    const QString& family;
    bool bold;
    bool italic;
    const QString& text;
};
struct ShapeKeyHash {
    using is_transparent = void;
    size_t operator()(const ShapeKey& k) const noexcept
    {
        return qHashMulti(0, k.face.family, k.face.bold, k.face.italic, k.text);
    }
    size_t operator()(const ShapeKeyView& k) const noexcept { return qHashMulti(0, k.family, k.bold, k.italic, k.text); }
};
struct ShapeKeyEqual {
    using is_transparent = void;
    bool operator()(const ShapeKey& a, const ShapeKey& b) const { return a == b; }
    bool operator()(const ShapeKeyView& a, const ShapeKey& b) const
    {
        return a.bold == b.face.bold && a.italic == b.face.italic && a.text == b.text && a.family == b.face.family;
    }
    bool operator()(const ShapeKey& a, const ShapeKeyView& b) const { return (*this)(b, a); }
};

// A font Qt shapes with (the family's own or a fallback for characters it
// lacks), told apart by what QRawFont reports of it.
struct GlyphFace {
    QString family;
    QString style;
    int weight = 0;
    int slant = 0;
    double pixelSize = 0;
    bool operator==(const GlyphFace&) const = default;
};
struct GlyphFaceHash {
    size_t operator()(const GlyphFace& f) const noexcept
    {
        return qHashMulti(0, f.family, f.style, f.weight, f.slant, f.pixelSize);
    }
};

using Outline = TextShape::Outline;

// Not noexcept, so that the tables keep each entry's hash: a lookup then
// compares texts only where the hashes agree.
struct TextHash {
    size_t operator()(const QString& text) const { return qHash(text); }
};

// The cached shapes by face, then by text: a face's name is kept once, not
// in each of the thousands of entries a board makes.
class ShapeTable {
public:
    const std::shared_ptr<const TextShape>* find(const ShapeKeyView& k) const
    {
        const auto face = faces_.find(FaceKeyView{k.family, k.bold, k.italic});
        if (face == faces_.end())
            return nullptr;
        const auto it = face->second.find(k.text);
        return it == face->second.end() ? nullptr : &it->second;
    }
    bool contains(const ShapeKey& k) const { return find(ShapeKeyView{k.face.family, k.face.bold, k.face.italic, k.text}); }
    void emplace(ShapeKey key, std::shared_ptr<const TextShape> shape)
    {
        if (faces_[std::move(key.face)].emplace(std::move(key.text), std::move(shape)).second)
            ++size_;
    }
    size_t size() const { return size_; }
    void clear()
    {
        faces_.clear();
        size_ = 0;
    }

private:
    using Texts = std::unordered_map<QString, std::shared_ptr<const TextShape>, TextHash>;
    std::unordered_map<FaceKey, Texts, FaceKeyHash, FaceKeyEqual> faces_;
    size_t size_ = 0;
};

struct Caches {
    ShapeTable shapes;
    size_t shapeGlyphs = 0;
    // An outline lives as long as a shape uses it, and is found here while
    // it lives: however many texts are shaped, a glyph is loaded once.
    using FaceOutlines = std::unordered_map<quint32, std::weak_ptr<const Outline>>;
    std::unordered_map<GlyphFace, FaceOutlines, GlyphFaceHash> outlines;
    int outlineCount = 0; // entries, live or not
    // Drops the entries of outlines no shape uses.
    void sweepOutlines()
    {
        outlineCount = 0;
        for (auto face = outlines.begin(); face != outlines.end();) {
            std::erase_if(face->second, [](const auto& e) { return e.second.expired(); });
            outlineCount += int(face->second.size());
            face = face->second.empty() ? outlines.erase(face) : std::next(face);
        }
    }
};

// Called with textLock held.
Caches& caches()
{
    static Caches c;
    return c;
}

// A path whose lazily computed bounds are computed: later reads from
// several threads then change nothing of it.
QRectF settledBounds(const QPainterPath& path)
{
    path.controlPointRect();
    return path.boundingRect();
}

} // namespace

struct TextShaper {
    // Called with textLock held.
    static std::shared_ptr<const Outline> outline(const QRawFont& raw, Caches::FaceOutlines& face, quint32 glyph)
    {
        auto [slot, added] = face.try_emplace(glyph);
        if (std::shared_ptr<const Outline> kept = slot->second.lock())
            return kept;
        auto o = std::make_shared<Outline>();
        // Qt's outlines are y-down; the shapes are y-up. A blank keeps no
        // element at all (a lone move would be drawn into the line).
        if (const QPainterPath glyphPath = raw.pathForGlyph(glyph); !glyphPath.isEmpty()) {
            o->path = QTransform(1, 0, 0, -1, 0, 0).map(glyphPath);
            o->path.setFillRule(Qt::WindingFill);
            o->bounds = settledBounds(o->path);
        }
        if (added)
            ++caches().outlineCount;
        slot->second = o;
        return o;
    }

    // Outlines a thread has taken from the shared ones, kept while it shapes
    // a run of texts so that it seldom needs the lock.
    using OutlineMemo =
        std::unordered_map<GlyphFace, std::unordered_map<quint32, std::shared_ptr<const Outline>>, GlyphFaceHash>;

    // The glyphs as QPainterPath::addText places them: the first line of a
    // text layout, baseline at y = 0. The font is used on this thread only;
    // textLock is taken for the glyph outlines unless the caller holds it.
    static std::shared_ptr<TextShape> shape(const QFont& font, const QString& text, bool locked,
                                            OutlineMemo* memo = nullptr)
    {
        auto shape = std::make_shared<TextShape>();
        QTextLayout layout(text, font);
        layout.setCacheEnabled(true);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        const bool broken = line.isValid() && layout.createLine().isValid();
        layout.endLayout();
        if (!line.isValid())
            return shape;
        if (broken) {
            // addText sets every line of the layout on one baseline, which
            // the glyph runs of one line do not give: take its outline.
            QPainterPath glyphs;
            glyphs.addText(QPointF(0, 0), font, text);
            shape->whole_ = QTransform(1, 0, 0, -1, 0, 0).map(glyphs);
            shape->whole_.setFillRule(Qt::WindingFill);
            shape->elements_ = quint32(shape->whole_.elementCount());
            if (!shape->whole_.isEmpty())
                shape->ink_ = settledBounds(shape->whole_);
            return shape;
        }
        line.setPosition(QPointF(0, -line.ascent()));
        struct Run {
            GlyphFace face;
            QRawFont raw;
            QList<quint32> ids;
            QList<QPointF> positions;
        };
        std::vector<Run> runs;
        for (const QGlyphRun& run : line.glyphRuns()) {
            QRawFont raw = run.rawFont();
            // Qt's stand-in face for a script no installed font covers
            // (it draws boxes) has no family, and asking it for one reads
            // an empty list; it has no font tables either.
            const bool hasFamily = raw.isValid() && !raw.fontTable("head").isEmpty();
            GlyphFace face{hasFamily ? raw.familyName() : QString(), raw.styleName(), raw.weight(), int(raw.style()), raw.pixelSize()};
            QList<quint32> ids = run.glyphIndexes();
            QList<QPointF> positions = run.positions();
            ids.resize(std::min(ids.size(), positions.size()));
            runs.push_back({std::move(face), std::move(raw), std::move(ids), std::move(positions)});
        }
        // Each glyph's outline: what this thread already holds, else from
        // the shared outlines under textLock (loaded there if new).
        std::vector<std::shared_ptr<const Outline>> outlines;
        bool missing = false;
        for (const Run& run : runs) {
            OutlineMemo::mapped_type* known = nullptr;
            if (memo)
                if (auto it = memo->find(run.face); it != memo->end())
                    known = &it->second;
            for (quint32 id : run.ids) {
                std::shared_ptr<const Outline> o;
                if (known)
                    if (auto it = known->find(id); it != known->end())
                        o = it->second;
                missing = missing || !o;
                outlines.push_back(std::move(o));
            }
        }
        if (missing) {
            std::unique_lock<std::shared_mutex> guard(textLock(), std::defer_lock);
            if (!locked)
                guard.lock();
            Caches& c = caches();
            size_t k = 0;
            for (const Run& run : runs) {
                if (c.outlineCount > sweptOutlineEntries)
                    c.sweepOutlines();
                Caches::FaceOutlines& faceOutlines = c.outlines[run.face];
                for (quint32 id : run.ids) {
                    if (std::shared_ptr<const Outline>& o = outlines[k++]; !o) {
                        o = outline(run.raw, faceOutlines, id);
                        if (memo)
                            (*memo)[run.face].emplace(id, o);
                    }
                }
            }
        }
        shape->glyphs_ = std::make_unique<TextShape::Glyph[]>(outlines.size());
        shape->glyphCount_ = quint32(outlines.size());
        QRectF ink;
        qsizetype elements = 0;
        size_t k = 0;
        for (const Run& run : runs) {
            for (qsizetype i = 0; i < run.ids.size(); ++i, ++k) {
                std::shared_ptr<const Outline>& o = outlines[k];
                const QPointF at(run.positions[i].x(), -run.positions[i].y());
                if (!o->path.isEmpty())
                    ink |= o->bounds.translated(at);
                elements += o->path.elementCount();
                shape->glyphs_[k] = {std::move(o), at};
            }
        }
        shape->elements_ = quint32(std::min<qsizetype>(elements, std::numeric_limits<quint32>::max()));
        shape->ink_ = ink;
        return shape;
    }
};

namespace {

// Called with textLock held: the shape into the cache, unless it is
// larger than the whole cache.
void keepShape(ShapeKey key, const std::shared_ptr<const TextShape>& shape)
{
    Caches& c = caches();
    const size_t n = shape->glyphs().size();
    if (n > maxCachedShapeGlyphs)
        return;
    if (c.shapes.size() >= maxCachedTexts || c.shapeGlyphs + n > maxCachedShapeGlyphs) {
        c.shapes.clear();
        c.shapeGlyphs = 0;
    }
    c.shapeGlyphs += n;
    c.shapes.emplace(std::move(key), shape);
}

// The cached shape; null where there is nothing to shape.
std::shared_ptr<const TextShape> cachedShape(const Font& font, const QString& text)
{
    if (!hasTextSize(font) || text.isEmpty())
        return nullptr;
    {
        // Most texts were shaped before: the threads of a geometry pass or a
        // frame look them up side by side.
        const std::shared_lock<std::shared_mutex> reading(textLock());
        const Caches& c = caches();
        if (const auto* kept = c.shapes.find(ShapeKeyView{font.familyName, font.bold, font.italic, text}))
            return *kept;
    }
    ShapeKey key{FaceKey{font.familyName, font.bold, font.italic}, text};
    const std::lock_guard<std::shared_mutex> locked(textLock());
    Caches& c = caches();
    if (const auto* kept = c.shapes.find(ShapeKeyView{font.familyName, font.bold, font.italic, text}))
        return *kept;
    std::shared_ptr<const TextShape> shape = TextShaper::shape(face(font).font, text, true);
    keepShape(std::move(key), shape);
    return shape;
}

} // namespace

QRectF textInkBounds(const Font& font, const TextShape& shape)
{
    const QRectF& r = shape.ink();
    if (r.isNull())
        return QRectF();
    const double s = modelScale(font);
    const double left = r.left() * s, top = r.top() * s, right = r.right() * s, bottom = r.bottom() * s;
    return QRectF(left, top, right - left, bottom - top);
}

bool hasTextSize(const Font& font)
{
    return std::isfinite(font.height) && font.height > 0 && std::isfinite(modelScale(font) * referencePixelSize);
}

QPainterPath TextShape::outline() const
{
    QPainterPath p;
    if (!whole_.isEmpty()) {
        // A path of its own: the kept one is read, never drawn.
        p.addPath(whole_);
        p.setFillRule(Qt::WindingFill);
        return p;
    }
    p.reserve(int(std::min<qsizetype>(elements_, std::numeric_limits<int>::max())));
    for (const Glyph& g : glyphs()) {
        const QPainterPath& o = g.outline->path;
        const int m = o.elementCount();
        if (m == 0)
            continue;
        p.addPath(o.translated(g.position));
    }
    p.setFillRule(Qt::WindingFill);
    return p;
}

std::shared_ptr<const TextShape> textShape(const Font& font, const QString& text)
{
    return cachedShape(font, text);
}

namespace {

// Texts shaped one after the other by the worker that takes them.
constexpr size_t shapesPerTask = 32;

// Texts shaped ahead on several threads: each thread takes the next run of
// keys, shapes them with fonts of its own, and counts them done.
struct ShapeBatch {
    std::vector<ShapeKey> keys;
    std::vector<std::shared_ptr<const TextShape>> shapes; // one per key
    std::atomic<size_t> next{0};
    std::mutex doneLock;
    std::condition_variable allDone;
    size_t done = 0;

    void work()
    {
        std::unordered_map<FaceKey, QFont, FaceKeyHash> fonts; // this thread's own
        TextShaper::OutlineMemo outlines;
        for (;;) {
            const size_t from = next.fetch_add(shapesPerTask);
            if (from >= keys.size())
                return;
            const size_t to = std::min(keys.size(), from + shapesPerTask);
            for (size_t i = from; i < to; ++i) {
                const FaceKey& face = keys[i].face;
                auto font = fonts.find(face);
                if (font == fonts.end())
                    font = fonts.emplace(face, referenceFont(face)).first;
                shapes[i] = TextShaper::shape(font->second, keys[i].text, false, &outlines);
            }
            const std::lock_guard<std::mutex> counted(doneLock);
            done += to - from;
            if (done == keys.size())
                allDone.notify_all();
        }
    }
};

} // namespace

void prepareTextShapes(const std::vector<TextShapeRequest>& texts)
{
    auto batch = std::make_shared<ShapeBatch>();
    {
        // The keys not cached yet, each once, as many as the cache holds.
        const std::shared_lock<std::shared_mutex> reading(textLock());
        const Caches& c = caches();
        std::unordered_set<ShapeKey, ShapeKeyHash, ShapeKeyEqual> seen;
        size_t units = 0;
        for (const TextShapeRequest& t : texts) {
            if (!hasTextSize(t.font) || t.text.isEmpty())
                continue;
            const ShapeKeyView view{t.font.familyName, t.font.bold, t.font.italic, t.text};
            if (c.shapes.find(view) || seen.find(view) != seen.end())
                continue;
            ShapeKey key{FaceKey{t.font.familyName, t.font.bold, t.font.italic}, t.text};
            // A glyph or so per UTF-16 unit: what is shaped ahead is held
            // at once, so it stays within the cache's glyph bound.
            units += size_t(t.text.size());
            if (batch->keys.size() >= maxCachedTexts || units > maxCachedShapeGlyphs)
                break;
            seen.insert(key);
            batch->keys.push_back(std::move(key));
        }
    }
    const size_t n = batch->keys.size();
    const int threads = QThread::idealThreadCount();
    if (n < 2 * minShapesPerThread || threads <= 1) {
        // Too few to pay for other threads.
        for (const ShapeKey& key : batch->keys) {
            Font font; // the shape depends on the face alone
            font.familyName = key.face.family;
            font.bold = key.face.bold;
            font.italic = key.face.italic;
            cachedShape(font, key.text);
        }
        return;
    }
    batch->shapes.resize(n);
    const size_t tasks = std::min(n / minShapesPerThread, size_t(threads)) - 1;
    for (size_t i = 0; i < tasks; ++i)
        ThreadHandoff::start(*QThreadPool::globalInstance(), [batch] { batch->work(); });
    // This thread shapes too, so the texts get shaped however busy the pool
    // is; a task that starts after the last key is taken finds nothing.
    batch->work();
    {
        std::unique_lock<std::mutex> waiting(batch->doneLock);
        batch->allDone.wait(waiting, [&] { return batch->done == n; });
    }

    const std::lock_guard<std::shared_mutex> locked(textLock());
    Caches& c = caches();
    size_t glyphs = 0;
    for (const auto& shape : batch->shapes)
        glyphs += shape->glyphs().size();
    // Clear at most once here, so the batch does not push itself out.
    if (c.shapes.size() + n > maxCachedTexts || c.shapeGlyphs + glyphs > maxCachedShapeGlyphs) {
        c.shapes.clear();
        c.shapeGlyphs = 0;
    }
    for (size_t i = 0; i < n; ++i)
        if (!c.shapes.contains(batch->keys[i])) // a frame may have shaped it meanwhile
            keepShape(std::move(batch->keys[i]), batch->shapes[i]);
}

bool textShapeKept(const Font& font, const QString& text)
{
    const std::shared_lock<std::shared_mutex> reading(textLock());
    const Caches& c = caches();
    return c.shapes.find(ShapeKeyView{font.familyName, font.bold, font.italic, text}) != nullptr;
}

double textShapeUnit(const Font& font)
{
    return modelScale(font);
}

QPainterPath textPath(const Font& font, const QString& text)
{
    const std::shared_ptr<const TextShape> shape = cachedShape(font, text);
    if (!shape)
        return {};
    const double s = modelScale(font);
    QPainterPath path = QTransform::fromScale(s, s).map(shape->outline());
    path.setFillRule(Qt::WindingFill);
    return path;
}

QRectF textInkBounds(const Font& font, const QString& text)
{
    if (hasTextSize(font) && !text.isEmpty()) {
        // A kept shape is read in place, its use not counted.
        const std::shared_lock<std::shared_mutex> reading(textLock());
        const Caches& c = caches();
        if (const auto* kept = c.shapes.find(ShapeKeyView{font.familyName, font.bold, font.italic, text}))
            return textInkBounds(font, **kept);
    }
    const std::shared_ptr<const TextShape> shape = cachedShape(font, text);
    return shape ? textInkBounds(font, *shape) : QRectF();
}

void clearTextPathCache()
{
    const std::lock_guard<std::shared_mutex> locked(textLock());
    caches() = Caches();
}

int textPathCacheSize()
{
    const std::lock_guard<std::shared_mutex> locked(textLock());
    return int(caches().shapes.size());
}

int glyphOutlineCacheSize()
{
    const std::lock_guard<std::shared_mutex> locked(textLock());
    caches().sweepOutlines();
    return caches().outlineCount;
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

    const std::lock_guard<std::shared_mutex> locked(textLock());
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
