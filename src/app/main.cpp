#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Brindlex");
    QApplication::setApplicationName("Brindlex");
    QMainWindow window;
    window.setWindowTitle("Brindlex");
    window.resize(1280, 800);
    window.show();
    return app.exec();
}
