#include "app/MainWindow.h"
#include "app/TessalineApp.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brindlex"));
    QApplication::setApplicationName(QStringLiteral("Brindlex"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/Grid.png")));

    TessalineApp tessaline;
    tessaline.window().show();
    return app.exec();
}
