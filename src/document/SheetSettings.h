#pragma once
// Observable settings of a sheet: page, grid, units, colours and display
// switches. Read from the "settings" child of the sheet's element: Booleans,
// numbers, words, points and colours are attributes named after the field;
// pens and fonts are child elements named after the field.

#include "core/Font.h"
#include "core/Pen.h"
#include "core/Units.h"
#include "document/SettingsEnums.h"
#include "document/Wrapped.h"

#include <QColor>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <pugixml.hpp>

class SheetSettings {
public:
    SheetSettings();
    virtual ~SheetSettings() = default;

    // A change of the page switch also refits the viewport.
    WrappedBool showPage{false, true};
    WrappedBool showGrid{false};
    WrappedBool showOrigin{false};
    // The zone frame and the title block, drawn on the page when it is shown.
    WrappedBool showBorderReferences{false};
    WrappedBool showTitleBlock{false};

    Units units = Units::inch;
    // Model point shown as the user's origin (coordinate labels are relative to it).
    QPointF originOffset{0, 0};
    double gridSpacing = 0.1;
    // The page spans (0,0) to pageSize, inches.
    QSizeF pageSize{11.0, 8.5};
    // Colour of the page.
    QColor sheetColor;
    // Colour around the page.
    QColor backgroundColor;
    // Text of the title block.
    QString title;
    Font titleFont;

    virtual void readXML(pugi::xml_node element);

protected:
    // Defaults of a kind of sheet, set without asking for a redraw.
    SheetSettings(bool pageShown, bool decorationsShown, const QColor& sheet, const QColor& background);
};

class PcbSettings : public SheetSettings {
public:
    PcbSettings();

    WrappedBool showPadsAsSolidYellow{false};
    WrappedBool showHoles{true};
    WrappedBool showPadNames{true};
    WrappedBool showCourtyards{false};
    WrappedBool showPlacementPoints{false};
    WrappedBool showCopperPours{true};
    WrappedBool showKeepOuts{true};
    double solderMaskMargin = 0.004;
    RenderMode renderMode = RenderMode::textured;
    ThermalCrossType thermalCross = ThermalCrossType::four;
    TrackAngles routerTrackAngles = TrackAngles::fortyFive;
    TrackSnapType trackSnap = TrackSnapType::none;
    CopperPourQuality copperPourQuality = CopperPourQuality::high;
    int firstManualRouteLayer = 5;
    int secondManualRouteLayer = 6;

    void readXML(pugi::xml_node element) override;
};

class SchematicSettings : public SheetSettings {
public:
    SchematicSettings();

    // Junction dot colour and size.
    Pen nodePen{QColor::fromRgbF(0, 0, 0.545f, 1), 0.007};
    WireCornerStyle wireCorners = WireCornerStyle::orthogonal;
    bool showNodeIds = false;
    ElectricalSpacingType electricalGridType = ElectricalSpacingType::imperial;

    void readXML(pugi::xml_node element) override;
};
