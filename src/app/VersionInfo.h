#pragma once
// Small application types kept for the file and service formats they name;
// nothing in the program creates them yet.

#include <QString>

#include <optional>

class QJsonObject;

// A program version and its date, as a version service would send them.
class VersionInfo {
public:
    QString Version = QStringLiteral("Unknown");
    QString Date = QStringLiteral("Unknown");

    // Both "Version" and "Date" must be present and strings; otherwise none.
    static std::optional<VersionInfo> decode(const QJsonObject& object);
};

// Online services and the board autorouter: placeholders without behaviour.
class WebServices {};
class PcbAutorouter {};
