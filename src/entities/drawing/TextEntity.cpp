#include "entities/drawing/TextEntity.h"

#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/ReadWorkers.h"
#include "core/Readers.h"
#include "core/TextMetrics.h"
#include "entities/drawing/TextEditor.h"
#include "model/EntityList.h"

#include <QFont>
#include <QTextLayout>

#include <atomic>
#include <cmath>
#include <typeinfo>
#include <unordered_map>

namespace {

// Glyph outlines the texts keep between draws, counted in path elements over
// all texts (24 bytes each). Past the budget a text lays itself out afresh
// at each draw from the shared shapes instead of keeping its runs. Texts of
// a design being replaced may be released on several threads at once.
constexpr qsizetype kHeldElementBudget = 4'000'000;
std::atomic<qsizetype> heldElements{0};

const QString lineSeparator = QStringLiteral("\r\n");


bool finiteRect(const QRectF& r)
{
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

bool finitePoint(QPointF p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// The first n UTF-16 units of s, not splitting a surrogate pair.
QString leftUnits(const QString& s, qsizetype n)
{
    if (s.size() <= n)
        return s;
    if (n > 0 && s.at(n - 1).isHighSurrogate())
        --n;
    return s.left(n);
}

// What of each line is laid out: the lines in order, each cut to what is
// left of the character budget (lines past the budget become empty).
QStringList laidOutLines(const QStringList& lines)
{
    QStringList out;
    out.reserve(lines.size());
    qsizetype left = TextEntity::kMaxLaidOutCharacters;
    for (const QString& line : lines) {
        const QString cut = leftUnits(line, left);
        left -= cut.size();
        out.push_back(cut);
    }
    return out;
}

// Split at carriage return + line feed only: a lone line feed stays in its
// line (and lays out as nothing).
QStringList splitLines(const QString& text)
{
    QStringList lines;
    for (qsizetype from = 0; lines.size() < TextEntity::kMaxLines;) {
        const qsizetype at = text.indexOf(lineSeparator, from);
        if (at < 0) {
            lines.push_back(text.mid(from));
            break;
        }
        lines.push_back(text.mid(from, at - from));
        from = at + lineSeparator.size();
    }
    return lines;
}

// The entity as a text, or null. A board holds tens of thousands of
// entities of a few types: whether a type is a text is asked once per type,
// as a cast asked per entity compares type names.
const TextEntity* asText(const Entity* e)
{
    thread_local std::vector<std::pair<const std::type_info*, bool>> known;
    const std::type_info* type = &typeid(*e);
    for (const auto& [t, text] : known)
        if (t == type)
            return text ? static_cast<const TextEntity*>(e) : nullptr;
    const auto* text = dynamic_cast<const TextEntity*>(e);
    if (known.size() < 256)
        known.emplace_back(type, text != nullptr);
    return text;
}

// Ink bounds of one line in the font; none when they are not finite (a
// height so large that the outlines overflow).
std::optional<QRectF> inkBounds(const Font& font, const QString& line)
{
    const QRectF ink = textInkBounds(font, line);
    if (!finiteRect(ink))
        return std::nullopt;
    return ink;
}

// The font the shaped glyphs are laid out in: the family at the outline
// size, unhinted, as the measured outlines are.
QFont shapingFont(const Font& font)
{
    QFont f(font.familyName);
    f.setPixelSize(int(TextEntity::kOutlineUnitsPerSize));
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::NoSubpixelAntialias);
    return f;
}

// The glyphs of one line as QPainterPath::addText lays them out (the first
// line of a text layout), with the baseline at y = 0.
QList<QGlyphRun> shapeLine(const QFont& font, const QString& line)
{
    QTextLayout layout(line, font);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine l = layout.createLine();
    layout.endLayout();
    if (!l.isValid())
        return {};
    l.setPosition(QPointF(0, -l.ascent()));
    return l.glyphRuns();
}

// Device pixels per model unit under the context's current transform.
double deviceScale(const QTransform& t)
{
    const double det = t.m11() * t.m22() - t.m12() * t.m21();
    const double s = std::sqrt(std::abs(det));
    return std::isfinite(s) ? s : 0;
}

} // namespace

TextEntity::TextEntity(GraphicsSheet* sheet) : Entity(sheet)
{
}

TextEntity::~TextEntity()
{
    releaseCachedGlyphs();
}

void TextEntity::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    text = QString::fromStdString(readStringAttribute(element, "text", std::string()));
    stringAlignment = readEnumAttribute(element, "stringAlignment", StringAlignment::center, stringAlignmentFromString);
    contentAlignment = readEnumAttribute(element, "alignment", ContentAlignment::middleCenter, contentAlignmentFromString);
    // A missing "at" puts the anchor at the origin, whatever it was before.
    position = readPointAttribute(element, "at", QPointF(0, 0));
    font.readXML(element);
    rotateInParts = readBoolAttribute(element, "rotateInParts", rotateInParts);
    brush.readXML(element);
}

