#include <QApplication>
#include <gtest/gtest.h>

// Every test binary runs with a QApplication, as the program does, so that
// fonts, images and widgets behave the same under test.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QApplication::setOrganizationName("BrindlexTests");
    QApplication::setApplicationName("BrindlexTests");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
