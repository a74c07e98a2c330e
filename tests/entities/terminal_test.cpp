#include "EntityTestSupport.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "core/TextMetrics.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/Schematic.h"
#include "entities/schematic/PinName.h"
#include "entities/schematic/SymbolTerminal.h"
#include "model/EntityFactory.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

const QString kOpen(kOverlineOpenMark);
const QString kClose(kOverlineCloseMark);

// The terminals of the first schematic sheet of a design read from text,
// depth first.
std::vector<std::shared_ptr<SymbolTerminal>> terminalsOf(Design& design, const std::string& xml)
{
    std::vector<std::shared_ptr<SymbolTerminal>> out;
    if (!design.loadFromBytes(QByteArray::fromStdString(xml), QStringLiteral("t.project")))
        return out;
    design.currentDesignState()->schematics.at(0)->entityList.collect(out);
    return out;
}

std::string designWith(int version, const std::string& terminals)
{
    return "<qel version=\"" + std::to_string(version) + "\"><design><sheets><schematic><entities>" + terminals
        + "</entities></schematic></sheets><pcb/></design></qel>";
}

// An image of the entity drawn at `scale` pixels per inch with the model
// point `origin` at the image centre; white background.
class Canvas : public WhiteViewImage {
public:
    Canvas(QPointF origin, double scale = 1000, int size = 600)
        : WhiteViewImage(QSize(size, size),
                         QTransform(scale, 0, 0, -scale, size / 2.0 - origin.x() * scale, size / 2.0 + origin.y() * scale))
    {
    }
    void draw(Entity& e, bool useLayerColor = false)
    {
        QPainter painter(&image);
        painter.setTransform(view);
        DrawingContext context(painter);
        Graphics g(context);
        g.useLayerColor = useLayerColor;
        g.layerColor = QColor(0, 0, 255);
        e.draw(g);
    }
    QColor at(QPointF model) const
    {
        const QPoint p = view.map(model).toPoint();
        return image.rect().contains(p) ? image.pixelColor(p) : QColor(Qt::white);
    }
    // Darkness (0 white, 1 black) of the darkest pixel within r pixels.
    double inkNear(QPointF model, int r = 1) const
    {
        const QPoint c = view.map(model).toPoint();
        double best = 0;
        for (int y = c.y() - r; y <= c.y() + r; ++y)
            for (int x = c.x() - r; x <= c.x() + r; ++x)
                if (image.rect().contains(x, y))
                    best = std::max(best, 1.0 - image.pixelColor(x, y).valueF());
        return best;
    }
};

QPointF dirOf(TerminalOrientation o)
{
    switch (o) {
    case TerminalOrientation::top: return {0, 1};
    case TerminalOrientation::bottom: return {0, -1};
    case TerminalOrientation::left: return {-1, 0};
    case TerminalOrientation::right: return {1, 0};
    default: return {0, 0};
    }
}

} // namespace

TEST(TerminalReading, LengthAndTypeDefaultsFollowTheFileVersion)
{
    const std::string pins = R"(<terminal name="A"/><terminal length="huge" type="arrow"/><terminal length="short" type="short"/>)";
    Design design;
    auto v11 = terminalsOf(design, designWith(11, pins));
    ASSERT_EQ(v11.size(), 3u);
    EXPECT_EQ(v11[0]->lineLength, TerminalLineLength::Long);
    EXPECT_EQ(v11[0]->type, TerminalType::line);
    EXPECT_DOUBLE_EQ(v11[0]->pinEndPoint().x(), -0.3);
    // Unknown words give medium whatever the version.
    EXPECT_EQ(v11[1]->lineLength, TerminalLineLength::Medium);
    EXPECT_EQ(v11[1]->type, TerminalType::medium);
    EXPECT_EQ(v11[2]->lineLength, TerminalLineLength::Short);
    EXPECT_EQ(v11[2]->type, TerminalType::shortPin);

    auto v12 = terminalsOf(design, designWith(12, pins));
    ASSERT_EQ(v12.size(), 3u);
    EXPECT_EQ(v12[0]->lineLength, TerminalLineLength::Medium);
    EXPECT_EQ(v12[0]->type, TerminalType::medium);
    EXPECT_DOUBLE_EQ(v12[0]->pinEndPoint().x(), -0.2);
    EXPECT_EQ(v12[1]->lineLength, TerminalLineLength::Medium);
    EXPECT_EQ(v12[1]->type, TerminalType::medium);

    // Read outside any design (version 0): the old defaults.
    auto loose = readMeasured<SymbolTerminal>("<terminal/>");
    ASSERT_TRUE(loose);
    EXPECT_EQ(loose->lineLength, TerminalLineLength::Long);
    EXPECT_EQ(loose->type, TerminalType::line);
}