namespace {

// A sheet's list this long is walked for texts on the reading threads, in
// parts of this many entities (with their children: a board's few hundred
// nets and footprints hold tens of thousands).
constexpr size_t kParallelShapeWalkMinEntities = 256;
constexpr size_t kEntitiesPerShapeWalkPart = 32;

} // namespace

void TextEntity::prepareShapes(EntityList& list)
{
    // The lines of the texts among entities [begin, end) and their holders'
    // lists that are not shaped yet (hidden texts are laid out too). Holders
    // nest no deeper than was read.
    const auto addShapeRequests = [](const std::vector<std::shared_ptr<Entity>>& entities, size_t begin, size_t end,
                                     std::vector<TextShapeRequest>& requests) {
        std::vector<const std::vector<std::shared_ptr<Entity>>*> pending;
        const std::vector<std::shared_ptr<Entity>>* l = &entities;
        for (;;) {
            for (size_t i = begin; i < end; ++i) {
                Entity* e = (*l)[i].get();
                if (!e)
                    continue;
                if (IEntityHolder* h = e->holder())
                    pending.push_back(&h->entities().entities);
                const TextEntity* t = asText(e);
                // A text laid out as it stands was shaped then: after an edit,
                // only the texts that changed are asked for.
                if (!t || t->text.isEmpty() || !hasTextSize(t->font) || t->layoutCurrent())
                    continue;
                if (!t->text.contains(QLatin1Char('\r'))) {
                    const QString line = leftUnits(t->text, TextEntity::kMaxLaidOutCharacters);
                    if (!textShapeKept(t->font, line))
                        requests.push_back({t->font, line});
                    continue;
                }
                for (const QString& line : laidOutLines(splitLines(t->text)))
                    if (!line.isEmpty() && !textShapeKept(t->font, line))
                        requests.push_back({t->font, line});
            }
            if (pending.empty())
                return;
            l = pending.back();
            pending.pop_back();
            begin = 0;
            end = l->size();
        }
    };
    const std::vector<std::shared_ptr<Entity>>& entities = list.entities;
    std::vector<TextShapeRequest> requests;
    if (entities.size() >= kParallelShapeWalkMinEntities && ReadWorkers::threads() > 1) {
        // Walked where each entity was read, as the geometry pass measures
        // it: the walk is mostly waiting for memory.
        const std::vector<ReadWorkers::ThreadMark> marks = list.threadMarks();
        std::vector<std::vector<TextShapeRequest>> parts(ReadWorkers::markedPartCount(marks, kEntitiesPerShapeWalkPart));
        ReadWorkers::forEachMarkedPart(marks, kEntitiesPerShapeWalkPart, [&](size_t part, size_t begin, size_t end) {
            addShapeRequests(entities, begin, end, parts[part]);
        });
        for (std::vector<TextShapeRequest>& part : parts)
            std::move(part.begin(), part.end(), std::back_inserter(requests));
    } else {
        addShapeRequests(entities, 0, entities.size(), requests);
    }
    prepareTextShapes(requests);
}

QPointF TextEntity::alignmentOffset(ContentAlignment alignment, QSizeF inkSize)
{
    const double w = inkSize.width(), h = inkSize.height();
    switch (alignment) {
    case ContentAlignment::bottomCenter: return {w / 2, h};
    case ContentAlignment::bottomLeft: return {w, h};
    case ContentAlignment::bottomRight: return {0, h};
    case ContentAlignment::middleCenter: return {w / 2, h / 2};
    case ContentAlignment::middleLeft: return {w, h / 2};
    case ContentAlignment::middleRight: return {0, h / 2};
    case ContentAlignment::topCenter: return {w / 2, 0};
    case ContentAlignment::topLeft: return {w, 0};
    case ContentAlignment::topRight: return {0, 0};
    }
    return {w / 2, h / 2};
}

