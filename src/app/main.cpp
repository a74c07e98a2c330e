#include "app/MainWindow.h"
#include "app/TessalineApp.h"
#include "core/ImageCache.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QApplication>
#include <QIcon>

#include <malloc.h>

int main(int argc, char** argv)
{
    // Blocks of a megabyte and more get pages of their own, given back when
    // freed. Left to itself glibc raises that bound to the largest block
    // freed, and once a design has gone its successor's large arrays grow
    // inside the heap instead: a second read of the same design peaked 130
    // MB higher, and what a design leaves stayed resident.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brindlex"));
    QApplication::setApplicationName(QStringLiteral("Brindlex"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/Grid.png")));

    // Pictures decode off the window's thread; the views draw again once
    // some are ready (nothing else changed: no geometry pass).
    ImageCache::shared().setReadyHook([] { ViewModel::shared().requestRedraw(Redraw::display); });
    // Slow frames go on off the window's thread; the guard keeps the model
    // unwritten while one is drawn.
    Viewport2D::installModelGuard(app);
    Viewport2D::setBackgroundFrames(true);
    TessalineApp tessaline;
    tessaline.window().show();
    const int status = app.exec();
    ImageCache::shared().setReadyHook(nullptr);
    ImageCache::waitForDecodes();
    return status;
}