TEST(TerminalReading, FieldsFlagsAndFonts)
{
    SymbolTerminal fresh(nullptr);
    EXPECT_TRUE(fresh.hide);
    EXPECT_EQ(fresh.terminalOrientation, TerminalOrientation::left);
    EXPECT_EQ(fresh.lineLength, TerminalLineLength::Medium);
    EXPECT_EQ(fresh.type, TerminalType::medium);
    EXPECT_DOUBLE_EQ(fresh.pen.width, 0.007);
    EXPECT_DOUBLE_EQ(fresh.nameFont.height, 0.055);
    EXPECT_EQ(fresh.typeName(), QStringLiteral("Symbol Terminal"));

    auto t = readMeasured<SymbolTerminal>(R"(<terminal at="1,2" side="right" name="CLK" nameOffset="0.1,0.2" pinOffset="0.3,0.4"
        pad="17" port="9" ground="true" noConnect="true" virtual="true" verified="true" connectionsVerified="true"
        pinDescription="clock in" userDefinedNodeName="N1" stringAlignment="far"
        font="Liberation Serif" height="0.08" bold="true" italic="true" padFont="Liberation Mono" padHeight="0.04" padBold="true"
        brushColor="128,255,0,0" penColor="0,255,0" penWidth="0.05"/>)");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->placementPoint, QPointF(1, 2));
    EXPECT_EQ(t->terminalOrientation, TerminalOrientation::right);
    EXPECT_EQ(t->orientation, TerminalOrientation::left); // kept, never read
    EXPECT_EQ(t->name, QStringLiteral("CLK"));
    EXPECT_EQ(t->nameTextOffset, QPointF(double(0.1f), double(0.2f)));
    EXPECT_EQ(t->padNameTextOffset, QPointF(double(0.3f), double(0.4f)));
    EXPECT_EQ(t->padId, Id{17});
    EXPECT_EQ(t->portId, Id{9});
    EXPECT_TRUE(t->groundTerminal);
    EXPECT_TRUE(t->noConnect);
    EXPECT_TRUE(t->noAssociatedPad);
    EXPECT_TRUE(t->verified);
    EXPECT_TRUE(t->connectionsVerified);
    EXPECT_FALSE(t->hide); // true when new, false once read without "hide"
    EXPECT_EQ(t->pinDescription, QStringLiteral("clock in"));
    EXPECT_EQ(t->userDefinedNodeName, QStringLiteral("N1"));
    EXPECT_EQ(t->stringAlignment, StringAlignment::far);
    EXPECT_EQ(t->nameFont.familyName, QStringLiteral("Liberation Serif"));
    EXPECT_EQ(t->nameFont.height, 0.08); // double precision
    EXPECT_TRUE(t->nameFont.bold);
    EXPECT_TRUE(t->nameFont.italic);
    EXPECT_EQ(t->padNameFont.familyName, QStringLiteral("Liberation Mono"));
    EXPECT_EQ(t->padNameFont.height, 0.04);
    EXPECT_TRUE(t->padNameFont.bold);
    EXPECT_FALSE(t->padNameFont.italic);
    EXPECT_EQ(t->fillBrush.color, QColor(255, 0, 0, 128));
    // The decoration pen is not read from the file.
    EXPECT_DOUBLE_EQ(t->pen.width, 0.007);
    EXPECT_EQ(t->pen.color, QColor(0, 0, 0));

    // Missing or odd values.
    auto d = readMeasured<SymbolTerminal>(R"(<terminal side="Right" pad="x" height=" 0.1" padHeight="nan" stringAlignment="left"/>)");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->terminalOrientation, TerminalOrientation::left);
    EXPECT_EQ(d->padId, Id{0});
    EXPECT_EQ(d->stringAlignment, StringAlignment::center);
    EXPECT_EQ(d->nameFont.familyName, QStringLiteral("Arial"));
    EXPECT_DOUBLE_EQ(d->nameFont.height, 0.05);
    EXPECT_DOUBLE_EQ(d->padNameFont.height, 0.05);
    EXPECT_EQ(d->fillBrush.color, QColor(0, 0, 0));

    // "nameVisible" sets both name flags; missing keeps the name flag and
    // makes the other true. "numberVisible" keeps its flag when missing.
    EXPECT_TRUE(d->nameVisibleInSchematic);
    EXPECT_TRUE(d->visibleInSchematic);
    EXPECT_TRUE(d->padNameVisibleInSchematic);
    auto hidden = readMeasured<SymbolTerminal>(R"(<terminal nameVisible="false" numberVisible="false" hide="true"/>)");
    ASSERT_TRUE(hidden);
    EXPECT_FALSE(hidden->nameVisibleInSchematic);
    EXPECT_FALSE(hidden->visibleInSchematic);
    EXPECT_FALSE(hidden->padNameVisibleInSchematic);
    EXPECT_TRUE(hidden->hide);
}

