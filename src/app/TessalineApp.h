#pragma once
// The application: its start-up sequence (recent documents, the shared view
// model, the start-up sample design), its one window with the menus, and the
// task that prepares the tip store each time the window's content is shown.

#include <QString>

#include <memory>

class DesignOpener;
class MainWindow;

class TessalineApp {
public:
    // The sample design opened at start-up.
    static constexpr const char* startupSample = "Quorlan";

    // Runs the start-up sequence; sample names the resource to open (a
    // missing one leaves the empty document, with no alert). From then on
    // the user's opens are read off the window's thread (DesignOpener).
    explicit TessalineApp(const QString& sample = QString::fromLatin1(startupSample));
    ~TessalineApp();
    TessalineApp(const TessalineApp&) = delete;
    TessalineApp& operator=(const TessalineApp&) = delete;

    // Handed to the menus, which own its meaning.
    bool toggleSetting = true;

    // The window, built on first use.
    MainWindow& window();
    DesignOpener& opener() { return *opener_; }

    // Resets, then configures the tip store; failures are ignored.
    static void runStartupTask();

private:
    std::unique_ptr<DesignOpener> opener_;
    std::unique_ptr<MainWindow> window_;
};
