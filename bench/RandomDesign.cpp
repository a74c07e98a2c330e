#include "RandomDesign.h"

#include "Generator.h"

#include "core/Geometry.h"
#include "core/Gzip.h"
#include "document/GraphicsSheet.h"
#include "model/Entity.h"
#include "model/EntityList.h"

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointF>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <numeric>
#include <utility>
#include <vector>
#include <random>

namespace {


class Builder {
public:
    explicit Builder(uint64_t seed, unsigned features = 0) : rng_(seed), seed_(seed), features_(features) {}

    RandomDesign design()
    {
        RandomDesign d;
        design_ = &d;
        QByteArray& s = d.xml;
        s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<brindlex version=\"12\" designVersion=\"3\">\n<design name=\"Random\">\n<sheets>\n";
        gradient_ = false;
        schematicSheet(s);
        d.schematicGradients = gradient_;
        s += "</sheets>\n";
        gradient_ = false;
        pcbSheet(s);
        d.pcbGradients = gradient_;
        s += "</design>\n</brindlex>\n";
        return d;
    }

private:
    // --- randomness ---
    double real(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng_); }
    // Spread evenly over the orders of magnitude between a and b (both > 0).
    double scaleBetween(double a, double b) { return std::exp(real(std::log(a), std::log(b))); }
    int integer(int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng_); }
    bool chance(double p) { return real(0, 1) < p; }
    const char* pick(std::initializer_list<const char*> words) { return words.begin()[integer(0, int(words.size()) - 1)]; }

    // --- text ---
    static QByteArray num(double v) { return QByteArray::number(v, 'g', 6); }
    static QByteArray pt(double x, double y) { return num(x) + ',' + num(y); }
    static QByteArray pt(QPointF p) { return pt(p.x(), p.y()); }
    static QByteArray attr(const char* name, const QByteArray& value) { return QByteArray(" ") + name + "=\"" + value + '"'; }
    static QByteArray attr(const char* name, double value) { return attr(name, num(value)); }
    static QByteArray flag(const char* name, bool value) { return attr(name, value ? "true" : "false"); }
    // A point of the entity's own area (around its origin).
    QPointF point(double span) { return QPointF(real(-span, span), real(-span, span)); }

    QByteArray color(bool translucent = true)
    {
        const int a = !translucent || chance(0.7) ? 255 : integer(0, 255);
        return QByteArray::number(a) + ',' + QByteArray::number(integer(0, 255)) + ',' + QByteArray::number(integer(0, 255)) + ','
            + QByteArray::number(integer(0, 255));
    }

    // A pen from a hairline to far wider than the geometry of `size`.
    QByteArray pen(double size)
    {
        double width;
        const double r = real(0, 1);
        if (r < 0.08)
            width = 0;
        else if (r < 0.3)
            width = scaleBetween(0.0002, 0.003);
        else if (r < 0.85)
            width = scaleBetween(0.003, 0.08);
        else
            width = std::min(3.0, size * scaleBetween(0.3, 6));
        QByteArray s = attr("penWidth", width) + attr("penColor", color());
        if (chance(0.6))
            s += attr("startCap", pick({"flat", "square", "round", "arrowAnchor", "diamondAnchor", "roundAnchor", "squareAnchor"}));
        if (chance(0.6))
            s += attr("endCap", pick({"flat", "square", "round", "arrowAnchor", "diamondAnchor", "roundAnchor", "squareAnchor"}));
        if (chance(0.5))
            s += attr("lineJoin", pick({"bevel", "miter", "miterClipped", "round"}));
        if (chance(0.4))
            s += attr("linePattern", pick({"solid", "dot", "dash", "dashDot", "dashDotDot"}));
        return s;
    }

    // withCenter: the radial centre, for elements whose own "center" is not
    // the geometry's.
    QByteArray brush(bool fillLikely = true, bool withCenter = true)
    {
        if (!fillLikely && chance(0.5))
            return attr("brushColor", "0,0,0,0");
        QByteArray s = attr("brushColor", color());
        const double r = real(0, 1);
        if (r < 0.3) {
            s += attr("brushType", pick({"gradient", "radial", "centerGradient"})) + attr("secondColor", color());
            s += flag("vertical", chance(0.5));
            if (withCenter && chance(0.5))
                s += attr("center", pt(real(-0.2, 1.2), real(-0.2, 1.2)));
            gradient_ = true;
        } else if (r < 0.4)
            s += attr("brushType", "hatch");
        return s;
    }

    QByteArray font()
    {
        QByteArray s = attr("height", chance(0.05) ? 0.0 : scaleBetween(0.02, 0.4));
        if (chance(0.5))
            s += attr("familyName", pick({"Arial", "Liberation Serif", "DejaVu Sans Mono", "Liberation Sans"}));
        if (chance(0.4))
            s += flag("bold", true);
        if (chance(0.4))
            s += flag("italic", true);
        if (chance(0.1))
            s += flag("underline", true);
        return s;
    }

    // Texts with blanks before and after, descenders, and more lines.
    QByteArray words()
    {
        static const char* const parts[] = {"Qg", "jpy", "Ag", "  lead", "trail  ", "W_|", "(q)", "R1", "gyp ", " ", "Mj"};
        QByteArray s;
        const int lines = chance(0.3) ? integer(2, 4) : 1;
        for (int l = 0; l < lines; ++l) {
            if (l > 0)
                s += "&#13;&#10;";
            for (int k = integer(1, 3); k > 0; --k)
                s += parts[integer(0, int(std::size(parts)) - 1)];
        }
        return s;
    }

    QByteArray textAttributes()
    {
        QByteArray s = attr("text", words()) + font() + attr("brushColor", color(false));
        if (chance(0.7))
            s += attr("alignment", pick({"bottomCenter", "bottomLeft", "bottomRight", "middleCenter", "middleLeft", "middleRight",
                                         "topCenter", "topLeft", "topRight"}));
        if (chance(0.3))
            s += attr("stringAlignment", pick({"center", "far", "near"}));
        if (chance(0.2))
            s += flag("rotateInParts", chance(0.5));
        return s;
    }

    // The placement: none, a move, or a move with a rotation, mirror, shear,
    // uneven scale or a near-singular matrix.
    QByteArray placement(QPointF at)
    {
        double m11 = 1, m12 = 0, m21 = 0, m22 = 1;
        const double r = real(0, 1);
        const double a = chance(0.5) ? integer(0, 3) * M_PI / 2 : real(0, 2 * M_PI);
        const double c = std::cos(a), s = std::sin(a);
        if (r < 0.45) {
        } else if (r < 0.6) {
            m11 = c, m12 = s, m21 = -s, m22 = c;
        } else if (r < 0.7) {
            m11 = -c, m12 = -s, m21 = -s, m22 = c; // mirrored
        } else if (r < 0.8) {
            m11 = 1, m12 = real(-1.5, 1.5), m21 = chance(0.5) ? real(-1, 1) : 0, m22 = 1; // sheared
        } else if (r < 0.9) {
            const double sx = scaleBetween(0.1, 4), sy = scaleBetween(0.1, 4);
            m11 = sx * c, m12 = sx * s, m21 = -sy * s, m22 = sy * c;
        } else {
            // Rows nearly parallel: the determinant is tiny against the
            // matrix, or one axis is squashed nearly flat.
            if (chance(0.5)) {
                const double k = real(0.3, 2), e = scaleBetween(1e-4, 1e-2);
                m11 = c, m12 = s, m21 = c * k, m22 = s * k + e;
            } else {
                m11 = c, m12 = s, m21 = -s * scaleBetween(1e-4, 1e-2), m22 = c * scaleBetween(1e-4, 1e-2);
            }
        }
        QByteArray out;
        if (m11 != 1 || m12 != 0 || m21 != 0 || m22 != 1)
            out = attr("m11", m11) + attr("m12", m12) + attr("m21", m21) + attr("m22", m22);
        return out + attr("dx", at.x()) + attr("dy", at.y());
    }

    // A small PNG of random pixels as the file holds it: gzip, then base64.
    QByteArray pixels()
    {
        QImage image(integer(1, 6), integer(1, 6), chance(0.5) ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgba(integer(0, 255), integer(0, 255), integer(0, 255), chance(0.8) ? 255 : integer(0, 255)));
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return "<pixels size=\"" + QByteArray::number(png.size()) + "\">" + gzipDeflate(png).toBase64() + "</pixels>";
    }

    QByteArray vertices(int n, double span, bool arcs)
    {
        QByteArray s;
        for (int i = 0; i < n; ++i) {
            s += "<vertex" + attr("at", pt(point(span)));
            // An arc from the vertex before, about a centre anywhere (mostly
            // not as far from one end as from the other).
            if (arcs && i > 0 && chance(0.4)) {
                s += flag("arc", true) + attr("center", pt(point(span)));
                if (chance(0.4))
                    s += flag("reverse", true);
            }
            s += "/>";
        }
        return s;
    }

    QByteArray pointList(int n, double span)
    {
        QByteArray s;
        for (int i = 0; i < n; ++i)
            s += (i ? " " : "") + pt(point(span));
        return s;
    }

    QByteArray bezier(double span, bool closedLikely)
    {
        const int n = integer(2, 7);
        const char* style = pick({"straight", "smooth", "smooth", "controlled"});
        QByteArray s = attr("style", style) + flag("closed", chance(closedLikely ? 0.8 : 0.3)) + attr("points", pointList(n, span));
        if (chance(0.4))
            s += attr("tension", real(0, 3));
        if (std::strcmp(style, "controlled") == 0) {
            s += attr("leftControls", pointList(n, span));
            s += attr("rightControls", pointList(n, span));
        }
        return s;
    }

    // The attributes of a closed-curve outline (borders, pours, keep-outs,
    // cutouts, pads), smooth curves among them.
    QByteArray closedCurve(double span)
    {
        const double w = scaleBetween(0.05, 2 * span), h = scaleBetween(0.05, 2 * span);
        QByteArray s = attr("x", -w / 2) + attr("y", -h / 2) + attr("width", w) + attr("height", h);
        const char* type = pick({"rectangle", "ellipse", "curve", "curve"});
        s += attr("curveType", type);
        if (chance(0.4))
            s += attr("roundness", real(0, 1.2));
        if (chance(0.2))
            s += attr("roundedSide", pick({"all", "top", "bottom", "left", "right"}));
        if (std::strcmp(type, "curve") == 0)
            s += bezier(span, true);
        return s;
    }

    QByteArray common(int layer = -1)
    {
        QByteArray s;
        if (layer >= 0)
            s += attr("layer", QByteArray::number(layer));
        if (chance(0.05))
            s += flag("userCannotSelect", true);
        return s;
    }

    // Mostly the visible layers, now and then a hidden one.
    int boardLayer() { return std::atoi(pick({"0", "1", "2", "3", "3", "4", "5", "5", "6", "6", "8", "11"})); }

    // --- entities either sheet holds ---
    void drawingEntity(QByteArray& s, bool pcb, int depth, double span)
    {
        const QPointF at = depth == 0 ? QPointF(real(0, 6), real(0, 4)) : point(span);
        const QByteArray place = placement(at);
        const QByteArray c = common(pcb ? boardLayer() : -1);
        const double size = scaleBetween(0.03, span);
        switch (integer(0, 21)) {
        case 0:
            s += "<line" + c + place + attr("start", pt(point(size))) + attr("end", pt(point(size))) + pen(size) + "/>";
            break;
        case 1: {
            const double w = real(-0.2, 1) * size * 2, h = real(-0.2, 1) * size * 2;
            s += "<rectangle" + c + place + attr("x", -w / 2) + attr("y", -h / 2) + attr("width", w) + attr("height", h)
                + (chance(0.5) ? attr("roundness", real(0, 1.5)) : QByteArray()) + pen(size) + brush() + "/>";
            break;
        }
        case 2:
            s += "<ellipse" + c + place + attr("x", -size) + attr("y", -size / 2) + attr("width", 2 * size * real(0.05, 1))
                + attr("height", size * real(0.05, 1)) + pen(size) + brush() + "/>";
            break;
        case 3:
            s += "<arc" + c + place + attr("center", pt(point(size / 4))) + attr("radius", pt(size * real(0.05, 1), size * real(0.05, 1)))
                + attr("startAngle", real(-360, 360)) + attr("endAngle", real(-360, 360)) + pen(size) + brush(false, false) + "/>";
            break;
        case 4:
        case 5: {
            const char* name = pick({"polyline", "polyLine", "polygon", "polyShape", "polyLineOpen", "polyShapeOpen"});
            s += QByteArray("<") + name + c + place + (chance(0.7) ? flag("closed", chance(0.5)) : QByteArray()) + pen(size)
                + brush(false) + ">" + vertices(integer(2, 7), size, true) + "</" + name + ">";
            break;
        }
        case 6:
            s += "<curve" + c + place + bezier(size, false) + pen(size) + brush(false) + "/>";
            break;
        case 7: {
            // Filled, never stroked.
            s += "<shape" + c + place + brush() + pen(size) + ">";
            for (int i = integer(0, 4); i > 0; --i)
                s += "<point" + attr("at", pt(point(size))) + attr("type", QByteArray::number(integer(0, 3))) + "/>";
            if (chance(0.7)) {
                s += "<graphicsPath>";
                for (int i = integer(1, 5); i > 0; --i)
                    s += "<point" + attr("at", pt(point(size))) + "/>";
                s += "</graphicsPath>";
            }
            s += "</shape>";
            break;
        }
        case 8:
        case 9:
            s += "<text" + c + place + textAttributes() + attr("at", pt(point(size / 4))) + "/>";
            break;
        case 10:
            s += "<noteBox" + c + place + textAttributes() + attr("at", pt(point(size / 4))) + attr("boxLeft", -size)
                + attr("boxBase", -size / 2) + attr("boxWidth", 2 * size * real(0.1, 1)) + attr("boxHeight", size * real(0.1, 1))
                + attr("roundness", real(0, 0.5)) + pen(size) + "/>";
            break;
        case 11:
            s += "<dimension" + c + place + attr("start", pt(point(size))) + attr("end", pt(point(size)))
                + attr("marker", pick({"none", "line", "arrow", "box"})) + attr("style", pick({"angled", "horizontal", "vertical"}))
                + attr("offset", real(-size, size)) + flag("textOnTop", chance(0.5)) + flag("reverse", chance(0.3))
                + flag("displayText", chance(0.8)) + (chance(0.3) ? attr("prefix", " R") : QByteArray())
                + (chance(0.3) ? attr("textOffsetX", real(-0.2, 0.2)) + attr("textOffsetY", real(-0.2, 0.2)) : QByteArray())
                + font() + pen(size) + "/>";
            break;
        case 12:
            s += "<image" + c + place + attr("x", -size) + attr("y", -size / 2) + attr("width", 2 * size * real(-0.2, 1))
                + attr("height", size * real(0.1, 1)) + flag("rotateInParts", chance(0.5)) + ">" + pixels() + "</image>";
            break;
        case 13:
        case 14:
            if (depth < 3) {
                const char* name = chance(0.8) ? "group" : "marker";
                s += QByteArray("<") + name + c + place + "><entities>";
                for (int i = integer(1, 4); i > 0; --i)
                    anyEntity(s, pcb, depth + 1, span / 2);
                s += QByteArray("</entities></") + name + ">";
            }
            break;
        case 15:
            switch (integer(0, 4)) {
            case 0:
                s += "<horizontalGuide" + c + attr("at", real(0, 4)) + "/>";
                break;
            case 1:
                s += "<verticalGuide" + c + attr("at", real(0, 6)) + "/>";
                break;
            case 2:
                s += "<angledGuide" + c + place + attr("start", pt(point(size))) + attr("end", pt(point(size))) + pen(size) + "/>";
                break;
            case 3:
                s += "<pointGuide" + c + place + attr("at", pt(point(size))) + pen(size) + "/>";
                break;
            default:
                s += "<origin" + c + place + "/>";
            }
            break;
        case 16:
            s += "<coordinate" + c + place + attr("at", pt(point(size))) + "><font" + font() + "/><textBrush" + attr("brushColor", color())
                + "/></coordinate>";
            break;
        case 17:
            s += "<pushButton" + c + place + textAttributes() + attr("at", pt(point(size / 4))) + attr("boxLeft", -size)
                + attr("boxBase", -size / 2) + attr("boxWidth", size) + attr("boxHeight", size / 2) + attr("roundness", real(0, 0.5))
                + flag("enabled", chance(0.5)) + flag("buttonDown", chance(0.3)) + pen(size) + "><fillBrush" + brush() + "/></pushButton>";
            break;
        case 18:
            s += "<controlRectangle" + c + place + attr("x", -size) + attr("y", -size / 2) + attr("width", size) + attr("height", size / 2)
                + flag("enabled", chance(0.5)) + pen(size) + brush() + "/>";
            break;
        case 19:
            s += "<dial" + c + place + attr("x", -size / 2) + attr("y", -size / 2) + attr("width", size) + attr("height", size)
                + attr("holeDiameter", real(0, 90)) + flag("elliptical", chance(0.5)) + pen(size) + "><fillBrush" + brush() + "/></dial>";
            break;
        case 20:
            s += "<graphHolder" + c + place + attr("x", -size / 2) + attr("y", -size / 2) + attr("width", size) + attr("height", size)
                + pen(size) + "/>";
            s += "<slider" + c + placement(point(span)) + attr("x", -size / 2) + attr("y", -size / 8) + attr("width", size)
                + attr("height", size / 4) + pen(size) + "><fillBrush" + brush() + "/></slider>";
            break;
        default:
            s += "<text" + c + place + textAttributes() + "/>";
        }
    }

    void anyEntity(QByteArray& s, bool pcb, int depth, double span)
    {
        // Now and then an element of the other sheet: the reader takes any
        // element anywhere.
        if (chance(0.04))
            pcb = !pcb;
        if (chance(0.55))
            drawingEntity(s, pcb, depth, span);
        else if (pcb)
            boardEntity(s, depth, span);
        else
            schematicEntity(s, depth, span);
    }

    // --- the board ---
    QByteArray pad(int id, double size)
    {
        QByteArray s = "<pad" + attr("id", QByteArray::number(id)) + attr("name", QByteArray::number(id % 10))
            + attr("layer", chance(0.7) ? "5" : "6") + attr("at", pt(point(size * 2))) + attr("brushColor", color(false))
            + attr("penWidth", chance(0.7) ? 0.0 : scaleBetween(0.001, 0.05)) + attr("penColor", color());
        const double d = scaleBetween(0.01, size);
        if (chance(0.5)) {
            s += attr("diameter", d) + flag("smt", false) + attr("holeDiameter", d * real(0, 0.8)) + attr("curveType", "ellipse");
        } else {
            s += attr("size", pt(d, d * real(0.3, 2))) + flag("smt", true) + attr("curveType", pick({"rectangle", "ellipse"}))
                + (chance(0.5) ? attr("roundness", real(0, 1)) : QByteArray());
            if (chance(0.2))
                s += attr("holeSize", pt(d / 3, d / 4));
        }
        if (chance(0.3))
            s += placement(point(size));
        return s + "/>";
    }

    QByteArray footprintTexts(double size)
    {
        QByteArray s;
        s += "<" + QByteArray(pick({"footprintId", "FootprintId", "jumperId"})) + attr("layer", chance(0.8) ? "3" : "8")
            + textAttributes() + attr("at", pt(point(size))) + flag("visibleInPcb", chance(0.85)) + "/>";
        if (chance(0.6))
            s += "<footprintPartValue" + attr("layer", "3") + textAttributes() + attr("at", pt(point(size)))
                + flag("showInPcb", chance(0.85)) + "/>";
        return s;
    }

    QByteArray silkscreen(double size)
    {
        const double w = scaleBetween(0.01, size * 2), h = chance(0.15) ? 0.0 : scaleBetween(0.01, size * 2);
        return "<silkscreen" + attr("layer", chance(0.8) ? "3" : "8") + attr("x", -w / 2) + attr("y", -h / 2) + attr("width", w)
            + attr("height", h) + pen(size)
            + attr("shape", pick({"rectangle", "roundedRectangle", "panasonic", "round", "rectangleCorners", "none"}))
            + attr("notchOnRight", pick({"left", "right", "top", "bottom"})) + attr("cornerSize", pt(w * real(0, 0.5), h * real(0, 0.5)))
            + attr("lockedTo", "none") + flag("visibleInPcb", true) + "/>";
    }

    void boardEntity(QByteArray& s, int depth, double span)
    {
        const QPointF at = depth == 0 ? QPointF(real(0, 6), real(0, 4)) : point(span);
        const double size = scaleBetween(0.03, span);
        switch (integer(0, 18)) {
        case 0:
        case 1: {
            const bool parametric = chance(0.35);
            const char* name = parametric
                ? pick({"chipFootprint", "soicFootprint", "dipFootprint", "SOT23Footprint", "qfpFootprint", "fourSided", "to220Footprint",
                        "radialFootprint", "axialFootprint", "maleHeaderFootprint", "femaleHeaderFootprint", "ledFootprint",
                        "bgaFootprint", "melfFootprint", "TO92Footprint", "to92Footprint", "sod323", "spiralInductorFootprint",
                        "spiralAntennaFootprint", "blockFootprint", "boxedSocketFootprint", "castellatedPcb", "crystalFootprint",
                        "discFootprint", "edgeConnectorFootprint", "genericFootprint", "metalCanFootprint", "SOT143Footprint",
                        "SOT223Footprint", "SOT353Footprint", "SOT89Footprint", "to252Footprint", "to66Footprint",
                        "xhSocketFootprint"})
                : "footprint";
            s += QByteArray("<") + name + attr("identifier", "U" + QByteArray::number(integer(1, 99))) + placement(at)
                + flag("onTopLayer", chance(0.8));
            if (parametric)
                s += attr("padSize", pt(scaleBetween(0.02, 0.1), scaleBetween(0.02, 0.1))) + attr("holeDiameter", real(0, 0.04))
                    + (chance(0.5) ? attr("pitch", pt(real(0.02, 0.2), real(0.05, 0.4))) : QByteArray())
                    + (chance(0.5) ? attr("rows", QByteArray::number(integer(1, 6))) : QByteArray());
            s += "><entities>";
            for (int i = integer(1, 4); i > 0; --i)
                s += pad(integer(1, 999), size / 2);
            if (chance(0.7))
                s += silkscreen(size / 2);
            s += footprintTexts(size / 2);
            if (chance(0.3))
                s += "<courtyard" + attr("layer", "1") + attr("x", -size / 2) + attr("y", -size / 3) + attr("width", size)
                    + attr("height", size / 1.5) + attr("autosize", "false") + attr("margin", real(0, 0.05)) + pen(size) + "/>";
            if (chance(0.3))
                s += "<placementPoint" + attr("layer", "1") + attr("location", pt(point(size / 2))) + "/>";
            if (chance(0.3))
                drawingEntity(s, true, depth + 1, size / 2);
            if (chance(0.2))
                s += "<box" + attr("layer", "1") + attr("center", "0,0,0.02") + attr("size", "0.3,0.3,0.04") + "/><cylinder"
                    + attr("layer", "1") + attr("center", "0,0,0.05") + attr("size", "0.1,0.1,0.02") + "/><cone" + attr("layer", "1")
                    + attr("center", "0,0,0.08") + attr("size", "0.1,0.1,0.05") + "/><sphere" + attr("layer", "1")
                    + attr("center", "0,0,0.1") + attr("radius", "0.05") + "/><torus" + attr("layer", "1") + attr("center", "0,0,0.1")
                    + attr("radius", "0.05") + "/><model3D" + attr("layer", "1") + attr("mesh", "SOIC-8") + "/>";
            if (chance(0.3) && depth < 2) {
                s += "<group" + placement(point(size / 2)) + "><entities>";
                s += pad(integer(1, 999), size / 2);
                if (chance(0.5))
                    drawingEntity(s, true, depth + 2, size / 2);
                s += "</entities></group>";
            }
            s += QByteArray("</entities></") + name + ">";
            break;
        }
        case 2:
            s += pad(integer(1, 999), size);
            break;
        case 3:
            s += "<via" + attr("at", pt(at)) + attr("diameter", scaleBetween(0.005, 0.2)) + attr("holeDiameter", scaleBetween(0.002, 0.1))
                + attr("topLayerIndex", "5") + attr("bottomLayerIndex", "6") + "/>";
            break;
        case 4: {
            s += "<net" + attr("identifier", "N" + QByteArray::number(integer(1, 50))) + attr("width", scaleBetween(0.001, size))
                + (chance(0.3) ? placement(at) : QByteArray()) + "><entities>";
            const QPointF o = chance(0.3) ? QPointF() : at;
            for (int t = integer(1, 2); t > 0; --t) {
                s += "<track" + attr("layer", chance(0.5) ? "5" : "6") + "><vertices>";
                for (int i = integer(2, 6); i > 0; --i)
                    s += "<vertex" + attr("at", pt(o + point(size))) + "/>";
                s += "</vertices></track>";
            }
            if (chance(0.5))
                s += "<via" + attr("at", pt(o + point(size))) + attr("diameter", scaleBetween(0.01, 0.1)) + attr("holeDiameter", 0.01) + "/>";
            if (chance(0.3))
                s += "<trackJunction" + attr("at", pt(o + point(size))) + attr("diameter", 0.03) + "/>";
            if (chance(0.2))
                s += "<pairController/>";
            s += "</entities></net>";
            break;
        }
        case 5:
        case 6: {
            const char* name = pick({"copperPour", "splitPowerPlane", "keepOut", "pcbCutout"});
            s += QByteArray("<") + name + attr("layer", pick({"5", "6", "3"})) + placement(at) + closedCurve(size) + pen(size) + brush();
            if (std::strcmp(name, "copperPour") == 0 && chance(0.7)) {
                s += "><fill><polygon>" + vertices(integer(3, 7), size, false) + "</polygon>";
                if (chance(0.5))
                    s += "<polygon isHole=\"true\">" + vertices(integer(3, 5), size / 2, false) + "</polygon>";
                s += QByteArray("</fill></") + name + ">";
            } else
                s += "/>";
            break;
        }
        case 7:
            s += "<pcbCutoutCurve" + attr("layer", "5") + placement(at) + bezier(size, true) + pen(size) + brush() + "/>";
            break;
        case 8:
            s += "<pcbCutoutPolyLine" + attr("layer", "5") + placement(at) + flag("closed", chance(0.6)) + pen(size) + brush() + ">"
                + vertices(integer(2, 6), size, true) + "</pcbCutoutPolyLine>";
            break;
        case 9:
            s += "<pcbCutoutArc" + attr("layer", "5") + placement(at) + attr("center", pt(point(size / 4)))
                + attr("radius", pt(size * real(0.05, 1), size * real(0.05, 1))) + attr("startAngle", real(-360, 360))
                + attr("endAngle", real(-360, 360)) + pen(size) + "/>";
            break;
        case 10:
            s += silkscreen(size);
            break;
        case 11:
            s += footprintTexts(size);
            break;
        case 12:
            s += "<fiducial" + attr("layer", "5") + attr("at", pt(at)) + attr("holeDiameter", scaleBetween(0.005, 0.1))
                + attr("outerDiameter", scaleBetween(0.02, 0.3)) + attr("name", "FID") + flag("twoSided", chance(0.5)) + "/>";
            s += "<gerberFlash" + attr("layer", "5") + attr("modelSpacePosition", pt(QPointF(real(0, 6), real(0, 4)))) + attr("name", "F")
                + flag("round", chance(0.5)) + attr("size", pt(size / 3, size / 4)) + "/>";
            break;
        case 13:
            s += "<noMask" + attr("layer", "5") + placement(at) + closedCurve(size) + pen(size) + brush() + "/>";
            break;
        case 14:
            s += "<mouseBite" + attr("layer", "5") + attr("at", pt(at)) + attr("numberOfHoles", "3") + attr("holeDiameter", 0.02)
                + attr("holeSpacing", 0.03) + "><entities><mouseBiteHole" + attr("at", pt(at + QPointF(-0.03, 0)))
                + attr("holeDiameter", 0.02) + "/><mouseBiteHole" + attr("at", pt(at)) + attr("holeDiameter", 0.02)
                + "/></entities></mouseBite>";
            s += "<pcbHole" + attr("at", pt(at + point(0.3))) + attr("holeDiameter", scaleBetween(0.01, 0.3)) + "/>";
            break;
        case 15:
            s += "<vCut" + attr("layer", "5") + attr("start", pt(at)) + attr("end", pt(at + point(size))) + "/>";
            s += "<pcbError" + attr("group", "Clearance") + attr("error", "Pad to pad") + attr("diameter", scaleBetween(0.01, 0.2))
                + attr("location", pt(at)) + "><path><point at=\"" + pt(at) + "\" type=\"0\"/><point at=\"" + pt(at + point(size))
                + "\" type=\"1\"/></path></pcbError>";
            break;
        case 16:
            s += "<externalProjectFootprint" + attr("sourceProjectName", "Power") + placement(at) + "/>";
            if (chance(0.5))
                s += "<courtyard" + attr("layer", "1") + placement(at) + attr("x", -size / 2) + attr("y", -size / 3) + attr("width", size)
                    + attr("height", size / 1.5) + attr("autosize", "false") + pen(size) + "/><placementPoint" + attr("layer", "1")
                    + attr("location", pt(at)) + "/>";
            break;
        default:
            drawingEntity(s, true, depth, span);
        }
    }

    void pcbSheet(QByteArray& s)
    {
        s += "<pcb name=\"Board\"><settings" + flag("showPage", chance(0.2)) + flag("showGrid", chance(0.2))
            + flag("showOrigin", chance(0.2)) + flag("showCopperPours", chance(0.9)) + flag("showKeepOuts", chance(0.9))
            + flag("showPadNames", chance(0.8)) + flag("showCourtyards", chance(0.3)) + flag("showPlacementPoints", chance(0.3))
            + flag("showPadsAsSolidYellow", chance(0.1)) + attr("solderMaskMargin", real(-0.01, 0.02)) + "/>\n<layers>";
        s += boardLayersXml(true).toUtf8();
        s += "</layers>\n<entities>\n";
        // The border: a rectangle, rounded, an ellipse or a smooth outline.
        if (chance(0.85)) {
            s += "<pcbBorder" + closedCurve(3) + attr("dx", 3) + attr("dy", 2) + attr("penWidth", scaleBetween(0.001, 0.1))
                + attr("penColor", color()) + attr("color", color(false)) + attr("solderMaskColor", "64,0,255,0");
            if (chance(0.4))
                s += "><entities><pcbHole" + attr("at", pt(point(1))) + attr("holeDiameter", scaleBetween(0.01, 0.3))
                    + "/></entities></pcbBorder>\n";
            else
                s += "/>\n";
        }
        std::vector<qsizetype> places{s.size()};
        for (int i = integer(6, 24); i > 0; --i) {
            anyEntity(s, true, 0, 1.2);
            s += '\n';
            places.push_back(s.size());
        }
        features(s, true, places);
        s += "</entities>\n</pcb>\n";
    }

    // --- schematics ---
    QByteArray terminal(double size)
    {
        return "<terminal" + attr("at", pt(point(size))) + attr("side", pick({"any", "top", "bottom", "left", "right"}))
            + attr("length", pick({"point", "short", "medium", "long"}))
            + attr("type", pick({"line", "clock", "dot", "dotClock", "short", "zeroLength", "inputWedge", "outputWedge", "point", "medium"}))
            + attr("name", chance(0.5) ? "CLK" : " gq ") + attr("pad", QByteArray::number(integer(1, 20)))
            + flag("nameVisible", chance(0.7)) + flag("numberVisible", chance(0.7)) + "/>";
    }

    void schematicEntity(QByteArray& s, int depth, double span)
    {
        const QPointF at = depth == 0 ? QPointF(real(0, 6), real(0, 4)) : point(span);
        const double size = scaleBetween(0.05, span);
        switch (integer(0, 9)) {
        case 0:
        case 1: {
            const char* name = chance(0.7) ? "symbol" : "part";
            s += QByteArray("<") + name + attr("identifier", "U" + QByteArray::number(integer(1, 99))) + placement(at) + "><entities>";
            s += "<" + QByteArray(pick({"terminalMagnet", "partBorder", "symbolBorder"})) + attr("x", -size / 2) + attr("y", -size / 2)
                + attr("width", size) + attr("height", size * real(0.2, 1.5)) + flag("roundedCorners", chance(0.4)) + pen(size) + brush()
                + "/>";
            for (int i = integer(0, 4); i > 0; --i)
                s += terminal(size);
            s += "<partId" + textAttributes() + attr("at", pt(point(size))) + "/>";
            if (chance(0.7))
                s += "<" + QByteArray(pick({"symbolPartValue", "partValue", "symbolValue"})) + textAttributes()
                    + attr("at", pt(point(size))) + flag("visible", chance(0.9)) + "/>";
            if (chance(0.3))
                s += "<symbolPartType" + textAttributes() + attr("at", pt(point(size))) + flag("showInSchematic", chance(0.5)) + "/>";
            if (chance(0.4))
                drawingEntity(s, false, depth + 1, size / 2);
            s += QByteArray("</entities></") + name + ">";
            break;
        }
        case 2:
        case 3: {
            // A node: its wires (drawn by the node), junctions, names and
            // connectors.
            const bool placed = chance(0.4);
            const QPointF o = placed ? QPointF() : at;
            s += "<node" + attr("name", "N" + QByteArray::number(integer(1, 9))) + attr("netId", QByteArray::number(integer(1, 9)))
                + (placed ? placement(at) : QByteArray()) + attr("penWidth", chance(0.3) ? scaleBetween(0.02, 0.3) : scaleBetween(0.0005, 0.02))
                + attr("penColor", color()) + ">";
            std::vector<QPointF> corners;
            for (int w = integer(1, 3); w > 0; --w) {
                s += "<wire>";
                QPointF p = o + point(size);
                for (int i = integer(2, 5); i > 0; --i) {
                    corners.push_back(p);
                    s += (chance(0.15) ? "<vertexJumper" : "<vertex") + attr("at", pt(p)) + "/>";
                    p += chance(0.5) ? QPointF(real(-size, size), 0) : QPointF(0, real(-size, size));
                }
                s += "</wire>";
            }
            s += "<entities>";
            s += "<nodeJunction" + attr("id", QByteArray::number(integer(1, 99))) + attr("at", pt(corners[size_t(integer(0, int(corners.size()) - 1))])) + "/>";
            if (chance(0.6))
                s += "<nodeId" + textAttributes() + attr("at", pt(corners.front())) + "/>";
            if (chance(0.5)) {
                const QByteArray name = chance(0.5) ? "interWireConnector" : "offpageConnector";
                s += "<" + name + attr("at", pt(corners.back())) + attr("nodeName", " VCCg")
                    + attr("orientation", pick({"any", "top", "bottom", "left", "right"})) + "><fillBrush" + brush() + "/><font" + font()
                    + "/></" + name + ">";
            }
            if (chance(0.3))
                s += "<busJunction" + attr("at", pt(corners.front())) + "/>";
            s += "</entities></node>";
            break;
        }
        case 4: {
            s += "<wire>";
            QPointF p = at;
            for (int i = integer(2, 4); i > 0; --i) {
                s += "<vertex" + attr("at", pt(p)) + "/>";
                p += point(size);
            }
            s += "</wire>";
            break;
        }
        case 5:
            s += "<bus" + attr("name", "D[0..7]") + "><entities><line" + attr("start", pt(at)) + attr("end", pt(at + point(size)))
                + pen(size) + "/></entities></bus>";
            s += "<busId" + textAttributes() + attr("at", pt(at + point(size))) + "/>";
            break;
        case 6:
            s += "<port" + attr("at", pt(at)) + attr("nodeName", "OUTg") + attr("side", pick({"left", "right", "top", "bottom"})) + "/>";
            if (chance(0.5))
                s += "<portName" + textAttributes() + attr("at", pt(at + point(size))) + "/>";
            break;
        case 7:
            s += "<schematicRouteBarrier" + attr("x", at.x()) + attr("y", at.y()) + attr("width", size) + attr("height", size / 2) + "/>";
            s += "<schematicError" + attr("group", "ERC") + attr("location", pt(at + point(size))) + attr("error", "E1")
                + attr("message", "Unconnected pin") + "/>";
            break;
        case 8:
            s += "<blockReference" + attr("blockId", "4") + placement(at) + "/>";
            break;
        default:
            drawingEntity(s, false, depth, span);
        }
    }

    void schematicSheet(QByteArray& s)
    {
        s += "<schematic id=\"1\" name=\"Random\"><settings" + flag("showPage", chance(0.3)) + flag("showGrid", chance(0.2))
            + flag("showOrigin", chance(0.2)) + flag("showBorderReferences", chance(0.3)) + flag("showTitleBlock", chance(0.3))
            + attr("pageSize", "7,5") + attr("wireCorners", pick({"orthogonal", "rounded"})) + flag("showNodeIds", chance(0.5))
            + "><nodePen" + attr("penWidth", scaleBetween(0.001, 0.05)) + attr("penColor", color(false)) + "/></settings>\n<entities>\n";
        std::vector<qsizetype> places{s.size()};
        for (int i = integer(6, 24); i > 0; --i) {
            anyEntity(s, false, 0, 1.2);
            s += '\n';
            places.push_back(s.size());
        }
        features(s, false, places);
        s += "</entities>\n</schematic>\n";
    }

    // --- the features, each from its own stream ---
    // Each feature's entities go between the sheet's entities at one of the
    // places given (offsets into s): what is drawn before and after them
    // matters as much as what they are.
    void features(QByteArray& s, bool pcb, std::vector<qsizetype> places)
    {
        for (unsigned f = 1; f <= kAllRandomFeatures; f <<= 1) {
            if (!(features_ & f))
                continue;
            // splitmix64 of the seed, the feature and the sheet.
            uint64_t z = seed_ + 0x9E3779B97F4A7C15ull * (uint64_t(f) * 2 + pcb + 1);
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            Builder b(z ^ (z >> 31));
            if (!b.chance(0.4))
                continue;
            QByteArray add;
            switch (f) {
            case crossingDashes:
                b.crossingDashed(add, pcb);
                break;
            case sharpMiters:
                if (!pcb) // the board draws every join round
                    b.sharpMitered(add);
                break;
            case thinWires:
                for (int k = b.integer(1, 3); k > 0; --k) {
                    if (pcb)
                        b.zigZagTracks(add);
                    else
                        b.jumpedWires(add);
                }
                break;
            case unevenHolders:
                b.unevenHolder(add, pcb);
                break;
            case widePens:
                b.widePenCurves(add, pcb);
                design_->highZoom = std::max(design_->highZoom, b.real(40, 160));
                break;
            case hugePens:
                b.hugePenCurves(add, pcb);
                break;
            case zigZagCurves:
                b.zigZagCurve(add, pcb);
                break;
            case longDashes:
                b.longDashed(add, pcb);
                design_->highZoom = std::max(design_->highZoom, b.real(20, 150));
                break;
            }
            if (add.isEmpty())
                continue;
            const size_t at = size_t(b.integer(0, int(places.size()) - 1));
            s.insert(places[at], add);
            for (size_t i = at; i < places.size(); ++i)
                places[i] += add.size();
            (pcb ? design_->pcbFeatures : design_->schematicFeatures) |= f;
        }
    }

    // A pen of that width and pattern ("solid" none), translucent when asked
    // (mostly), with random caps and, where given, the join.
    QByteArray thinPen(double width, const char* pattern, bool translucent, const char* join = nullptr)
    {
        const int alpha = translucent ? integer(40, 200) : 255;
        QByteArray s = attr("penWidth", width)
            + attr("penColor", QByteArray::number(alpha) + ',' + QByteArray::number(integer(0, 200)) + ','
                       + QByteArray::number(integer(0, 200)) + ',' + QByteArray::number(integer(0, 200)))
            + attr("brushColor", "0,0,0,0");
        if (std::strcmp(pattern, "solid") != 0)
            s += attr("linePattern", pattern);
        if (chance(0.6))
            s += attr("startCap", pick({"flat", "square", "round"})) + attr("endCap", pick({"flat", "square", "round"}));
        if (join)
            s += attr("lineJoin", join);
        else if (chance(0.5))
            s += attr("lineJoin", pick({"bevel", "miter", "miterClipped", "round"}));
        return s;
    }

    static QByteArray pointsText(const std::vector<QPointF>& points)
    {
        QByteArray s;
        for (size_t i = 0; i < points.size(); ++i)
            s += (i ? " " : "") + pt(points[i]);
        return s;
    }

    static QByteArray vertexList(const std::vector<QPointF>& points)
    {
        QByteArray s;
        for (const QPointF& p : points)
            s += "<vertex" + attr("at", pt(p)) + "/>";
        return s;
    }

    // Stars (every step-th of n corners about a circle, the step near n / 2)
    // and loops (a point running round a circle that runs round another),
    // as curves, polylines and outlines dashed or dotted so finely that a
    // stroke holds thousands of dashes.
    void crossingDashed(QByteArray& s, bool pcb)
    {
        for (int k = integer(1, 2); k > 0; --k) {
            const QPointF c(real(1, 5), real(1, 3));
            const double r = real(0.4, 1.8);
            const int n = integer(40, 90);
            std::vector<QPointF> p;
            if (chance(0.5)) {
                int step = n / 2 - integer(1, 6);
                while (std::gcd(n, step) != 1)
                    --step;
                for (int i = 0; i < n; ++i) {
                    const double a = 2 * M_PI * i * step / n;
                    p.push_back(c + r * QPointF(std::cos(a), std::sin(a)));
                }
            } else {
                const int loops = integer(3, 9);
                const double inner = real(0.3, 0.6);
                for (int i = 0; i < n; ++i) {
                    const double a = 2 * M_PI * i / n;
                    p.push_back(c
                        + r * ((1 - inner) * QPointF(std::cos(a), std::sin(a)) + inner * QPointF(std::cos(loops * a), std::sin(loops * a))));
                }
            }
            const QByteArray pen = thinPen(scaleBetween(0.002, 0.02), pick({"dot", "dash", "dashDot", "dashDotDot"}), chance(0.8));
            const QByteArray layer = pcb ? attr("layer", pick({"3", "5", "6"})) : QByteArray();
            switch (integer(0, pcb ? 3 : 1)) {
            case 0:
                s += "<curve" + layer + attr("style", pick({"straight", "smooth"})) + flag("closed", chance(0.7))
                    + attr("points", pointsText(p)) + pen + "/>";
                break;
            case 1:
                s += "<polyline" + layer + flag("closed", chance(0.7)) + pen + ">" + vertexList(p) + "</polyline>";
                break;
            default:
                // A board outline of its own: a keep-out or a cut-out.
                s += QByteArray(pick({"<keepOut", "<pcbCutoutCurve"})) + attr("layer", "5") + attr("x", c.x() - r) + attr("y", c.y() - r)
                    + attr("width", 2 * r) + attr("height", 2 * r) + attr("curveType", "curve")
                    + attr("style", pick({"straight", "smooth"})) + flag("closed", true) + attr("points", pointsText(p)) + pen + "/>";
            }
            s += '\n';
        }
    }

    // Outlines of 20 points the length of the sheet in thin dashed and
    // dotted pens: across it, or to and fro along a sliver a few hundredths
    // wide through its middle (seen from close up, each of its segments
    // crosses the view). Polylines, straight curves and, on the board, keep-
    // outs and cut-outs; mostly closed, mostly translucent.
    void longDashed(QByteArray& s, bool pcb)
    {
        for (int k = integer(1, 2); k > 0; --k) {
            std::vector<QPointF> p;
            if (chance(0.5)) {
                for (int i = 0; i < 20; ++i)
                    p.push_back(QPointF(real(0.2, 5.8), real(0.2, 3.8)));
            } else {
                const double a = real(-0.3, 0.3), wide = scaleBetween(0.001, 0.05);
                const QPointF along(std::cos(a), std::sin(a)), across(-along.y(), along.x());
                for (int i = 0; i < 20; ++i)
                    p.push_back(QPointF(3, 2) + real(-2.8, 2.8) * along + real(-wide, wide) * across);
            }
            const QByteArray pen = thinPen(scaleBetween(0.00005, 0.003), pick({"dot", "dash", "dashDot", "dashDotDot"}), chance(0.8));
            const QByteArray layer = pcb ? attr("layer", pick({"3", "5", "6"})) : QByteArray();
            const bool closed = chance(0.7);
            switch (integer(0, pcb ? 2 : 1)) {
            case 0:
                s += "<polyline" + layer + flag("closed", closed) + pen + ">" + vertexList(p) + "</polyline>";
                break;
            case 1:
                s += "<curve" + layer + attr("style", "straight") + flag("closed", closed) + attr("points", pointsText(p)) + pen + "/>";
                break;
            default:
                s += QByteArray(pick({"<keepOut", "<pcbCutoutCurve"})) + attr("layer", "5") + attr("x", 0.2) + attr("y", 0.2)
                    + attr("width", 5.6) + attr("height", 3.6) + attr("curveType", "curve") + attr("style", "straight")
                    + flag("closed", true) + attr("points", pointsText(p)) + pen + "/>";
            }
            s += '\n';
        }
    }

    // Zig-zags and a scatter of single sharp corners ("V"s, each an entity
    // of its own, culled on its own: its tip may reach into a view or band
    // its box stays out of), 3-20 degrees wide (most so sharp that the
    // miter is cut at its limit, ten half widths out), in pens from far
    // below a pixel to a few pixels at the highest zoom, mitered.
    void sharpMitered(QByteArray& s)
    {
        auto corner = [&](QPointF c, double h, int corners) {
            const double angle = real(3, 20) * M_PI / 180;
            const double dx = 2 * h * std::tan(angle / 2);
            const double a = real(0, 2 * M_PI), ca = std::cos(a), sa = std::sin(a);
            auto turned = [&](double x, double y) { return c + QPointF(x * ca - y * sa, x * sa + y * ca); };
            std::vector<QPointF> p;
            if (corners == 1)
                p = {turned(-dx, h), turned(0, 0), turned(dx, h)};
            else
                for (int j = 0; j < corners + 2; ++j)
                    p.push_back(turned(j * dx, j % 2 ? h : 0));
            const QByteArray pen = thinPen(scaleBetween(0.0001, 0.002), chance(0.8) ? "solid" : "dash", chance(0.3),
                pick({"miter", "miterClipped"}));
            if (chance(0.5))
                s += QByteArray("<polyline") + flag("closed", false) + pen + ">" + vertexList(p) + "</polyline>";
            else
                s += "<curve" + attr("style", "straight") + flag("closed", false) + attr("points", pointsText(p)) + pen + "/>";
            s += '\n';
        };
        for (int k = integer(1, 2); k > 0; --k)
            corner(QPointF(real(0.5, 5.5), real(0.5, 3.5)), real(0.05, 0.6), integer(4, 28));
        for (int k = integer(40, 120); k > 0; --k)
            corner(QPointF(real(0, 6), real(0, 4)), scaleBetween(0.005, 0.15), 1);
    }

    // A node of thin wires in a lattice: the rows hop over the columns with
    // jumpers where they cross.
    void jumpedWires(QByteArray& s)
    {
        const QPointF o(real(0.5, 4.5), real(0.5, 3));
        const int rows = integer(1, 3), columns = integer(1, 4);
        const double pitch = real(0.05, 0.4);
        const bool placed = chance(0.3);
        const QPointF at = placed ? QPointF() : o;
        s += "<node" + attr("name", "J" + QByteArray::number(integer(1, 9))) + attr("netId", QByteArray::number(integer(1, 9)))
            + (placed ? placement(o) : QByteArray()) + attr("penWidth", scaleBetween(0.00005, 0.002))
            + attr("penColor", chance(0.3) ? QByteArray("120,0,0,200") : QByteArray("255,0,0,128")) + ">";
        for (int j = 0; j < columns; ++j)
            s += "<wire><vertex" + attr("at", pt(at + QPointF((j + 1) * pitch, -pitch))) + "/><vertex"
                + attr("at", pt(at + QPointF((j + 1) * pitch, (rows + 1) * pitch))) + "/></wire>";
        for (int i = 0; i < rows; ++i) {
            const double y = (i + 0.5 + real(0, 0.3)) * pitch;
            s += "<wire><vertex" + attr("at", pt(at + QPointF(0, y))) + "/>";
            for (int j = 0; j < columns; ++j)
                s += "<vertexJumper" + attr("at", pt(at + QPointF((j + 1) * pitch, y))) + "/>";
            // Ending in a corner, as routed wires do.
            s += "<vertex" + attr("at", pt(at + QPointF((columns + 1) * pitch, y))) + "/><vertex"
                + attr("at", pt(at + QPointF((columns + 1) * pitch, y + pitch / 3))) + "/></wire>";
        }
        s += "<entities><nodeJunction" + attr("id", QByteArray::number(integer(1, 99))) + attr("at", pt(at + QPointF(pitch, -pitch)))
            + "/></entities></node>\n";
    }

    // Tracks of a thin net turning every few hundredths of an inch, slightly
    // or sharply.
    void zigZagTracks(QByteArray& s)
    {
        s += "<net" + attr("identifier", "Z" + QByteArray::number(integer(1, 50))) + attr("width", scaleBetween(0.0001, 0.003))
            + "><entities>";
        for (int t = integer(1, 2); t > 0; --t) {
            QPointF p(real(0.5, 5.5), real(0.5, 3.5));
            double heading = real(0, 2 * M_PI);
            s += "<track" + attr("layer", chance(0.5) ? "5" : "6") + "><vertices>";
            for (int i = integer(6, 20); i > 0; --i) {
                s += "<vertex" + attr("at", pt(p)) + "/>";
                // From turns too slight to see to hairpins.
                heading += (i % 2 ? 1 : -1) * scaleBetween(1e-4, 3);
                p += scaleBetween(0.01, 0.08) * QPointF(std::cos(heading), std::sin(heading));
            }
            s += "</vertices></track>";
        }
        s += "</entities></net>\n";
    }

    // A holder squashed along one of its axes, holding rectangles, lines,
    // polylines and ellipses in thin pens, solid and dashed.
    void unevenHolder(QByteArray& s, bool pcb)
    {
        const double squash = chance(0.8) ? std::atof(pick({"0.5", "0.25", "0.1"})) : scaleBetween(0.05, 0.8);
        const bool acrossX = chance(0.5);
        const double sx = acrossX ? squash : 1, sy = acrossX ? 1 : squash;
        const double a = chance(0.7) ? integer(0, 3) * M_PI / 2 : real(0, 2 * M_PI);
        const double c = std::cos(a), sn = std::sin(a);
        const QByteArray place = attr("m11", sx * c) + attr("m12", sx * sn) + attr("m21", -sy * sn) + attr("m22", sy * c)
            + attr("dx", real(0.5, 5.5)) + attr("dy", real(0.5, 3.5));
        const char* holder = pcb ? pick({"group", "footprint"}) : pick({"group", "symbol"});
        s += QByteArray("<") + holder + (std::strcmp(holder, "group") ? attr("identifier", "H1") : QByteArray()) + place + "><entities>";
        const QByteArray layer = pcb ? attr("layer", "3") : QByteArray();
        for (int k = integer(2, 5); k > 0; --k) {
            const double w = scaleBetween(0.05, 1) / sx, h = scaleBetween(0.05, 1) / sy;
            const QByteArray pen = thinPen(chance(0.1) ? 0.0 : scaleBetween(0.0001, 0.003),
                chance(0.5) ? "solid" : pick({"dot", "dash", "dashDot"}), chance(0.3));
            const QPointF at = point(0.3);
            switch (integer(0, 3)) {
            case 0:
                s += "<rectangle" + layer + attr("x", at.x() - w / 2) + attr("y", at.y() - h / 2) + attr("width", w) + attr("height", h)
                    + pen + "/>";
                break;
            case 1:
                s += "<line" + layer + attr("start", pt(at)) + attr("end", pt(at + QPointF(chance(0.5) ? w : 0, chance(0.5) ? h : 0)))
                    + pen + "/>";
                break;
            case 2: {
                std::vector<QPointF> p{at};
                for (int i = integer(2, 6); i > 0; --i)
                    p.push_back(p.back() + (i % 2 ? QPointF(real(-w, w), 0) : QPointF(0, real(-h, h))));
                s += "<polyline" + layer + flag("closed", chance(0.3)) + pen + ">" + vertexList(p) + "</polyline>";
                break;
            }
            default:
                s += "<ellipse" + layer + attr("x", at.x() - w / 2) + attr("y", at.y() - h / 2) + attr("width", w) + attr("height", h)
                    + pen + "/>";
            }
        }
        s += QByteArray("</entities></") + holder + ">\n";
    }

    // Long smooth curves and outlines of 60 points in wide pens, through the
    // corners of a star or of a ring: a controlled curve, and on the board
    // an outline.
    void widePenCurves(QByteArray& s, bool pcb)
    {
        const QPointF c(real(2.5, 3.5), real(1.5, 2.5));
        const double rx = real(0.8, 2.5), ry = real(0.6, 1.6), inner = real(0.6, 1);
        const int n = 60, step = chance(0.6) ? integer(7, 29) : 1;
        std::vector<QPointF> p, left, right;
        for (int i = 0; i < n; ++i) {
            const double a = 2 * M_PI * i * step / n, r = i % 2 ? inner : 1;
            const QPointF at = c + QPointF(rx * r * std::cos(a), ry * r * std::sin(a));
            const double turn = a + real(-1.5, 1.5), reach = real(0.02, 0.9);
            const QPointF along = reach * QPointF(-std::sin(turn), std::cos(turn));
            p.push_back(at);
            left.push_back(at - along);
            right.push_back(at + along);
        }
        if (pcb && chance(0.5)) {
            s += "<pcbBorder" + attr("x", c.x() - rx) + attr("y", c.y() - ry) + attr("width", 2 * rx) + attr("height", 2 * ry)
                + attr("curveType", "curve") + attr("style", "smooth") + flag("closed", true) + attr("points", pointsText(p))
                + attr("penWidth", scaleBetween(0.02, 0.1)) + attr("penColor", color(false)) + attr("color", "0,0,0,0")
                + attr("solderMaskColor", "64,0,255,0") + "/>\n";
            return;
        }
        s += "<curve" + (pcb ? attr("layer", pick({"3", "5"})) : QByteArray()) + attr("style", "controlled") + flag("closed", chance(0.5))
            + attr("points", pointsText(p)) + attr("leftControls", pointsText(left)) + attr("rightControls", pointsText(right))
            + thinPen(scaleBetween(0.015, 0.08), chance(0.8) ? "solid" : "dash", chance(0.3)) + "/>\n";
    }

    // A 60-point smooth curve (on the board, or an outline) in a pen wider
    // than the view at the checker's zooms, through the corners of a star
    // or of a ring.
    void hugePenCurves(QByteArray& s, bool pcb)
    {
        const QPointF c(real(2.5, 3.5), real(1.5, 2.5));
        const double rx = real(0.8, 2.5), ry = real(0.6, 1.6), inner = real(0.6, 1);
        const int n = 60, step = chance(0.6) ? integer(7, 29) : 1;
        std::vector<QPointF> p;
        for (int i = 0; i < n; ++i) {
            const double a = 2 * M_PI * i * step / n, r = i % 2 ? inner : 1;
            p.push_back(c + QPointF(rx * r * std::cos(a), ry * r * std::sin(a)));
        }
        const double width = scaleBetween(0.15, 2);
        if (pcb && chance(0.5)) {
            s += "<pcbBorder" + attr("x", c.x() - rx) + attr("y", c.y() - ry) + attr("width", 2 * rx) + attr("height", 2 * ry)
                + attr("curveType", "curve") + attr("style", "smooth") + flag("closed", true) + attr("points", pointsText(p))
                + attr("penWidth", width) + attr("penColor", color(false)) + attr("color", "0,0,0,0")
                + attr("solderMaskColor", "64,0,255,0") + "/>\n";
            return;
        }
        s += "<curve" + (pcb ? attr("layer", pick({"3", "5"})) : QByteArray()) + attr("style", "smooth") + flag("closed", chance(0.5))
            + attr("points", pointsText(p)) + thinPen(width, "solid", chance(0.5)) + "/>\n";
    }

    // A straight curve of 1,200-6,000 points zig-zagging across a strip
    // 0.005-0.3 in wide and 1-5 in long, at any angle, in a thin pen.
    void zigZagCurve(QByteArray& s, bool pcb)
    {
        const int n = integer(1200, 6000);
        const QPointF from(real(0.5, 2), real(0.5, 3.5));
        const double length = real(1, 5), across = scaleBetween(0.005, 0.3), angle = chance(0.5) ? 0 : real(0, M_PI);
        const QPointF along(std::cos(angle), std::sin(angle)), side(-along.y(), along.x());
        QByteArray points;
        points.reserve(n * 20);
        for (int i = 0; i < n; ++i) {
            const QPointF at = from + along * (length * i / n) + side * (across / 2 * (i % 2 ? 1 : -1) * real(0.6, 1));
            points += (i ? " " : "") + pt(at);
        }
        s += "<curve" + (pcb ? attr("layer", pick({"3", "5"})) : QByteArray()) + attr("style", "straight") + flag("closed", false)
            + attr("points", points) + thinPen(scaleBetween(0.0003, 0.01), "solid", chance(0.5)) + "/>\n";
    }

    std::mt19937_64 rng_;
    uint64_t seed_;
    unsigned features_;
    RandomDesign* design_ = nullptr;
    bool gradient_ = false;
};