TEST(TerminalGeometry, PinEndsNameAndPadNameBoxesPerOrientation)
{
    // The pin end by orientation and length.
    const std::pair<const char*, double> lengths[] = {{"point", 0}, {"short", 0.1}, {"medium", 0.2}, {"long", 0.3}};
    for (const char* side : {"any", "top", "bottom", "left", "right"}) {
        for (auto [word, length] : lengths) {
            auto t = readMeasured<SymbolTerminal>(std::string("<terminal at=\"1,1\" side=\"") + side + "\" length=\"" + word + "\"/>");
            ASSERT_TRUE(t);
            const QPointF expected = QPointF(1, 1) + dirOf(t->terminalOrientation) * length;
            EXPECT_NEAR(t->pinEndPoint().x(), expected.x(), 1e-12) << side << word;
            EXPECT_NEAR(t->pinEndPoint().y(), expected.y(), 1e-12) << side << word;
        }
    }

    // The name lies inside the body, 0.05 from the placement point, on the
    // side away from the pin; the pad name outside, beside the pin.
    const Font font;
    const QSizeF ink = textSize([] { Font f; f.height = 0.05; return f; }(), QStringLiteral("DATA"));
    const QSizeF padInk = textSize([] { Font f; f.height = 0.05; return f; }(), QStringLiteral("12"));
    const double wr = padInk.width() + 1.0 / 60, hr = padInk.height() + 1.0 / 30;
    struct Case {
        const char* side;
        QRectF name;
        QPointF padCentre;
    };
    const QPointF p(1, 1);
    const Case cases[] = {
        {"right", QRectF(p.x() - 0.05 - ink.width(), p.y() - ink.height() / 2, ink.width(), 1.5 * ink.height()),
         QPointF(p.x() + 0.06 + wr / 2, p.y() + 0.05)},
        {"left", QRectF(p.x() + 0.05, p.y() - ink.height() / 2, ink.width(), 1.5 * ink.height()),
         QPointF(p.x() - 0.06 - wr / 2, p.y() + 0.05)},
        {"any", QRectF(p.x() + 0.05, p.y() - ink.height() / 2, ink.width(), 1.5 * ink.height()),
         QPointF(p.x() - 0.06 - wr / 2, p.y() + 0.05)},
        {"bottom", QRectF(p.x() - ink.height() / 2, p.y() + 0.05, ink.height(), ink.width()),
         QPointF(p.x() - 0.05, p.y() - 0.06 - wr / 2)},
        {"top", QRectF(p.x() - ink.height() / 2, p.y() - 0.05 - ink.width(), ink.height(), ink.width()),
         QPointF(p.x() - 0.05, p.y() + 0.06 + wr / 2)},
    };
    for (const Case& c : cases) {
        auto t = readMeasured<SymbolTerminal>(std::string("<terminal at=\"1,1\" name=\"DATA\" side=\"") + c.side + "\"/>");
        ASSERT_TRUE(t);
        t->padName = QStringLiteral("12");
        t->updateGeometry(std::nullopt, nullptr);
        ASSERT_TRUE(t->nameModelSpaceBoundingBox) << c.side;
        const QRectF n = t->nameModelSpaceBoundingBox->rect();
        EXPECT_NEAR(n.left(), c.name.left(), 1e-9) << c.side;
        EXPECT_NEAR(n.top(), c.name.top(), 1e-9) << c.side;
        EXPECT_NEAR(n.right(), c.name.right(), 1e-9) << c.side;
        EXPECT_NEAR(n.bottom(), c.name.bottom(), 1e-9) << c.side;
        EXPECT_NEAR(t->padNameModelPosition.x(), c.padCentre.x(), 1e-9) << c.side;
        EXPECT_NEAR(t->padNameModelPosition.y(), c.padCentre.y(), 1e-9) << c.side;
        ASSERT_TRUE(t->padNameModelSpaceBoundingBox);
        EXPECT_NEAR(t->padNameModelSpaceBoundingBox->width(), wr, 1e-9);
        EXPECT_NEAR(t->padNameModelSpaceBoundingBox->height(), 2 * hr, 1e-9);
        // The terminal's box holds both names, the placement point and the pin end.
        for (const BoundingBox* b : {&*t->nameModelSpaceBoundingBox, &*t->padNameModelSpaceBoundingBox}) {
            EXPECT_TRUE(t->boundingBox.contains(b->bottomLeft));
            EXPECT_TRUE(t->boundingBox.contains(b->topRight));
        }
        EXPECT_TRUE(t->boundingBox.contains(t->pinEndPoint()));
        EXPECT_EQ(t->vertical, t->terminalOrientation == TerminalOrientation::top || t->terminalOrientation == TerminalOrientation::bottom);
    }
    (void)font;

    // An empty name is measured as "O"; an empty pad name leaves the pad
    // name's box and position as they were.
    auto empty = readMeasured<SymbolTerminal>(R"(<terminal at="0,0" side="right"/>)");
    ASSERT_TRUE(empty);
    ASSERT_TRUE(empty->nameModelSpaceBoundingBox);
    const QSizeF o = textSize([] { Font f; f.height = 0.05; return f; }(), QStringLiteral("O"));
    EXPECT_NEAR(empty->nameModelSpaceBoundingBox->width(), o.width(), 1e-9);
    EXPECT_FALSE(empty->padNameModelSpaceBoundingBox);
    EXPECT_EQ(empty->padNameModelPosition, QPointF(0, 0));

    // A pad font larger than the default measures (and moves) the pad name
    // by its own size, so the box covers what is drawn.
    auto big = readMeasured<SymbolTerminal>(R"(<terminal at="0,0" side="right" padHeight="0.2"/>)");
    ASSERT_TRUE(big);
    big->padName = QStringLiteral("12");
    big->updateGeometry(std::nullopt, nullptr);
    const QSizeF bigInk = textSize([] { Font f; f.height = 0.2; return f; }(), QStringLiteral("12"));
    EXPECT_NEAR(big->padNameModelSpaceBoundingBox->width(), bigInk.width() + 1.0 / 60, 1e-9);

    // A name hidden in the schematic is neither measured nor boxed.
    auto hidden = readMeasured<SymbolTerminal>(R"(<terminal at="0,0" name="LONGNAME" nameVisible="false" numberVisible="false"/>)");
    ASSERT_TRUE(hidden);
    EXPECT_FALSE(hidden->nameModelSpaceBoundingBox);
    EXPECT_NEAR(hidden->boundingBox.width(), 0.3, 1e-9); // read outside a design: a long pin
    EXPECT_NEAR(hidden->boundingBox.height(), 0, 1e-9);

    // vertical is set by a vertical measure and never cleared.
    auto turned = readMeasured<SymbolTerminal>(R"(<terminal side="top"/>)");
    ASSERT_TRUE(turned && turned->vertical);
    turned->terminalOrientation = TerminalOrientation::left;
    turned->updateGeometry(std::nullopt, nullptr);
    EXPECT_TRUE(turned->vertical);
}

