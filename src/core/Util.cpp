#include "core/Util.h"

#include <QFileInfo>

QString designShortName(const QUrl& fileUrl)
{
    const QString path = fileUrl.path();
    QString name = path.section(u'/', -1);
    const QString ext = QFileInfo(name).suffix();
    // Every occurrence is removed, not only the last: "a.project.project" -> "a".
    name.remove(ext.isEmpty() ? QStringLiteral(".") : QStringLiteral(".") + ext);
    return name;
}
