#include "ViewportTestSupport.h"

#include "document/DesignState.h"
#include "document/Schematic.h"
#include "viewport/RecentFiles.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

QUrl makeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content = "x")
{
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    return QUrl::fromLocalFile(path);
}

} // namespace

TEST(RecentFiles, MostRecentFirstWithoutDuplicatesAtMostTwenty)
{
    ScratchSettings scratch;
    QTemporaryDir dir;
    recentFiles().clear();
    std::vector<QUrl> urls;
    for (int i = 0; i < 25; ++i)
        urls.push_back(makeFile(dir, QStringLiteral("d%1.project").arg(i)));
    for (const QUrl& u : urls)
        addRecentFile(u);
    ASSERT_EQ(recentFiles().size(), kMaxRecentFiles);
    EXPECT_EQ(recentFiles().front(), urls[24]);
    EXPECT_EQ(recentFiles().back(), urls[5]);

    addRecentFile(urls[10]); // already listed: moves to the front
    EXPECT_EQ(recentFiles().size(), kMaxRecentFiles);
    EXPECT_EQ(recentFiles().front(), urls[10]);
    EXPECT_EQ(recentFiles().count(urls[10]), 1);
    EXPECT_EQ(recentFiles()[1], urls[24]);

    // Saved as it changed: a fresh load gives the same list.
    const QList<QUrl> saved = recentFiles();
    recentFiles().clear();
    loadRecentFiles();
    EXPECT_EQ(recentFiles(), saved);
    QSettings s;
    EXPECT_FALSE(s.contains("RecentFile20"));
    // Kept as readable text, the file's path.
    EXPECT_EQ(s.value("RecentFile0"), QVariant(urls[10].toLocalFile()));
}

TEST(RecentFiles, PathsWithAnyCharacterSurviveTheRoundTrip)
{
    ScratchSettings scratch;
    QTemporaryDir dir;
    recentFiles().clear();
    const QUrl spaced = makeFile(dir, "with blank.project");
    const QUrl hashed = makeFile(dir, "a#b%25c?.project");
    const QUrl accented = makeFile(dir, QString::fromUtf8("Platine \xc3\xa9t\xc3\xa9 [1].project"));
    addRecentFile(spaced);
    addRecentFile(hashed);
    addRecentFile(accented);
    recentFiles().clear();
    loadRecentFiles();
    ASSERT_EQ(recentFiles().size(), 3);
    EXPECT_EQ(recentFiles()[0], accented);
    EXPECT_EQ(recentFiles()[1], hashed);
    EXPECT_EQ(recentFiles()[2], spaced);
    EXPECT_TRUE(QFile::exists(recentFiles()[1].toLocalFile()));
}

TEST(RecentFiles, LoadSkipsMissingFilesGapsAndRepeats)
{
    ScratchSettings scratch;
    QTemporaryDir dir;
    const QUrl a = makeFile(dir, "a.project");
    const QUrl b = makeFile(dir, "b.project");
    {
        QSettings s;
        s.setValue("RecentFile0", a);
        s.setValue("RecentFile2", QUrl::fromLocalFile(dir.filePath("gone.project")));
        s.setValue("RecentFile3", a);
        s.setValue("RecentFile5", b.toLocalFile()); // a plain path, as text
        s.setValue("RecentFile7", "not a url at all \x01");
        s.setValue("RecentFile25", b); // beyond the last index
    }
    recentFiles() = {QUrl("file:///stale")};
    loadRecentFiles();
    ASSERT_EQ(recentFiles().size(), 2);
    EXPECT_EQ(recentFiles()[0], a);
    EXPECT_EQ(recentFiles()[1], b);
    // Loading leaves the stored keys alone.
    EXPECT_TRUE(QSettings().contains("RecentFile2"));
}