TEST(TerminalGeometry, BoxCoversNoConnectCrossAndDecorationsUnderTransforms)
{
    // The no-connect square of half-size 0.025 about the pin end.
    auto nc = readMeasured<SymbolTerminal>(R"(<terminal at="1,1" side="right" length="short" noConnect="true" nameVisible="false" type="line"/>)");
    ASSERT_TRUE(nc);
    EXPECT_NEAR(nc->boundingBox.bottomLeft.x(), 1, 1e-9);
    EXPECT_NEAR(nc->boundingBox.topRight.x(), 1.125, 1e-9);
    EXPECT_NEAR(nc->boundingBox.bottomLeft.y(), 0.975, 1e-9);
    EXPECT_NEAR(nc->boundingBox.topRight.y(), 1.025, 1e-9);

    // Decorations that leave the pin line are in the box: the chevron inside
    // the body, the wedge beside the pin, bubbles and circles.
    struct Case {
        const char* attributes;
        QPointF reached;
    };
    // (The circle of a zero-length pin shows only with its name.)
    const Case cases[] = {{R"(type="clock" nameVisible="false")", QPointF(1.0375, 1.025)},
                          {R"(type="inputWedge" nameVisible="false")", QPointF(0.95, 1.025)},
                          {R"(type="outputWedge" nameVisible="false")", QPointF(0.95, 1.025)},
                          {R"(type="dot" nameVisible="false")", QPointF(0.95, 1.025)},
                          {R"(type="zeroLength" length="point")", QPointF(0.975, 1)}};
    for (const Case& c : cases) {
        auto t = readMeasured<SymbolTerminal>(std::string("<terminal at=\"1,1\" side=\"left\" ") + c.attributes + "/>");
        ASSERT_TRUE(t);
        EXPECT_TRUE(t->boundingBox.contains(c.reached)) << c.attributes;
    }

    // Under a parent transform (a symbol turned a quarter and moved) every
    // point goes through the net transform.
    pugi::xml_document doc = parseXml(R"(<terminal at="0.5,0" side="right" length="long" noConnect="true" nameVisible="false"/>)");
    SymbolTerminal t(nullptr);
    t.readXML(doc.first_child());
    const QTransform parent(0, 1, -1, 0, 5, 2);
    BoundingBox parentBox;
    t.updateGeometry(parent, &parentBox);
    // The pin runs from (5, 2.5) up to (5, 2.8); the cross about (5, 2.8).
    EXPECT_NEAR(t.boundingBox.bottomLeft.x(), 4.975, 1e-9);
    EXPECT_NEAR(t.boundingBox.topRight.x(), 5.025, 1e-9);
    EXPECT_NEAR(t.boundingBox.bottomLeft.y(), 2.5, 1e-9);
    EXPECT_NEAR(t.boundingBox.topRight.y(), 2.825, 1e-9);
    EXPECT_TRUE(parentBox.valid);
    EXPECT_EQ(parentBox.rect(), t.boundingBox.rect());
}

