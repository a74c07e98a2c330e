#pragma once
// Typed reads and writes of the user defaults (QSettings). A stored value
// that is not of the key's type (edited by hand, written by another version)
// reads as the caller's default rather than as whatever QVariant makes of it:
// "maybe" is not true and "2x" is not 2.

#include <QSettings>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <optional>

namespace userDefaults {

// The value conversions, for values already read.
bool toBool(const QVariant& value, bool fallback);
int toInt(const QVariant& value, int fallback);
// A URL stored as a URL value (older builds) or as text: a local path, or a
// URL string with a scheme. Empty or unreadable values give none.
std::optional<QUrl> toUrl(const QVariant& value);

bool readBool(const QSettings& settings, const QString& key, bool fallback);
int readInt(const QSettings& settings, const QString& key, int fallback);
std::optional<QUrl> readUrl(const QSettings& settings, const QString& key);
// The same reads through a fresh QSettings.
bool readBool(const QString& key, bool fallback);
int readInt(const QString& key, int fallback);
std::optional<QUrl> readUrl(const QString& key);

// Stores a URL as readable text: a local file as its path, anything else as
// its encoded URL string.
void writeUrl(QSettings& settings, const QString& key, const QUrl& url);
QString urlText(const QUrl& url);

} // namespace userDefaults
