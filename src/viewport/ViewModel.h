#pragma once
// The one shared, observable application state: it joins the user interface,
// the viewports and the document. Model objects stay plain C++; they reach
// the view model only through the redraw hook of core/RedrawHook.h.

#include "core/AlertItem.h"
#include "core/RedrawHook.h"

#include <QObject>
#include <QString>
#include <QTransform>
#include <QUrl>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class Entity;
class GraphicsSheet;
class Viewport2D;

class ViewModel : public QObject {
    Q_OBJECT
public:
    // Created on first use (thread-safe function-local static), kept for the
    // run; installs the model's redraw hook and the document's
    // alert hook.
    static ViewModel& shared();
    // The application uses shared(); a separate model (tests) installs no hooks.
    explicit ViewModel(QObject* parent = nullptr);

    // Only when the user default "saved" is true: showTopButtons,
    // showSettingsPanel and showSidePanels from "showTopButtons",
    // "showSettingsPanel" and "showSidePanel" (a missing key reads false).
    void loadWindowSettings();

    // ---- published fields (each setter emits its signal and changed()) ----
    const QString& status() const { return status_; }
    void setStatus(const QString& s);

    // The picked entity; the caller keeps the entity's own `selected` flag.
    const std::shared_ptr<Entity>& selectedEntity() const { return selectedEntity_; }
    void setSelectedEntity(std::shared_ptr<Entity> e);
    // Clears the entity's `selected` flag too and forgets it.
    void clearSelection();

    int designChanges() const { return designChanges_; }
    void incrementDesignChanges();

    const QString& designShortName() const { return designShortName_; }
    void setDesignShortName(const QString& s);

    // The one way to ask the views to redraw, saying what changed (see
    // Redraw): each view does only what that needs. A model change stops
    // the frame being drawn; every request is counted and
    // emits redrawsChanged (panels follow it).
    void requestRedraw(Redraw what);
    // Every redraw request so far.
    int redraws() const { return redraws_; }
    // The requests that changed the model: a view measures its sheet again
    // (the geometry pass) when this count changed.
    int sheetRedraws() const { return sheetRedraws_; }

    // The zoom-rectangle overlay is shown.
    bool zoom() const { return zoom_; }
    void setZoom(bool on);

    // Written only by the two sync operations.
    bool disable() const { return disable_; }
    bool show3D() const { return show3D_; }
    void setShow3D(bool on);

    // Presented by the main window; set back to none on dismissal.
    const std::optional<AlertItem>& alertItem() const { return alertItem_; }
    void setAlertItem(std::optional<AlertItem> item);

    const QString& version() const { return version_; }
    const QString& versionDate() const { return versionDate_; }
    void setVersion(const QString& version, const QString& date);

    // The overlay bindings call the setter, then the matching sync operation.
    bool isShowingAboutView() const { return isShowingAboutView_; }
    void setIsShowingAboutView(bool on);
    bool isShowingAccountView() const { return isShowingAccountView_; }
    void setIsShowingAccountView(bool on);
    void syncDisableWithAboutView();   // disable := isShowingAboutView; redraws += 1
    void syncDisableWithAccountView(); // disable := isShowingAccountView; redraws += 1

    bool showSidePanels() const { return showSidePanels_; }
    void setShowSidePanels(bool on);
    bool showTopButtons() const { return showTopButtons_; }
    void setShowTopButtons(bool on);
    // The binding's write (settings panel close button, etc.) also requests a
    // redraw: call setShowSettingsPanel(v, true).
    bool showSettingsPanel() const { return showSettingsPanel_; }
    void setShowSettingsPanel(bool on, bool redraw = false);

    // Stores the flag and increments redraws.
    bool isShowingOpen() const { return isShowingOpen_; }
    void setIsShowingOpen(bool on);

    // A drag or zoom gesture is under way in a viewport.
    bool draggingOrZooming() const { return draggingOrZooming_; }
    void setDraggingOrZooming(bool on);