QSizeF TextEntity::lineSize(const QString& line) const
{
    const std::optional<QRectF> ink = inkBounds(font, leftUnits(line, kMaxLaidOutCharacters));
    return ink ? ink->size() : QSizeF(0, 0);
}

QRectF TextEntity::lineRect(const QString& line) const
{
    const QSizeF size = lineSize(line);
    const QPointF d = alignmentOffset(contentAlignment, size);
    return QRectF(position.x() - d.x(), position.y() - d.y(), size.width(), size.height());
}

QRectF TextEntity::lineInk(const QString& line) const
{
    const std::optional<PlacedLine> placed = placeLine(leftUnits(line, kMaxLaidOutCharacters), position.y());
    return placed ? placed->ink : QRectF(position, QSizeF(0, 0));
}

void TextEntity::calculateBoundingBox()
{
    measureLines();
    addPlacedLines();
}

QStringList TextEntity::lines() const
{
    if (measuredLines_ == 1)
        return QStringList{measuredText()};
    return severalLines();
}

qsizetype TextEntity::lineCount() const
{
    return measuredLines_;
}

QStringList TextEntity::severalLines() const
{
    return measuredLines_ >= 2 ? splitLines(measuredText()) : QStringList();
}

const QString& TextEntity::measuredText() const
{
    static const QString none;
    if (measuredInKey_)
        return layoutKey_.text;
    return measuredApart_ ? *measuredApart_ : none;
}

void TextEntity::setMeasuredText(const QString& measured)
{
    // The key of no layout may be taken over; the layout made next is
    // mostly made for this text.
    if (!layoutValid_ || layoutKey_.text == measured) {
        layoutKey_.text = measured;
        measuredInKey_ = true;
        measuredApart_.reset();
    } else {
        measuredApart_ = std::make_unique<QString>(measured);
        measuredInKey_ = false;
    }
}

void TextEntity::measureLines()
{
    QStringList split = splitLines(text);
    const qsizetype n = split.size();

    placingBox = BoundingBox();
    for (const QString& line : laidOutLines(split)) {
        if (line.isEmpty())
            continue;
        const std::optional<QRectF> ink = inkBounds(font, line);
        if (!ink)
            continue;
        const QPointF d = alignmentOffset(contentAlignment, ink->size());
        const QRectF r(position.x() - d.x(), position.y() - d.y(), ink->width(), ink->height());
        placingBox.addRect(r);
        // One line is drawn where it is placed, its ink from its own origin
        // (blanks before it, descenders): the box, the selection frame and
        // picking hold its glyphs. Several lines add their drawn places below.
        if (n >= 2)
            boundingBox.addTransformedRect(r, netTransform);
        else
            boundingBox.addTransformedRect(lineInk(line), netTransform);
    }

    textTop = n >= 2 ? (double(n) - 0.5) * font.height * 1.5 * 0.5 : 0;
    setMeasuredText(text);
    measuredLines_ = int(n);

    boundingBox.addPoint(netTransform ? netTransform->map(position) : position);
    placingBox.addPoint(position);
}

template <class F>
void TextEntity::forEachLineReference(double bottom, double top, F&& f) const
{
    // The first line's reference lies half the box's height plus 0.7 x the
    // font height above the box's bottom; each entry, empty or not, moves
    // the next one 1.5 x the font height down.
    double y = (top - bottom) / 2 + 0.7 * font.height;
    for (const QString& line : laidOutLines(severalLines())) {
        if (!line.isEmpty())
            f(line, y + bottom);
        y -= 1.5 * font.height;
    }
}

std::optional<TextEntity::PlacedLine> TextEntity::placeLine(const QString& line, double referenceY) const
{
    // The origin is the line's text position: its lower-left corner as the
    // alignment gives it, moved left by a tenth of the font height.
    const std::optional<QRectF> ink = inkBounds(font, line);
    if (!ink)
        return std::nullopt;
    const QPointF d = alignmentOffset(contentAlignment, ink->size());
    const QPointF origin(position.x() - d.x() - font.height / 10, referenceY - d.y());
    if (!finitePoint(origin) || ink->isEmpty()) // blanks only draw nothing
        return std::nullopt;
    return PlacedLine{origin, ink->translated(origin)};
}

