#include "viewport/ViewModel.h"

#include "core/ModelGuard.h"
#include "core/RedrawHook.h"
#include "core/UserDefaults.h"
#include "core/Util.h"
#include "document/Design.h"
#include "model/Entity.h"
#include "viewport/RecentFiles.h"
#include "viewport/Viewport2D.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>

#include <algorithm>

namespace {

// The account card starts with a made-up password so that no fixed secret
// ships in the program.
QString makePassword()
{
    static const char alphabet[] = "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789";
    constexpr int alphabetSize = int(sizeof(alphabet)) - 1;
    QString password;
    for (int i = 0; i < 10; ++i)
        password.append(QLatin1Char(alphabet[QRandomGenerator::system()->bounded(alphabetSize)]));
    return password;
}

} // namespace

ViewModel& ViewModel::shared()
{
    // Never destroyed: widgets and hooks may still reach it during exit.
    static ViewModel* model = [] {
        auto* m = new ViewModel;
        m->installHooks();
        return m;
    }();
    return *model;
}

ViewModel::ViewModel(QObject* parent)
    : QObject(parent), login_(QStringLiteral("guest")), password_(makePassword())
{
    loadWindowSettings();
}

void ViewModel::loadWindowSettings()
{
    const QSettings settings;
    if (!userDefaults::readBool(settings, QStringLiteral("saved"), false))
        return;
    showTopButtons_ = userDefaults::readBool(settings, QStringLiteral("showTopButtons"), false);
    showSettingsPanel_ = userDefaults::readBool(settings, QStringLiteral("showSettingsPanel"), false);
    showSidePanels_ = userDefaults::readBool(settings, QStringLiteral("showSidePanel"), false);
    emit flagsChanged();
    published();
}

void ViewModel::installHooks()
{
    setRedrawHook([](Redraw what) { ViewModel::shared().requestRedraw(what); });
    Design::shared().alertHook = [](const AlertItem& item) { ViewModel::shared().setAlertItem(item); };
}

void ViewModel::published() { emit changed(); }

void ViewModel::setStatus(const QString& s)
{
    if (s == status_)
        return;
    status_ = s;
    emit statusChanged(status_);
    published();
}

void ViewModel::setSelectedEntity(std::shared_ptr<Entity> e)
{
    ModelGuard::stop();
    selectedEntity_ = std::move(e);
    emit selectedEntityChanged();
    published();
}

void ViewModel::clearSelection()
{
    ModelGuard::stop();
    if (selectedEntity_)
        selectedEntity_->selected = false;
    setSelectedEntity(nullptr);
}

void ViewModel::incrementDesignChanges()
{
    ++designChanges_;
    emit designChangesChanged(designChanges_);
    published();
}

void ViewModel::setDesignShortName(const QString& s)
{
    designShortName_ = s;
    emit designShortNameChanged(s);
    published();
}

void ViewModel::requestRedraw(Redraw what)
{
    // The model the frame being drawn reads has changed: it is stopped
    // rather than waited for. Other changes leave it going (the selection's
    // marks are drawn over whatever frame is shown; a frame for an old view
    // or display is drawn again once done).
    if (has(what, Redraw::model))
        ModelGuard::stop();
    if (has(what, Redraw::model))
        ++sheetRedraws_;
    for (Viewport2D* v : viewports_)
        v->requestRedraw(Redraw(unsigned(what) & ~unsigned(Redraw::fit)));
    if (has(what, Redraw::fit))
        if (Viewport2D* v = activeViewport2D())
            v->requestRedraw(Redraw::fit);
    ++redraws_;
    emit redrawsChanged(redraws_);
    published();
}

void ViewModel::setZoom(bool on)
{
    zoom_ = on;
    emit zoomChanged(on);
    published();
}

void ViewModel::setShow3D(bool on)
{
    show3D_ = on;
    emit flagsChanged();
    published();
}

void ViewModel::setAlertItem(std::optional<AlertItem> item)
{
    alertItem_ = std::move(item);
    emit alertItemChanged();
    published();
}

void ViewModel::setVersion(const QString& version, const QString& date)
{
    version_ = version;
    versionDate_ = date;
    emit flagsChanged();
    published();
}

void ViewModel::setIsShowingAboutView(bool on)
{
    isShowingAboutView_ = on;
    emit flagsChanged();
    published();
}

void ViewModel::setIsShowingAccountView(bool on)
{
    isShowingAccountView_ = on;
    emit flagsChanged();
    published();
}

void ViewModel::syncDisableWithAboutView()
{
    disable_ = isShowingAboutView_;
    emit flagsChanged();
    requestRedraw(Redraw::panels);
}

void ViewModel::syncDisableWithAccountView()
{
    disable_ = isShowingAccountView_;
    emit flagsChanged();
    requestRedraw(Redraw::panels);
}

void ViewModel::setShowSidePanels(bool on)
{
    showSidePanels_ = on;
    emit flagsChanged();
    published();
}