    // Account card fields: each setter stores the whole text and increments redraws.
    const QString& login() const { return login_; }
    void setLogin(const QString& s);
    const QString& password() const { return password_; }
    void setPassword(const QString& s);

    // ---- plain fields ----
    // The viewport that receives redraw and fit requests (may be none).
    Viewport2D* activeViewport2D() const;
    void setActiveViewport(Viewport2D* v);
    // Every viewport the main window shows. A viewport also unregisters itself
    // when destroyed, so the list never holds a dangling pointer.
    const std::vector<Viewport2D*>& viewports() const { return viewports_; }
    void registerViewport(Viewport2D* v);
    void unregisterViewport(Viewport2D* v);

    std::optional<QUrl> designURL;
    int lastRedraws = -1;
    bool setBoundingBoxesOnRedraw = false;
    std::optional<QUrl> openDirectory;
    // The view transform of each sheet (y-up model to widget pixels), kept
    // across tab switches; emptied when a design is opened.
    std::map<const GraphicsSheet*, QTransform> sheetTransforms;
    bool isShowingPCB = false;
    int currentCallIndex = 0;
    bool panelVisible = false;
    bool showFrameRate = true;

    // ---- operations ----
    // Alert titled "Brindlex" with the message and an "OK" button.
    void showMessage(const QString& message);
    // "saved" := true, "showTopButtons", "showSidePanel", "showSettingsPanel".
    void saveWindowSettings();
    // Reads the resource ":/samples/<name>.project"; no such resource: no effect.
    void openSampleDesign(const QString& name);
    // The file dialog (files only, one file; "project", "part", "jpeg", "png"),
    // starting in "openDirectory"; OK stores the folder there and loads the file.
    void showOpenPanel(QWidget* parent = nullptr);
    // Reads the file into Design::shared(). Success: records designURL and its
    // short name, puts the file at the front of the recent documents, clears
    // the selection and the stored view transforms and refits every viewport.
    // Failure: the previous design stays, the "Could not open " alert shows and
    // the recent documents are unchanged. Returns whether the file was read.
    bool loadDesign(const QUrl& url);
    // What loadDesign does once the file is the open design.
    void designRead(const QUrl& url);
    // What openSampleDesign does once the sample is the open design.
    void openDesignFile(const QString& shortName);
    // Opens the file the open panel chose; loadDesign when unset (the
    // application reads it off the window's thread).
    std::function<void(const QUrl&)> openFileHook;

signals:
    // Emitted after every change of a published field.
    void changed();
    void statusChanged(const QString& status);
    void selectedEntityChanged();
    void designChangesChanged(int designChanges);
    void designShortNameChanged(const QString& name);
    void redrawsChanged(int redraws);
    void zoomChanged(bool zoom);
    void alertItemChanged();
    // Any of the panel and overlay flags, disable, show3D, isShowingOpen, login, password.
    void flagsChanged();
    void draggingOrZoomingChanged(bool on);
    void activeViewportChanged(Viewport2D* viewport);
    // A design was read (file or sample): panels holding objects of the old
    // design should rebuild.
    void designLoaded();
    // The recent documents list changed.
    void recentFilesChanged();

private:
    void installHooks();
    void published();

    QString status_;
    std::shared_ptr<Entity> selectedEntity_;
    int designChanges_ = 0;
    QString designShortName_;
    int redraws_ = 0;
    int sheetRedraws_ = 0;
    bool zoom_ = false;
    bool disable_ = false;
    bool show3D_ = false;
    std::optional<AlertItem> alertItem_;
    QString version_;
    QString versionDate_;
    bool isShowingAboutView_ = false;
    bool showSidePanels_ = true;
    bool showTopButtons_ = true;
    bool isShowingAccountView_ = false;
    bool isShowingOpen_ = false;
    bool showSettingsPanel_ = false;
    bool draggingOrZooming_ = false;
    QString login_;
    QString password_;

    // Cleared by the viewport's destructor (unregisterViewport).
    Viewport2D* activeViewport2D_ = nullptr;
    std::vector<Viewport2D*> viewports_;
};
