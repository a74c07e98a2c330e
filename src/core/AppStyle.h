#pragma once
#include <QColor>
#include <QString>

// Process-wide style constants, created on first use.
struct AppStyle {
    double junctionScale = 1.0;
    QColor schematicSheetColor = QColor::fromRgbF(1.0f, 1.0f, 0.9098f, 1.0f);
    QColor pcbColor = QColor(0, 0, 0);
    QColor sheetBackgroundColor = QColor::fromRgbF(0.863f, 0.863f, 0.863f, 1.0f);
    QString defaultFontName = QStringLiteral("Arial");
    double defaultFontHeight = 0.05;
    double dotScale = 1.0;
    QColor panelBackground = QColor::fromRgbF(0.95f, 0.95f, 0.95f, 1.0f);
    QColor settingsBackground = QColor::fromRgbF(0.9f, 0.9f, 0.9f, 1.0f);
};

const AppStyle& appStyle();
