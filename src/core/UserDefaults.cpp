#include "core/UserDefaults.h"

#include <limits>

namespace userDefaults {

namespace {

// Text as the settings file holds it (INI files keep every value as text).
std::optional<QString> storedText(const QVariant& value)
{
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    if (value.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(value.toByteArray());
    return std::nullopt;
}

std::optional<long long> storedInteger(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
        return value.toLongLong();
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort: {
        const qulonglong v = value.toULongLong();
        if (v > qulonglong(std::numeric_limits<long long>::max()))
            return std::nullopt;
        return (long long)v;
    }
    default:
        break;
    }
    if (const auto text = storedText(value)) {
        bool ok = false;
        const long long v = text->trimmed().toLongLong(&ok, 10);
        if (ok)
            return v;
    }
    return std::nullopt;
}

} // namespace

bool toBool(const QVariant& value, bool fallback)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (const auto text = storedText(value)) {
        const QString t = text->trimmed();
        if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || t == QLatin1String("1"))
            return true;
        if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || t == QLatin1String("0"))
            return false;
        return fallback;
    }
    if (const auto v = storedInteger(value); v && (*v == 0 || *v == 1))
        return *v == 1;
    return fallback;
}

int toInt(const QVariant& value, int fallback)
{
    const auto v = storedInteger(value);
    if (!v || *v < std::numeric_limits<int>::min() || *v > std::numeric_limits<int>::max())
        return fallback;
    return int(*v);
}

std::optional<QUrl> toUrl(const QVariant& value)
{
    if (value.typeId() == QMetaType::QUrl) {
        const QUrl url = value.toUrl();
        if (url.isEmpty() || !url.isValid())
            return std::nullopt;
        return url;
    }
    const auto text = storedText(value);
    if (!text || text->isEmpty())
        return std::nullopt;
    // A one-letter scheme is a drive letter, not a scheme.
    const QUrl url(*text);
    if (url.isValid() && url.scheme().size() > 1)
        return url;
    return QUrl::fromLocalFile(*text);
}

bool readBool(const QSettings& settings, const QString& key, bool fallback)
{
    return toBool(settings.value(key), fallback);
}

int readInt(const QSettings& settings, const QString& key, int fallback)
{
    return toInt(settings.value(key), fallback);
}

std::optional<QUrl> readUrl(const QSettings& settings, const QString& key) { return toUrl(settings.value(key)); }

bool readBool(const QString& key, bool fallback) { return readBool(QSettings(), key, fallback); }

int readInt(const QString& key, int fallback) { return readInt(QSettings(), key, fallback); }

std::optional<QUrl> readUrl(const QString& key) { return readUrl(QSettings(), key); }

QString urlText(const QUrl& url)
{
    return url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded);
}

void writeUrl(QSettings& settings, const QString& key, const QUrl& url) { settings.setValue(key, urlText(url)); }

} // namespace userDefaults
