#include "document/SheetSettings.h"

#include "core/AppStyle.h"
#include "core/Readers.h"

namespace {
// Only a present attribute assigns, so reading asks for no needless redraws.
void readSwitch(pugi::xml_node e, const char* name, WrappedBool& field)
{
    if (e.attribute(name))
        field.set(readBoolAttribute(e, name, field.value()));
}
}

SheetSettings::SheetSettings()
    : SheetSettings(false, false, QColor(255, 255, 255), appStyle().sheetBackgroundColor)
{
}

SheetSettings::SheetSettings(bool pageShown, bool decorationsShown, const QColor& sheet, const QColor& background)
    : showPage(pageShown, true)
    , showBorderReferences(decorationsShown)
    , showTitleBlock(decorationsShown)
    , sheetColor(sheet)
    , backgroundColor(background)
{
}

void SheetSettings::readXML(pugi::xml_node e)
{
    if (!e)
        return;
    readSwitch(e, "showPage", showPage);
    readSwitch(e, "showGrid", showGrid);
    readSwitch(e, "showOrigin", showOrigin);
    readSwitch(e, "showBorderReferences", showBorderReferences);
    readSwitch(e, "showTitleBlock", showTitleBlock);
    units = readEnumAttribute(e, "units", units, unitsFromString);
    originOffset = readPointAttribute(e, "originOffset", originOffset);
    // Only a positive spacing and a page with area are usable.
    double spacing = readDoubleAttribute(e, "gridSpacing", gridSpacing);
    if (spacing > 0)
        gridSpacing = spacing;
    QSizeF page = readSizeAttribute(e, "pageSize", pageSize);
    if (page.width() > 0 && page.height() > 0)
        pageSize = page;
    sheetColor = readColorAttribute(e, "sheetColor", sheetColor);
    backgroundColor = readColorAttribute(e, "backgroundColor", backgroundColor);
    title = readTextAttribute(e, "title", title);
    titleFont = readChildFont(e, "titleFont", titleFont);
}

PcbSettings::PcbSettings()
    : SheetSettings(false, false, appStyle().pcbColor, appStyle().pcbColor)
{
}

void PcbSettings::readXML(pugi::xml_node e)
{
    if (!e)
        return;
    SheetSettings::readXML(e);
    readSwitch(e, "showPadsAsSolidYellow", showPadsAsSolidYellow);
    readSwitch(e, "showHoles", showHoles);
    readSwitch(e, "showPadNames", showPadNames);
    readSwitch(e, "showCourtyards", showCourtyards);
    readSwitch(e, "showPlacementPoints", showPlacementPoints);
    readSwitch(e, "showCopperPours", showCopperPours);
    readSwitch(e, "showKeepOuts", showKeepOuts);
    solderMaskMargin = readDoubleAttribute(e, "solderMaskMargin", solderMaskMargin);
    renderMode = readEnumAttribute(e, "renderMode", renderMode, renderModeFromString);
    thermalCross = readEnumAttribute(e, "thermalCross", thermalCross, thermalCrossTypeFromString);
    routerTrackAngles = readEnumAttribute(e, "routerTrackAngles", routerTrackAngles, trackAnglesFromString);
    trackSnap = readEnumAttribute(e, "trackSnap", trackSnap, trackSnapTypeFromString);
    copperPourQuality = readEnumAttribute(e, "copperPourQuality", copperPourQuality, copperPourQualityFromString);
    firstManualRouteLayer = readInt32Attribute(e, "firstManualRouteLayer", firstManualRouteLayer);
    secondManualRouteLayer = readInt32Attribute(e, "secondManualRouteLayer", secondManualRouteLayer);
}

SchematicSettings::SchematicSettings()
    : SheetSettings(true, true, appStyle().schematicSheetColor, appStyle().sheetBackgroundColor)
{
}

void SchematicSettings::readXML(pugi::xml_node e)
{
    if (!e)
        return;
    SheetSettings::readXML(e);
    if (pugi::xml_node pen = childElement(e, "nodePen"))
        nodePen.readXML(pen);
    wireCorners = readEnumAttribute(e, "wireCorners", wireCorners, wireCornerStyleFromString);
    showNodeIds = readBoolAttribute(e, "showNodeIds", showNodeIds);
    electricalGridType = readEnumAttribute(e, "electricalGridType", electricalGridType, electricalSpacingTypeFromString);
}