void TextEntity::addPlacedLines()
{
    // Lines after the first are drawn below the place they were measured
    // at: picking, culling and the selection frame need all of them.
    if (lineCount() < 2 || !placingBox.valid)
        return;
    forEachLineReference(placingBox.bottomLeft.y(), placingBox.topRight.y(), [this](const QString& line, double y) {
        if (const std::optional<PlacedLine> placed = placeLine(line, y))
            boundingBox.addTransformedRect(placed->ink, netTransform);
    });
}

TextEntity::LayoutKey TextEntity::currentKey() const
{
    LayoutKey key;
    key.multiLine = lineCount() >= 2;
    if (key.multiLine) {
        key.text = measuredText();
        // Drawing happens in the entity's own coordinates, so the lines are
        // placed from the box in those coordinates.
        key.bottom = placingBox.bottomLeft.y();
        key.top = placingBox.topRight.y();
    } else {
        key.text = text;
    }
    key.family = font.familyName;
    key.height = font.height;
    key.bold = font.bold;
    key.italic = font.italic;
    key.alignment = contentAlignment;
    key.position = position;
    return key;
}

bool TextEntity::layoutCurrent() const
{
    // currentKey() == layoutKey_, without copying the texts on every draw.
    if (!layoutValid_)
        return false;
    const LayoutKey& k = layoutKey_;
    const bool multiLine = lineCount() >= 2;
    if (k.multiLine != multiLine)
        return false;
    if (multiLine) {
        if (k.bottom != placingBox.bottomLeft.y() || k.top != placingBox.topRight.y() || k.text != measuredText())
            return false;
    } else if (k.text != text || k.bottom != 0 || k.top != 0) {
        return false;
    }
    return k.height == font.height && k.bold == font.bold && k.italic == font.italic && k.alignment == contentAlignment
        && k.position == position && k.family == font.familyName;
}

QRectF TextEntity::inkOf(const GlyphRun& run) const
{
    // As the line was placed: its ink in the font, moved to the origin.
    return run.shape ? textInkBounds(font, *run.shape).translated(run.origin) : QRectF(run.origin, QSizeF());
}

void TextEntity::releaseCachedGlyphs()
{
    heldElements -= heldElements_;
    heldElements_ = 0;
}

void TextEntity::Runs::push_back(GlyphRun&& run)
{
    if (several_) {
        several_->push_back(std::move(run));
    } else if (!one_.shape) {
        one_ = std::move(run);
    } else {
        several_ = std::make_unique<std::vector<GlyphRun>>();
        several_->push_back(std::move(one_));
        several_->push_back(std::move(run));
        one_ = GlyphRun();
    }
}

void TextEntity::Runs::clear()
{
    several_.reset();
    one_ = GlyphRun();
}

TextEntity::Runs TextEntity::layoutRuns(const LayoutKey& key, bool shape) const
{
    Runs runs;
    // Only when shaping: a default font is the application's, read under a
    // lock that threads measuring side by side would queue on.
    std::optional<QFont> shaping;
    if (shape)
        shaping = shapingFont(font);
    auto addRun = [&](const QString& line, double referenceY) {
        const std::optional<PlacedLine> placed = placeLine(line, referenceY);
        if (!placed)
            return;
        const QPointF origin = placed->origin;
        GlyphRun run;
        if (shape) {
            run.drawn = std::make_unique<GlyphRun::Drawn>();
            run.drawn->shaped = shapeLine(*shaping, line);
        }
        run.shape = textShape(font, line);
        if (!run.shape) // not so for a line that was placed
            return;
        run.origin = origin;
        runs.push_back(std::move(run));
    };

    if (!key.multiLine) {
        if (!text.isEmpty())
            addRun(leftUnits(text, kMaxLaidOutCharacters), position.y());
    } else {
        forEachLineReference(key.bottom, key.top, addRun);
    }
    return runs;
}