TEST(TerminalDrawing, PinLinesPerOrientationAndLength)
{
    for (const char* side : {"top", "bottom", "left", "right"}) {
        for (const char* length : {"short", "medium", "long"}) {
            auto t = readMeasured<SymbolTerminal>(std::string("<terminal at=\"0,0\" type=\"line\" nameVisible=\"false\" side=\"") + side
                                  + "\" length=\"" + length + "\"/>");
            ASSERT_TRUE(t);
            const QPointF e = t->pinEndPoint();
            Canvas canvas(QPointF(0, 0), 800);
            canvas.draw(*t);
            // Ink along the pin, none past its end or behind the body side.
            EXPECT_GT(canvas.inkNear(e * 0.5), 0.5) << side << length;
            EXPECT_GT(canvas.inkNear(e * 0.98), 0.5) << side << length;
            EXPECT_LT(canvas.inkNear(e * 1.15 + QPointF(0, 0)), 0.05) << side << length;
            EXPECT_LT(canvas.inkNear(-e * 0.5), 0.05) << side << length;
        }
    }
}

TEST(TerminalDrawing, DecorationsSitWhereTheyBelong)
{
    // Left pins at the origin: the body lies at +x, the pin runs to -x.
    auto drawn = [](const std::string& attrs, GraphicsSheet* sheet = nullptr) {
        auto t = readMeasured<SymbolTerminal>("<terminal at=\"0,0\" side=\"left\" " + attrs + "/>", sheet);
        auto canvas = std::make_unique<Canvas>(QPointF(0, 0), 2000);
        canvas->draw(*t);
        return canvas;
    };
    // Clock: the chevron's tip 0.0375 inside the body.
    EXPECT_GT(drawn(R"(type="clock")")->inkNear(QPointF(0.0375, 0)), 0.4);
    EXPECT_LT(drawn(R"(type="line")")->inkNear(QPointF(0.0375, 0)), 0.05);
    // Bubble: a white-filled circle of diameter 0.05 on the pin, touching
    // the body; its inside is white, its outer side dark.
    auto dot = drawn(R"(type="dot")");
    EXPECT_GT(dot->inkNear(QPointF(-0.025, 0.025)), 0.4);
    EXPECT_LT(dot->inkNear(QPointF(-0.025, 0.012)), 0.05);
    // Input wedge: its corner 0.05 out, 0.025 above the pin.
    EXPECT_GT(drawn(R"(type="inputWedge")")->inkNear(QPointF(-0.05, 0.02)), 0.4);
    // Output wedge: the slant from (-0.05, 0) to (0, 0.025).
    auto out = drawn(R"(type="outputWedge")");
    EXPECT_GT(out->inkNear(QPointF(-0.025, 0.0125)), 0.4);
    EXPECT_LT(out->inkNear(QPointF(-0.05, 0.02)), 0.05);
    // Zero length: a circle about the placement point and no pin line.
    auto zero = drawn(R"(type="zeroLength")");
    EXPECT_GT(zero->inkNear(QPointF(0.025, 0)), 0.4);
    EXPECT_LT(zero->inkNear(QPointF(-0.1, 0)), 0.05);
    // "nameVisible" false also hides the circle (it sets visibleInSchematic).
    EXPECT_LT(drawn(R"(type="zeroLength" nameVisible="false")")->inkNear(QPointF(0.025, 0)), 0.05);

    // Point: a dot of twice the node pen's width on a schematic sheet only.
    Design design;
    DesignState state(&design);
    auto sheet = state.addSchematic();
    sheet->schematicSettings.nodePen.width = 0.02;
    auto onSheet = drawn(R"(type="point")", sheet.get());
    EXPECT_GT(onSheet->inkNear(QPointF(0.017, 0)), 0.4);
    EXPECT_LT(onSheet->inkNear(QPointF(0.025, 0)), 0.05);
    EXPECT_LT(drawn(R"(type="point")")->inkNear(QPointF(0, 0), 3), 0.05);

    // The no-connect cross: dark green diagonals about the pin end.
    auto nc = drawn(R"(type="line" length="short" noConnect="true")");
    const QColor green = nc->at(QPointF(-0.1 + 0.015, 0.015));
    EXPECT_LT(green.red(), 60);
    EXPECT_GT(green.green(), 90);
    EXPECT_LT(green.blue(), 60);

    // A ground pin draws with the black pen of width 0.01, not its own 0.007.
    auto ground = drawn(R"(type="line" ground="true")");
    auto plain = drawn(R"(type="line")");
    EXPECT_GT(ground->inkIn(QRectF(-0.15, -0.02, 0.1, 0.04)), 1.3 * plain->inkIn(QRectF(-0.15, -0.02, 0.1, 0.04)));

    // Any orientation: no direction, so no pin line at all.
    auto any = readMeasured<SymbolTerminal>(R"(<terminal at="0,0" side="any" nameVisible="false" type="clock"/>)");
    EXPECT_EQ(any->pinEndPoint(), QPointF(0, 0));
}