QJsonValue boxJson(const BoundingBox& b)
{
    if (!b.valid)
        return QJsonValue::Null;
    return QJsonArray{b.bottomLeft.x(), b.bottomLeft.y(), b.topRight.x(), b.topRight.y()};
}

QJsonArray listJson(EntityList& list, int depth)
{
    QJsonArray out;
    for (const auto& e : list.entities) {
        QJsonObject o;
        o["element"] = e->elementName.toString();
        o["typeName"] = e->typeName();
        o["layerIndex"] = e->layerIndex;
        o["identifier"] = e->identifier.toString();
        o["boundingBox"] = boxJson(e->boundingBox);
        if (IEntityHolder* h = e->holder(); h && depth < EntityList::kMaxNesting)
            o["children"] = listJson(h->entities(), depth + 1);
        out.append(o);
    }
    return out;
}

} // namespace

RandomDesign generateRandomDesign(uint64_t seed, unsigned features) { return Builder(seed, features).design(); }

namespace {

const std::pair<const char*, unsigned> kFeatureNames[] = {{"crossing-dashes", crossingDashes}, {"sharp-miters", sharpMiters},
    {"thin-wires", thinWires}, {"uneven-holders", unevenHolders}, {"wide-pens", widePens},
    {"huge-pens", hugePens}, {"zig-zag-curves", zigZagCurves}, {"long-dashes", longDashes}};

} // namespace

