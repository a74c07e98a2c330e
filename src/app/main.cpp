#include "app/MainWindow.h"
#include "app/TessalineApp.h"
#include "core/ImageCache.h"
#include "core/RedrawHook.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brindlex"));
    QApplication::setApplicationName(QStringLiteral("Brindlex"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/Grid.png")));

    // Pictures decode off the window's thread; each one ready redraws.
    ImageCache::shared().setReadyHook([] { requestRedraw(); });
    TessalineApp tessaline;
    tessaline.window().show();
    const int status = app.exec();
    ImageCache::shared().setReadyHook(nullptr);
    ImageCache::waitForDecodes();
    return status;
}
