#include "viewport/RecentFiles.h"

#include <QFileInfo>
#include <QSettings>

namespace {

QString recentFileKey(int index) { return QStringLiteral("RecentFile%1").arg(index); }

// A stored entry is a URL; a text (written by hand or by an older build) is
// taken as a URL when it has a scheme and as a local path otherwise.
QUrl storedUrl(const QVariant& value)
{
    if (value.typeId() == QMetaType::QUrl)
        return value.toUrl();
    const QString text = value.toString();
    if (text.isEmpty())
        return {};
    const QUrl url(text);
    if (url.isValid() && url.scheme().size() > 1)
        return url;
    return QUrl::fromLocalFile(text);
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
        const QVariant value = settings.value(recentFileKey(i));
        if (!value.isValid())
            continue;
        const QUrl url = storedUrl(value);
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
    for (int i = 0; i < kMaxRecentFiles; ++i)
        settings.remove(recentFileKey(i));
    const QList<QUrl>& files = recentFiles();
    for (int i = 0; i < files.size() && i < kMaxRecentFiles; ++i)
        settings.setValue(recentFileKey(i), files[i]);
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