bool randomFeaturesNamed(const QByteArray& names, unsigned& features)
{
    unsigned out = 0;
    for (const QByteArray& raw : names.split(',')) {
        const QByteArray name = raw.trimmed();
        if (name.isEmpty() || name == "none")
            continue;
        if (name == "all") {
            out |= kAllRandomFeatures;
            continue;
        }
        bool known = false;
        for (const auto& [n, f] : kFeatureNames)
            if (name == n) {
                out |= f;
                known = true;
            }
        if (!known)
            return false;
    }
    features = out;
    return true;
}

QByteArray randomFeatureNames(unsigned features)
{
    QByteArray out;
    for (const auto& [n, f] : kFeatureNames)
        if (features & f)
            out += (out.isEmpty() ? "" : ",") + QByteArray(n);
    return out.isEmpty() ? QByteArray("none") : out;
}

bool mentionsGradients(const QByteArray& xml)
{
    return xml.contains("radient") || xml.contains("radial");
}

QByteArray sheetDumpJson(GraphicsSheet& sheet, bool pcb)
{
    QJsonObject root;
    root["sheet"] = pcb ? "pcb" : "schematic";
    root["boundingBox"] = boxJson(sheet.entityList.boundingBox);
    root["entities"] = listJson(sheet.entityList, 0);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}