void ViewModel::setShowTopButtons(bool on)
{
    showTopButtons_ = on;
    emit flagsChanged();
    published();
}

void ViewModel::setShowSettingsPanel(bool on, bool redraw)
{
    showSettingsPanel_ = on;
    emit flagsChanged();
    published();
    if (redraw)
        requestRedraw(Redraw::panels);
}

void ViewModel::setIsShowingOpen(bool on)
{
    isShowingOpen_ = on;
    emit flagsChanged();
    requestRedraw(Redraw::panels);
}

void ViewModel::setDraggingOrZooming(bool on)
{
    if (on == draggingOrZooming_)
        return;
    draggingOrZooming_ = on;
    emit draggingOrZoomingChanged(on);
    published();
}

void ViewModel::setLogin(const QString& s)
{
    login_ = s;
    emit flagsChanged();
    requestRedraw(Redraw::panels);
}

void ViewModel::setPassword(const QString& s)
{
    password_ = s;
    emit flagsChanged();
    requestRedraw(Redraw::panels);
}

Viewport2D* ViewModel::activeViewport2D() const { return activeViewport2D_; }

void ViewModel::setActiveViewport(Viewport2D* v)
{
    if (activeViewport2D_ == v)
        return;
    activeViewport2D_ = v;
    emit activeViewportChanged(v);
}

void ViewModel::registerViewport(Viewport2D* v)
{
    if (v && std::find(viewports_.begin(), viewports_.end(), v) == viewports_.end())
        viewports_.push_back(v);
}

void ViewModel::unregisterViewport(Viewport2D* v)
{
    viewports_.erase(std::remove(viewports_.begin(), viewports_.end(), v), viewports_.end());
    if (activeViewport2D_ == v) {
        activeViewport2D_ = nullptr;
        emit activeViewportChanged(nullptr);
    }
}

void ViewModel::showMessage(const QString& message)
{
    AlertItem item;
    item.title = QStringLiteral("Brindlex");
    item.message = message;
    item.dismissButton = QStringLiteral("OK");
    setAlertItem(item);
}

void ViewModel::saveWindowSettings()
{
    QSettings settings;
    settings.setValue(QStringLiteral("saved"), true);
    settings.setValue(QStringLiteral("showTopButtons"), showTopButtons_);
    settings.setValue(QStringLiteral("showSidePanel"), showSidePanels_);
    settings.setValue(QStringLiteral("showSettingsPanel"), showSettingsPanel_);
}

// What every successful read does to the view state: the old design's
// selection and view transforms no longer mean anything.
void ViewModel::openDesignFile(const QString& shortName)
{
    clearSelection();
    setStatus(QString());
    setDesignShortName(shortName);
    sheetTransforms.clear();
    if (activeViewport2D())
        requestRedraw(Redraw::model);
    // The read made the new sheets' geometry.
    for (Viewport2D* v : viewports_) {
        v->takeGeometryAsCurrent();
        v->requestRedraw(Redraw::fit);
    }
    emit designLoaded();
}

void ViewModel::openSampleDesign(const QString& name)
{
    const QString path = QStringLiteral(":/samples/%1.project").arg(name);
    if (!QFile::exists(path))
        return;
    // The same reader as a user's file; a failure raises its alert and
    // leaves the open design and the view state alone.
    if (!Design::shared().open(path))
        return;
    openDesignFile(name);
    Design::releaseUnused();
}

bool ViewModel::loadDesign(const QUrl& url)
{
    const QString path = url.isLocalFile() ? url.toLocalFile() : url.toString();
    if (!Design::shared().open(path))
        return false;
    designRead(url);
    Design::releaseUnused();
    return true;
}

void ViewModel::designRead(const QUrl& url)
{
    designURL = url;
    addRecentFile(url);
    emit recentFilesChanged();
    openDesignFile(::designShortName(url));
}

void ViewModel::showOpenPanel(QWidget* parent)
{
    QString startFolder;
    // Only a local folder can start the dialog; anything else stored there
    // is ignored.
    if (const std::optional<QUrl> folder = userDefaults::readUrl(QStringLiteral("openDirectory"));
        folder && folder->isLocalFile()) {
        openDirectory = *folder;
        startFolder = folder->toLocalFile();
    }
    auto* dialog = new QFileDialog(parent, QString(), startFolder,
        QStringLiteral("Designs (*.project *.part *.jpeg *.jpg *.png)"));
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& file) {
        const QUrl url = QUrl::fromLocalFile(file);
        const QUrl folder = QUrl::fromLocalFile(QFileInfo(file).absolutePath());
        openDirectory = folder;
        QSettings settings;
        userDefaults::writeUrl(settings, QStringLiteral("openDirectory"), folder);
        if (openFileHook)
            openFileHook(url);
        else
            loadDesign(url);
    });
    dialog->open();
}
