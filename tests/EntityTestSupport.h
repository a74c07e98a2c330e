#pragma once
// Entity helpers shared by the tests: an entity read from a snippet, what a
// click picks on a sheet or in a list, sheets rendered to an image, a board
// loaded from text.
#include "DrawingTestSupport.h"
#include "TestSupport.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/GraphicsSheet.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "editors/EntityEditor.h"
#include "model/Entity.h"
#include "model/EntityFactory.h"
#include "model/EntityList.h"

#include <QLabel>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>

// The entity the factory makes for the snippet's root element, read from
// it; null when the factory makes none or one of another type.
template <class T = Entity>
std::shared_ptr<T> readAs(const std::string& xml, GraphicsSheet* sheet = nullptr)
{
    pugi::xml_document doc = parseXml(xml);
    auto e = std::dynamic_pointer_cast<T>(makeEntity(doc.first_child(), sheet));
    if (e)
        e->readXML(doc.first_child());
    return e;
}

// readAs, then measured at the top of a sheet.
template <class T = Entity>
std::shared_ptr<T> readMeasured(const std::string& xml, GraphicsSheet* sheet = nullptr)
{
    auto e = readAs<T>(xml, sheet);
    if (e)
        e->updateGeometry(std::nullopt, nullptr);
    return e;
}

// Whether the entity drawn in pick mode through `toPixel` covers the pixel.
inline bool picksThrough(const QTransform& toPixel, Entity& e)
{
    return picksThrough(toPixel, [&e](Graphics& g) { e.draw(g); });
}

// The entity of the sheet a click at a model point picks, the point in the
// middle of the pick pixel at `scale` pixels per inch and the sheet's
// visible box that point.
inline std::shared_ptr<Entity> pickOnSheet(GraphicsSheet& sheet, QPointF model, double scale, bool subPicking,
                                           bool drawingPcb)
{
    return drawForPick(pixelCentredOn(model, scale), [&](Graphics& g) {
        g.subPicking = subPicking;
        g.drawingPcb = drawingPcb;
        g.viewportBoundingBox.addPoint(model);
        return sheet.draw(g);
    });
}

// The entity an entity list reports under the pick pixel.
inline std::shared_ptr<Entity> pickInList(EntityList& list, const QTransform& toPixel, bool subPicking)
{
    return drawForPick(toPixel, [&](Graphics& g) {
        g.subPicking = subPicking;
        return list.draw(g);
    });
}

// A sheet's entities drawn at `scale` pixels per inch onto white, model
// (0, 0) at the image's lower-left corner; the graphics flags may be set
// first.
struct SheetRender {
    QImage image;
    double scale;
    SheetRender(GraphicsSheet& sheet, const std::function<void(Graphics&)>& setup = {}, double scale = 100,
                QSize size = QSize(400, 400))
        : image(size, QImage::Format_ARGB32_Premultiplied), scale(scale)
    {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setTransform(QTransform(scale, 0, 0, -scale, 0, size.height()));
        DrawingContext context(painter);
        Graphics g(context);
        if (setup)
            setup(g);
        sheet.entityList.draw(g);
    }
    QColor at(double x, double y) const
    {
        return image.pixelColor(int(std::floor(x * scale)), int(std::floor(image.height() - y * scale)));
    }
    // Pixels inside a model rectangle that pass the test.
    int countIn(const QRectF& r, const std::function<bool(const QColor&)>& test) const
    {
        int n = 0;
        for (int px = int(r.left() * scale); px < int(r.right() * scale); ++px)
            for (int py = int(image.height() - r.bottom() * scale); py < int(image.height() - r.top() * scale); ++py)
                n += test(image.pixelColor(px, py)) ? 1 : 0;
        return n;
    }
    // Pixels that are not white inside a model rectangle.
    int inkIn(const QRectF& r) const
    {
        return countIn(r, [](const QColor& c) { return c != QColor(Qt::white); });
    }
    // Dark pixels (text, outlines) inside a model rectangle.
    int darkIn(const QRectF& r) const
    {
        return countIn(r, [](const QColor& c) { return c.lightness() < 128; });
    }
};

// Whether the editor shows "No editable parameters".
inline bool showsNoParameters(QWidget* w)
{
    for (QLabel* l : w->findChildren<QLabel*>())
        if (l->text() == "No editable parameters" && !l->isHidden())
            return true;
    return false;
}

// A square y-up image of the board at `scale` pixels per inch with `centre`
// in its middle, on `background`, painted through `g` until a pixel is read.
struct BoardCanvas {
    QImage image;
    QPainter painter;
    DrawingContext context;
    Graphics g;
    double scale;

    BoardCanvas(int size, double scale, QPointF centre, const QColor& background)
        : image(make(size, background)), painter(&image), context(init(painter, size, scale, centre)), g(context),
          scale(scale), centre_(centre), background_(background)
    {
        g.drawingPcb = true;
    }
    QColor at(QPointF model)
    {
        finish();
        const double half = image.width() / 2.0;
        const int x = int(std::floor(half + (model.x() - centre_.x()) * scale));
        const int y = int(std::floor(half - (model.y() - centre_.y()) * scale));
        return image.pixelColor(x, y);
    }
    // Pixels clearly brighter than anything but the white pad-name text.
    int whitish()
    {
        finish();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (QColor c = image.pixelColor(x, y); c.red() > 150 && c.green() > 150 && c.blue() > 150)
                    ++n;
        return n;
    }
    bool untouched()
    {
        finish();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) != background_)
                    return false;
        return true;
    }

private:
    QPointF centre_;
    QColor background_;
    void finish()
    {
        if (painter.isActive())
            painter.end();
    }
    static QImage make(int size, const QColor& background)
    {
        QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
        img.fill(background);
        return img;
    }
    static QPainter& init(QPainter& p, int size, double s, QPointF c)
    {
        p.setTransform(QTransform(s, 0, 0, -s, size / 2.0 - c.x() * s, size / 2.0 + c.y() * s));
        return p;
    }
};

// Loads a design from text and measures its PCB sheet, which it returns.
inline PCB& loadBoard(Design& design, const std::string& text, const QString& fileName)
{
    EXPECT_TRUE(design.loadFromBytes(QByteArray::fromStdString(text), fileName)) << design.lastError().toStdString();
    PCB& pcb = *design.currentDesignState()->pcb;
    pcb.updateGeometry();
    return pcb;
}

// A design with a schematic sheet to read entities onto and place them on.
class SchematicSheetTest : public ::testing::Test {
protected:
    Design design;
    Schematic schematic{&design};

    template <class T>
    std::shared_ptr<T> read(const std::string& xml)
    {
        return readAs<T>(xml, &schematic);
    }
    // Appends the entity to the schematic and runs the sheet's geometry.
    void place(const std::shared_ptr<Entity>& e)
    {
        schematic.entityList.entities.push_back(e);
        schematic.updateGeometry();
    }
};