void TextEntity::rebuildLayout(const LayoutKey& key, bool shape)
{
    releaseCachedGlyphs();
    runs_ = layoutRuns(key, shape);
    // The measured text stays what it was.
    if (measuredInKey_ && layoutKey_.text != key.text) {
        measuredApart_ = std::make_unique<QString>(layoutKey_.text);
        measuredInKey_ = false;
    }
    layoutKey_ = key;
    if (measuredApart_ && *measuredApart_ == layoutKey_.text) {
        layoutKey_.text = *measuredApart_;
        measuredApart_.reset();
        measuredInKey_ = true;
    }
    layoutValid_ = true;
    layoutShaped_ = shape;

    // A shaped glyph counts like a path element (an index and a position,
    // about the same size).
    qsizetype elements = 0;
    for (const GlyphRun& run : runs_)
        if (run.drawn)
            for (const QGlyphRun& glyphs : run.drawn->shaped)
                elements += glyphs.glyphIndexes().size();
    if (heldElements + elements <= kHeldElementBudget) {
        heldElements_ = int(elements);
        heldElements += elements;
    } else {
        // Over the budget: the runs keep no shaped glyphs.
        runs_ = layoutRuns(key, false);
        layoutShaped_ = false;
    }
}

QPainterPath TextEntity::runOutlines(const GlyphRun& run) const
{
    // The shape is in the units of the kept outlines already.
    return run.shape ? run.shape->outline() : QPainterPath();
}

void TextEntity::updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox)
{
    Entity::updateGeometry(parentTransform, parentBox);
    // Frames drawn in bands on several threads read the layout and do not
    // make it (nor shape glyphs: they fill outlines).
    if (!layoutCurrent())
        rebuildLayout(currentKey(), false);
}

std::span<const TextEntity::GlyphRun> TextEntity::glyphRuns()
{
    // A layout made by the geometry pass has no glyphs shaped yet.
    if (!layoutCurrent() || (useGlyphCache && !layoutShaped_))
        rebuildLayout(currentKey(), useGlyphCache);
    return {runs_.data(), runs_.size()};
}

void TextEntity::draw(Graphics& g) const
{
    Entity::draw(g);
    drawText(g);
}

void TextEntity::drawText(Graphics& g) const
{
    // Whether to draw is the brush's call, even when the layer colour paints.
    if (!isDrawable(brush.color))
        return;
    g.pushTransform(singleLevelTransform);
    const QColor color = g.effectiveColor(brush.color);
    // Drawing changes nothing of the text (frames are drawn in bands on
    // several threads at once): it draws the layout the geometry pass kept,
    // or one made for this draw, from outlines (glyph runs are not safe to
    // draw from other threads).
    Runs madeForThisDraw;
    const bool kept = layoutCurrent();
    if (!kept)
        madeForThisDraw = layoutRuns(currentKey(), false);
    const Runs& runs = kept ? runs_ : madeForThisDraw;
    if (!runs.empty()) {
        const double pixels = font.pointSize() * deviceScale(g.context.transform());
        const double unit = runUnit();
        if (!g.picking && pixels < glyphThresholdPixels) {
            // Too small to read: the ink boxes, faint. A rectangle fill is
            // several times cheaper than a path.
            QColor faint = color;
            faint.setAlphaF(color.alphaF() * kBlurAlpha);
            for (const GlyphRun& run : runs)
                g.fillRect(inkOf(run), faint);
        } else {
            const QBrush fill(color);
            for (const GlyphRun& run : runs) {
                // Small on the device: filled straight into the image, from
                // the shared glyph outlines as they are. Else placed by the
                // run's own transform; the context's state is left as it was.
                if (!run.shape || !g.fillSmallGlyphs(*run.shape, run.placement(unit), color))
                    g.context.fillUserPath(runOutlines(run), fill, Qt::WindingFill, run.placement(unit));
            }
        }
    }
    g.popTransform(singleLevelTransform);
}

QString TextEntity::typeName() const
{
    // A text too long for the status line is cut like one of several lines.
    const qsizetype lf = text.indexOf(QLatin1Char('\n'));
    if (lf < 0 && text.size() <= kMaxLaidOutCharacters)
        return QStringLiteral("Text \"") + text + QLatin1Char('"');
    QString first = leftUnits(lf < 0 ? text : text.left(lf), kMaxLaidOutCharacters);
    first.remove(QLatin1Char('\r'));
    return QStringLiteral("Text \"") + first + QStringLiteral("\" ...");
}

QWidget* TextEntity::editorView(const std::shared_ptr<Entity>& self)
{
    return new TextEditor(std::static_pointer_cast<TextEntity>(self));
}
