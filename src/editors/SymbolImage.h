#pragma once
// Images named the way the editors and panels name them: an application image
// from the resources (":/icons/<name>.png"), a drawn stand-in for the few
// symbol names the program uses, or the desktop theme's icon.

#include <QColor>
#include <QPixmap>
#include <QString>

// A square pixmap of the image at `size` pixels; with `tint` every opaque
// pixel takes `color` (a template image). Null when nothing is found.
QPixmap symbolImage(const QString& name, int size, const QColor& color, bool tint);
