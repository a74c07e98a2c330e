#pragma once
// A fresh main window per test over the process-wide view model and design.

#include "app/MainView.h"
#include "app/MainViewWithSidePanel.h"
#include "app/MainWindow.h"
#include "app/MenuCommands.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QAction>
#include <QCoreApplication>
#include <gtest/gtest.h>

#include <memory>

class AppWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ViewModel& vm = ViewModel::shared();
        vm.isShowingPCB = false;
        vm.setAlertItem(std::nullopt);
        vm.setIsShowingAboutView(false);
        vm.setIsShowingAccountView(false);
        vm.setShowSidePanels(true);
        vm.setShowSettingsPanel(false);
        vm.setDraggingOrZooming(false);
        vm.setZoom(false);
        window = std::make_unique<MainWindow>(vm, toggleSetting);
        window->resize(1200, 800);
    }
    void TearDown() override
    {
        window.reset();
        ViewModel::shared().setAlertItem(std::nullopt);
        QCoreApplication::processEvents();
    }

    ViewModel& vm() { return ViewModel::shared(); }
    MainView& view() { return *window->mainView(); }
    QAction* action(const char* name)
    {
        auto* a = window->findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_NE(a, nullptr) << name;
        return a;
    }
    static SheetSettings& schematicSettings()
    {
        return Design::shared().currentDesignState()->schematics.front()->schematicSettings;
    }
    static SheetSettings& pcbSettings() { return Design::shared().currentDesignState()->pcb->pcbSettings; }

    bool toggleSetting = true;
    std::unique_ptr<MainWindow> window;
};