TEST(TerminalDrawing, NamesAndPadNames)
{
    // A right pin's name ends 0.05 left of the placement point; the pad
    // name sits outside the body above the pin.
    auto t = readMeasured<SymbolTerminal>(R"(<terminal at="0,0" side="right" type="line" name="WWW"/>)");
    ASSERT_TRUE(t);
    t->padName = QStringLiteral("88");
    t->updateGeometry(std::nullopt, nullptr);
    Canvas canvas(QPointF(0, 0), 1000);
    canvas.draw(*t);
    const QRectF name = t->nameModelSpaceBoundingBox->rect();
    EXPECT_GT(canvas.inkIn(name), 50);
    EXPECT_LT(canvas.inkIn(QRectF(-0.04, -0.1, 0.035, 0.2)), 1); // the gap before the placement point
    EXPECT_GT(canvas.inkIn(t->padNameModelSpaceBoundingBox->rect()), 20);

    // The name's colour is the brush's; the pad name is black, both in the
    // layer colour when one is in force.
    auto red = readMeasured<SymbolTerminal>(R"(<terminal at="0,0" side="left" type="line" name="MMM" brushColor="255,0,0"/>)");
    Canvas rc(QPointF(0, 0), 1000);
    rc.draw(*red);
    bool sawRed = false;
    const QRect box = rc.view.mapRect(red->nameModelSpaceBoundingBox->rect()).toAlignedRect();
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            sawRed |= rc.image.pixelColor(x, y) == QColor(255, 0, 0);
    EXPECT_TRUE(sawRed);
    auto clear = readMeasured<SymbolTerminal>(R"(<terminal at="0,0" side="left" type="line" name="MMM" brushColor="0,255,0,0"/>)");
    Canvas cc(QPointF(0, 0), 1000);
    cc.draw(*clear, true);
    EXPECT_LT(cc.inkIn(clear->nameModelSpaceBoundingBox->rect()), 1);

    // A top pin's name is turned a quarter: its ink is taller than wide.
    auto up = readMeasured<SymbolTerminal>(R"(<terminal at="0,0" side="top" type="line" name="ADDRESS" nameVisible="true"/>)");
    Canvas uc(QPointF(0, -0.2), 1000);
    uc.draw(*up);
    const QRectF n = up->nameModelSpaceBoundingBox->rect();
    EXPECT_GT(n.height(), 3 * n.width());
    EXPECT_GT(uc.inkIn(n), 100);
    // Nothing of it outside its box (beside it across the pin axis).
    EXPECT_LT(uc.inkIn(QRectF(n.right() + 0.01, n.top(), 0.05, n.height())), 1);

    // An empty name gets a box but draws nothing.
    auto empty = readMeasured<SymbolTerminal>(R"(<terminal at="0,0" side="left" nameVisible="true" type="zeroLength"/>)");
    empty->visibleInSchematic = false;
    Canvas ec(QPointF(0, 0), 1000);
    ec.draw(*empty);
    EXPECT_TRUE(empty->nameModelSpaceBoundingBox);
    EXPECT_LT(ec.inkIn(QRectF(-0.5, -0.5, 1, 1)), 1);
}

