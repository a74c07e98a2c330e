// Developer tool: renders a sheet of a design to PNG with the viewport's own
// drawing code, or dumps its entity tree as JSON.
//
//   brindlex-render DESIGN -o OUT.png [--sheet pcb|schematic] [--size WxH]
//   brindlex-render DESIGN --dump [--sheet pcb|schematic]

#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "model/Entity.h"
#include "model/EntityList.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <cstdio>

namespace {

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
        o["element"] = e->elementName;
        o["typeName"] = e->typeName();
        o["layerIndex"] = e->layerIndex;
        o["identifier"] = e->identifier;
        o["boundingBox"] = boxJson(e->boundingBox);
        if (IEntityHolder* h = e->holder(); h && depth < EntityList::kMaxNesting)
            o["children"] = listJson(h->entities(), depth + 1);
        out.append(o);
    }
    return out;
}

int usage()
{
    std::fprintf(stderr, "usage: brindlex-render DESIGN (-o OUT.png | --dump) [--sheet pcb|schematic] [--size WxH]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Brindlex");
    QApplication::setApplicationName("Brindlex");

    QString design, out;
    bool pcb = true, dump = false;
    QSize size(1600, 1000);
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "-o" && i + 1 < args.size())
            out = args[++i];
        else if (a == "--sheet" && i + 1 < args.size())
            pcb = args[++i] != "schematic";
        else if (a == "--size" && i + 1 < args.size()) {
            const QStringList wh = args[++i].split('x');
            if (wh.size() != 2)
                return usage();
            size = QSize(wh[0].toInt(), wh[1].toInt());
            if (size.width() <= 0 || size.height() <= 0 || size.width() > 20000 || size.height() > 20000)
                return usage();
        } else if (a == "--dump")
            dump = true;
        else if (design.isEmpty() && !a.startsWith('-'))
            design = a;
        else
            return usage();
    }
    if (design.isEmpty() || (out.isEmpty() && !dump))
        return usage();

    ViewModel& vm = ViewModel::shared();
    vm.showFrameRate = false;
    if (!Design::shared().open(design)) {
        std::fprintf(stderr, "%s\n", qPrintable(Design::shared().lastError()));
        return 1;
    }
    auto state = Design::shared().currentDesignState();
    GraphicsSheet* sheet = pcb ? static_cast<GraphicsSheet*>(state->pcb.get())
                               : (state->schematics.empty() ? nullptr : state->schematics.front().get());
    if (!sheet) {
        std::fprintf(stderr, "the design has no such sheet\n");
        return 1;
    }
    sheet->updateGeometry();

    if (dump) {
        QJsonObject root;
        root["sheet"] = pcb ? "pcb" : "schematic";
        root["boundingBox"] = boxJson(sheet->entityList.boundingBox);
        root["entities"] = listJson(sheet->entityList, 0);
        std::fputs(QJsonDocument(root).toJson(QJsonDocument::Indented).constData(), stdout);
        if (out.isEmpty())
            return 0;
    }

    Viewport2D view(pcb);
    view.resize(size);
    view.fit();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    view.render(&image);
    if (!image.save(out)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return 1;
    }
    return 0;
}
