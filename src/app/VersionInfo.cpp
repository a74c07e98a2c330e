#include "app/VersionInfo.h"

#include <QJsonObject>
#include <QJsonValue>

std::optional<VersionInfo> VersionInfo::decode(const QJsonObject& object)
{
    const QJsonValue version = object.value(QStringLiteral("Version"));
    const QJsonValue date = object.value(QStringLiteral("Date"));
    if (!version.isString() || !date.isString())
        return std::nullopt;
    VersionInfo info;
    info.Version = version.toString();
    info.Date = date.toString();
    return info;
}
