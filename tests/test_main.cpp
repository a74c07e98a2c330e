#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Every test binary runs with a QApplication, as the program does, so that
// fonts, images and widgets behave the same under test. Each process gets
// its own settings folder: ctest runs tests in parallel, and they must not
// see each other's user defaults.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (home.isValid()) {
        qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
        qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName("BrindlexTests");
    QApplication::setApplicationName("BrindlexTests");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
