#pragma once
#include <QString>
#include <QUrl>

// The file name with every "." + extension removed (every ".", for a file
// without extension).
QString designShortName(const QUrl& fileUrl);
