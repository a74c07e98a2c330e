#include "entities/schematic/PinName.h"

#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/TextMetrics.h"
#include "entities/schematic/SymbolTerminal.h"
#include "entities/schematic/SymbolTexts.h"

#include <QTextBoundaryFinder>

bool hasOverstrikeMarks(const QString& text)
{
    return text.contains(kOverlineOpenMark) || text.contains(kOverlineCloseMark);
}

QString withoutOverstrikeMarks(const QString& text)
{
    QString shown = text;
    shown.remove(kOverlineOpenMark);
    shown.remove(kOverlineCloseMark);
    return shown;
}

TextWithOverstrikes parseOverstrikeText(const Font& font, const QString& text)
{
    TextWithOverstrikes result;
    result.formatFreeText = withoutOverstrikeMarks(text);
    if (text.isEmpty())
        return result;
    const std::vector<CharacterOffset> r = characterOffsets(font, result.formatFreeText);
    const size_t n = r.size();
    // The right edge of the first k shown characters. A mark may share a
    // cluster with a combining character, so k is not trusted to stay
    // within the measured characters: nothing past them is read.
    auto edgeAfter = [&](size_t k) { return k < n ? r[k].start : (n > 0 ? r[n - 1].end : 0.0); };

    bool open = false;
    double start = 0;
    size_t k = 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype from = 0;
    for (qsizetype to = finder.toNextBoundary(); to > 0; to = finder.toNextBoundary()) {
        const QStringView cluster = QStringView(text).mid(from, to - from);
        from = to;
        if (cluster.size() == 1 && cluster.front() == kOverlineOpenMark) {
            // With no shown character after it there is no left edge to
            // start from: such a mark opens nothing.
            if (!open && k < n) {
                start = r[k].start;
                open = true;
            }
        } else if (cluster.size() == 1 && cluster.front() == kOverlineCloseMark) {
            if (open) {
                result.overstrikes.push_back({start, edgeAfter(k)});
                open = false;
            }
        } else {
            ++k;
        }
    }
    if (open)
        result.overstrikes.push_back({start, edgeAfter(n)});
    return result;
}

void SymbolTerminal::layoutTerminalName()
{
    if (nameHidden())
        return;
    const QString laidOut = shownPart(name);
    if (hasOverstrikeMarks(laidOut))
        textWithOverstrikes = parseOverstrikeText(nameFont, laidOut);
    else
        textWithOverstrikes.reset();

    const QPointF p = placementPoint + nameTextOffset;
    const QString shown = withoutOverstrikeMarks(laidOut);
    const QSizeF size = textSize(nameFont, shown.isEmpty() ? QStringLiteral("O") : shown);
    const double w = size.width(), h = size.height();
    const double gap = kNameGap;

    BoundingBox box;
    switch (terminalOrientation) {
    case TerminalOrientation::right:
        box.addPoint(QPointF(p.x() - gap, p.y() - h / 2));
        box.addPoint(QPointF(p.x() - gap - w, p.y() + h));
        break;
    case TerminalOrientation::left:
    case TerminalOrientation::any:
        box.addPoint(QPointF(p.x() + gap, p.y() - h / 2));
        box.addPoint(QPointF(p.x() + gap + w, p.y() + h));
        break;
    case TerminalOrientation::bottom:
        box.addPoint(QPointF(p.x() - h / 2, p.y() + gap));
        box.addPoint(QPointF(p.x() + h / 2, p.y() + gap + w));
        break;
    case TerminalOrientation::top:
        box.addPoint(QPointF(p.x() - h / 2, p.y() - gap));
        box.addPoint(QPointF(p.x() + h / 2, p.y() - gap - w));
        break;
    }
    nameModelSpaceBoundingBox = box;
}

void SymbolTerminal::drawTerminalName(Graphics& g) const
{
    if (!nameModelSpaceBoundingBox || name.isEmpty() || nameHidden())
        return;
    const BoundingBox& box = *nameModelSpaceBoundingBox;
    if (!box.valid)
        return;
    const QPointF c = box.center();
    std::optional<QTransform> turn;
    if (vertical) {
        // A quarter turn about the name's centre: translate by c, rotate,
        // translate back (the first step applied to points comes first here).
        turn = QTransform::fromTranslate(-c.x(), -c.y()) * QTransform().rotate(90) * QTransform::fromTranslate(c.x(), c.y());
        g.pushTransform(turn);
    }

    const QString text = textWithOverstrikes ? textWithOverstrikes->formatFreeText : withoutOverstrikeMarks(shownPart(name));
    const QColor color = fillBrush.color;
    g.drawText(text, nameFont, color, c.x(), c.y());

    if (textWithOverstrikes && !textWithOverstrikes->overstrikes.empty() && isDrawable(color)) {
        const double h = nameFont.height;
        const Pen overline(color, h / 10);
        const double y = c.y() + 0.7 * h;
        const QPointF p = placementPoint + nameTextOffset;
        double x0 = p.x() + kNameGap;
        switch (terminalOrientation) {
        case TerminalOrientation::right: x0 = p.x() - kNameGap - box.width(); break;
        case TerminalOrientation::left:
        case TerminalOrientation::any: x0 = p.x() + kNameGap; break;
        case TerminalOrientation::top:
        case TerminalOrientation::bottom: x0 = p.x() - box.height() / 2; break;
        }
        for (const Overstrike& o : textWithOverstrikes->overstrikes) {
            g.applyPen(overline);
            g.context.beginPath();
            g.context.moveTo(QPointF(x0 + o.start, y));
            g.context.lineTo(QPointF(x0 + o.end, y));
            g.context.strokePath();
        }
    }
    g.popTransform(turn);
}