TEST(PinName, OverlineSpans)
{
    Font font;
    font.height = 0.05;
    const auto r = characterOffsets(font, QStringLiteral("ABC"));
    ASSERT_EQ(r.size(), 3u);

    // No marks: nothing to strike over.
    EXPECT_TRUE(parseOverstrikeText(font, QStringLiteral("ABC")).overstrikes.empty());

    // Over the first two letters.
    auto two = parseOverstrikeText(font, kOpen + "AB" + kClose + "C");
    EXPECT_EQ(two.formatFreeText, QStringLiteral("ABC"));
    ASSERT_EQ(two.overstrikes.size(), 1u);
    EXPECT_DOUBLE_EQ(two.overstrikes[0].start, 0);
    EXPECT_DOUBLE_EQ(two.overstrikes[0].end, r[1].end);

    // Over the middle letter only.
    auto middle = parseOverstrikeText(font, "A" + kOpen + "B" + kClose + "C");
    ASSERT_EQ(middle.overstrikes.size(), 1u);
    EXPECT_DOUBLE_EQ(middle.overstrikes[0].start, r[1].start);
    EXPECT_DOUBLE_EQ(middle.overstrikes[0].end, r[1].end);

    // Left open: to the end. Closing at the very end: the same.
    for (const QString& s : {"A" + kOpen + "BC", "A" + kOpen + "BC" + kClose}) {
        auto open = parseOverstrikeText(font, s);
        ASSERT_EQ(open.overstrikes.size(), 1u);
        EXPECT_DOUBLE_EQ(open.overstrikes[0].start, r[1].start);
        EXPECT_DOUBLE_EQ(open.overstrikes[0].end, r[2].end);
    }

    // A stray closing mark and a second opening mark are ignored.
    auto stray = parseOverstrikeText(font, kClose + "A" + kOpen + "B" + kOpen + "C" + kClose);
    EXPECT_EQ(stray.formatFreeText, QStringLiteral("ABC"));
    ASSERT_EQ(stray.overstrikes.size(), 1u);
    EXPECT_DOUBLE_EQ(stray.overstrikes[0].start, r[1].start);
    EXPECT_DOUBLE_EQ(stray.overstrikes[0].end, r[2].end);

    // Open then close between two letters: zero length there.
    auto zero = parseOverstrikeText(font, "A" + kOpen + kClose + "B");
    ASSERT_EQ(zero.overstrikes.size(), 1u);
    EXPECT_DOUBLE_EQ(zero.overstrikes[0].start, zero.overstrikes[0].end);
    EXPECT_DOUBLE_EQ(zero.overstrikes[0].start, characterOffsets(font, QStringLiteral("AB"))[1].start);

    // Two spans in order.
    auto spans = parseOverstrikeText(font, kOpen + "A" + kClose + "B" + kOpen + "C" + kClose);
    ASSERT_EQ(spans.overstrikes.size(), 2u);
    EXPECT_DOUBLE_EQ(spans.overstrikes[0].end, r[0].end);
    EXPECT_DOUBLE_EQ(spans.overstrikes[1].start, r[2].start);

    // An opening mark with nothing shown after it opens nothing; marks only
    // give an empty text and no spans; combining characters next to marks
    // read nothing beyond the measured characters.
    EXPECT_TRUE(parseOverstrikeText(font, "AB" + kOpen).overstrikes.empty());
    EXPECT_TRUE(parseOverstrikeText(font, "AB" + kOpen + kClose).overstrikes.empty());
    auto marks = parseOverstrikeText(font, kOpen + kClose + kOpen);
    EXPECT_TRUE(marks.formatFreeText.isEmpty());
    EXPECT_TRUE(marks.overstrikes.empty());
    EXPECT_TRUE(parseOverstrikeText(font, QString()).overstrikes.empty());
    auto combining = parseOverstrikeText(font, "A" + kOpen + QChar(0x0301) + QChar(0x0301) + "B" + kClose);
    for (const Overstrike& o : combining.overstrikes) {
        EXPECT_TRUE(std::isfinite(o.start) && std::isfinite(o.end));
        EXPECT_LE(o.end, textSize(font, combining.formatFreeText).width() + font.height);
    }
}

