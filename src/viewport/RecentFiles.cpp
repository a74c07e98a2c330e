#include "viewport/RecentFiles.h"

#include "core/UserDefaults.h"

#include <QFileInfo>
#include <QSettings>

#include <algorithm>

namespace {

const QString kRecentFilePrefix = QStringLiteral("RecentFile");

QString recentFileKey(int index) { return kRecentFilePrefix + QString::number(index); }

// "RecentFile" followed by digits only: the keys this store owns, whatever
// the index (older builds and hand edits left keys far past the last one).
bool isRecentFileKey(const QString& key)
{
    if (!key.startsWith(kRecentFilePrefix) || key.size() == kRecentFilePrefix.size())
        return false;
    for (qsizetype i = kRecentFilePrefix.size(); i < key.size(); ++i)
        if (key[i] < u'0' || key[i] > u'9')
            return false;
    return true;
}

} // namespace

QList<QUrl>& recentFiles()
{
    static QList<QUrl> files;
    return files;
}

std::optional<QUrl>& pendingRecentFileURL()
{
    static std::optional<QUrl> url;
    return url;
}

void loadRecentFiles()
{
    QList<QUrl>& files = recentFiles();
    files.clear();
    QSettings settings;
    for (int i = 0; i < kMaxRecentFiles; ++i) {
        const std::optional<QUrl> stored = userDefaults::readUrl(settings, recentFileKey(i));
        if (!stored)
            continue;
        const QUrl& url = *stored;
        // The whole address is decoded (toLocalFile), so a path with any
        // escaped character is found, not only one with blanks.
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        if (!info.exists() || files.contains(url))
            continue;
        files.append(url);
    }
}

void saveRecentFiles()
{
    QSettings settings;
    const QList<QUrl>& files = recentFiles();
    const int count = int(std::min<qsizetype>(files.size(), kMaxRecentFiles));
    // Every key of the store goes that the list does not fill, not only the
    // first kMaxRecentFiles: stale ones would be read at every start.
    const QStringList keys = settings.childKeys();
    for (const QString& key : keys)
        if (isRecentFileKey(key))
            settings.remove(key);
    for (int i = 0; i < count; ++i)
        userDefaults::writeUrl(settings, recentFileKey(i), files[i]);
}

void addRecentFile(const QUrl& url)
{
    QList<QUrl>& files = recentFiles();
    files.removeAll(url);
    files.prepend(url);
    while (files.size() > kMaxRecentFiles)
        files.removeLast();
    saveRecentFiles();
}
