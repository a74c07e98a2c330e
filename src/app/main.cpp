#include "app/MainWindow.h"
#include "app/TessalineApp.h"
#include "core/ImageCache.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
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