TEST(PinName, OverlinesDrawnAboveTheirLetters)
{
    // A left pin: the name starts 0.05 right of the placement point.
    auto t = readMeasured<SymbolTerminal>(std::string("<terminal at=\"0,0\" side=\"left\" type=\"line\" name=\"") + (kOpen + "HH" + kClose + "HHHH").toStdString() + "\"/>");
    ASSERT_TRUE(t);
    ASSERT_TRUE(t->textWithOverstrikes);
    EXPECT_EQ(t->textWithOverstrikes->formatFreeText, QStringLiteral("HHHHHH"));
    Font font = t->nameFont;
    const auto r = characterOffsets(font, QStringLiteral("HHHHHH"));
    Canvas canvas(QPointF(0.2, 0), 2000);
    canvas.draw(*t);
    const double y = t->nameModelSpaceBoundingBox->center().y() + 0.7 * font.height;
    // Over the first two letters, not over the last four.
    EXPECT_GT(canvas.inkNear(QPointF(0.05 + r[0].end, y)), 0.5);
    EXPECT_LT(canvas.inkNear(QPointF(0.05 + r[4].start, y)), 0.05);

    // No marks: no overline and no parsed form.
    auto plain = readMeasured<SymbolTerminal>(R"(<terminal at="0,0" side="left" type="line" name="HHHHHH"/>)");
    EXPECT_FALSE(plain->textWithOverstrikes);
    Canvas pc(QPointF(0.2, 0), 2000);
    pc.draw(*plain);
    EXPECT_LT(pc.inkNear(QPointF(0.05 + r[0].end, y)), 0.05);

    // A bottom pin: the overline turns with the name, across the pin.
    auto down = readMeasured<SymbolTerminal>(std::string("<terminal at=\"0,0\" side=\"bottom\" type=\"line\" name=\"") + (kOpen + "HHHHHH" + kClose).toStdString() + "\"/>");
    Canvas dc(QPointF(0, 0.2), 2000);
    dc.draw(*down);
    const QRectF n = down->nameModelSpaceBoundingBox->rect();
    // Turned by +90 degrees about the box centre, the line at +0.7h above
    // the text lies 0.7h to the left of the centre, along the pin.
    const double x = n.center().x() - 0.7 * font.height;
    EXPECT_GT(dc.inkNear(QPointF(x, n.center().y())), 0.5);
    EXPECT_GT(dc.inkNear(QPointF(x, n.center().y() + n.height() * 0.4)), 0.5);
}

TEST(TerminalReading, HostileValuesStayBounded)
{
    // A very long marked name is laid out only in part, quickly.
    std::string name;
    for (int i = 0; i < 20000; ++i)
        name += (i % 7 == 0) ? "\xCB\x86" : "W";
    auto t = readMeasured<SymbolTerminal>("<terminal side=\"left\" name=\"" + name + "\" font=\"\" height=\"1e300\" padHeight=\"-1\" at=\"1e30,nan\"/>");
    ASSERT_TRUE(t);
    t->padName = QString(5000, QChar('9'));
    t->updateGeometry(std::nullopt, nullptr);
    EXPECT_EQ(t->nameFont.familyName, QStringLiteral("Arial"));
    Canvas canvas(QPointF(0, 0), 100);
    canvas.draw(*t);
    SUCCEED();
}