TEST(RecentFiles, SaveRemovesEveryOldKeyAndWritesPlainText)
{
    ScratchSettings scratch;
    QTemporaryDir dir;
    {
        // Old URL values, and stale keys far past the last index.
        QSettings s;
        for (int i = 0; i < 20; ++i)
            s.setValue(QStringLiteral("RecentFile%1").arg(i), QUrl("file:///old"));
        for (int i = 20; i < 3000; ++i)
            s.setValue(QStringLiteral("RecentFile%1").arg(i), QStringLiteral("/old/%1.project").arg(i));
        s.setValue("RecentFile007", "/old/padded.project");
        s.setValue("RecentFiles", "not ours");
        s.setValue("RecentFileX", "not ours");
    }
    const QUrl one = makeFile(dir, "one #1.project");
    recentFiles() = {one};
    saveRecentFiles();
    QSettings s;
    QStringList recentKeys;
    for (const QString& key : s.childKeys())
        if (key.startsWith("RecentFile"))
            recentKeys.append(key);
    recentKeys.sort();
    EXPECT_EQ(recentKeys, QStringList({"RecentFile0", "RecentFileX", "RecentFiles"}));
    s.sync();
    QFile file(s.fileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray stored = file.readAll();
    EXPECT_FALSE(stored.contains("@Variant")) << stored.constData();
    EXPECT_TRUE(stored.contains(one.toLocalFile().toUtf8())) << stored.constData();
    recentFiles().clear();
    loadRecentFiles();
    EXPECT_EQ(recentFiles(), QList<QUrl>{one});

    recentFiles().clear();
    saveRecentFiles();
    EXPECT_FALSE(QSettings().contains("RecentFile0"));
}

TEST(RecentFiles, LoadingADesignRecordsItAndResetsTheViewState)
{
    ScratchSettings scratch;
    registerTestBox();
    QTemporaryDir dir;
    recentFiles().clear();
    ViewModel& vm = ViewModel::shared();
    vm.setAlertItem(std::nullopt);

    const QUrl first = makeFile(dir, "First Board.project", schematicDesign({QRectF(0, 0, 1, 1)}));
    ASSERT_TRUE(vm.loadDesign(first));
    auto oldSheet = Design::shared().currentDesignState()->schematics.front();
    auto picked = oldSheet->entityList.entities.front();
    picked->selected = true;
    vm.setSelectedEntity(picked);
    vm.sheetTransforms[oldSheet.get()] = QTransform::fromScale(3, -3);

    Viewport2D viewport(false);
    vm.registerViewport(&viewport);
    vm.setActiveViewport(&viewport);
    viewport.firstTime = false;
    QSignalSpy loaded(&vm, &ViewModel::designLoaded);
    const int redraws = vm.redraws();

    const QUrl second = makeFile(dir, "second.v2.project", schematicDesign({QRectF(2, 2, 1, 1)}));
    ASSERT_TRUE(vm.loadDesign(second));
    EXPECT_EQ(vm.designURL, second);
    EXPECT_EQ(vm.designShortName(), "second.v2");
    EXPECT_EQ(recentFiles(), (QList<QUrl>{second, first}));
    // The replaced design's entity is no longer picked anywhere.
    EXPECT_EQ(vm.selectedEntity(), nullptr);
    EXPECT_FALSE(picked->selected);
    EXPECT_TRUE(vm.sheetTransforms.empty());
    EXPECT_TRUE(viewport.firstTime);
    EXPECT_EQ(vm.redraws(), redraws + 1);
    EXPECT_EQ(loaded.count(), 1);

    // A file that does not read: the design, the recent list and the view
    // state stay; the alert tells why.
    auto sheetBefore = Design::shared().currentDesignState()->schematics.front();
    const QUrl broken = makeFile(dir, "broken.project", "<project><design>");
    EXPECT_FALSE(vm.loadDesign(broken));
    EXPECT_TRUE(vm.alertItem().has_value());
    EXPECT_EQ(recentFiles(), (QList<QUrl>{second, first}));
    EXPECT_EQ(vm.designURL, second);
    EXPECT_EQ(Design::shared().currentDesignState()->schematics.front(), sheetBefore);
    EXPECT_FALSE(vm.loadDesign(QUrl::fromLocalFile(dir.filePath("missing.project"))));
    EXPECT_EQ(recentFiles().size(), 2);

    vm.setAlertItem(std::nullopt);
    vm.setActiveViewport(nullptr);
    vm.unregisterViewport(&viewport);
}

TEST(RecentFiles, SampleDesignsComeFromResources)
{
    ViewModel& vm = ViewModel::shared();
    const QString before = vm.designShortName();
    const auto stateBefore = Design::shared().currentDesignState();
    vm.openSampleDesign("NoSuchSample");
    EXPECT_EQ(vm.designShortName(), before);
    EXPECT_EQ(Design::shared().currentDesignState(), stateBefore);
    EXPECT_FALSE(vm.alertItem().has_value());
}

TEST(RecentFiles, OpeningASampleLeavesTheRecentListAndFileAlone)
{
    if (!QFile::exists(":/samples/Quorlan.project"))
        GTEST_SKIP() << "sample design not bundled";
    ScratchSettings scratch;
    ViewModel& vm = ViewModel::shared();
    recentFiles().clear();
    const auto url = vm.designURL;
    Viewport2D viewport(true);
    vm.registerViewport(&viewport);
    viewport.firstTime = false;
    vm.sheetTransforms[nullptr] = QTransform();
    vm.openSampleDesign("Quorlan");
    EXPECT_FALSE(vm.alertItem().has_value());
    EXPECT_EQ(vm.designShortName(), "Quorlan");
    EXPECT_EQ(vm.designURL, url);
    EXPECT_TRUE(recentFiles().isEmpty());
    EXPECT_TRUE(vm.sheetTransforms.empty());
    EXPECT_TRUE(viewport.firstTime);
    vm.unregisterViewport(&viewport);
}

TEST(RecentFiles, PendingUrlStartsEmpty)
{
    EXPECT_FALSE(pendingRecentFileURL().has_value());
}
