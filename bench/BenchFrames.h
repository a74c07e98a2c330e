#pragma once
// What the frame benchmarks share: a sheet fitted into a 1920 x 1080 view
// as a window shows it, and that view zoomed about a point.

#include "document/GraphicsSheet.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QTransform>

// Fits the viewport's sheet of the design loaded into 1920 x 1080 and
// readies its geometry; null when the design has no such sheet.
inline GraphicsSheet* fitSheet(Viewport2D& viewport)
{
    ViewModel::shared().sheetTransforms.clear();
    viewport.resize(1920, 1080);
    viewport.fit();
    GraphicsSheet* sheet = viewport.sheet();
    if (sheet)
        sheet->updateGeometry();
    return sheet;
}

// The view zoomed by z about its device point `at`, which lands at the
// middle of the 1920 x 1080 frame.
inline QTransform zoomedAbout(const QTransform& view, QPointF at, double z)
{
    return view * QTransform::fromTranslate(-at.x(), -at.y()) * QTransform::fromScale(z, z) * QTransform::fromTranslate(960, 540);
}
