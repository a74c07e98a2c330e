#include "DocumentTestEntities.h"
#include "TestSupport.h"

#include "core/AppStyle.h"
#include "document/SettingsEnums.h"
#include "document/SheetSettings.h"

#include <gtest/gtest.h>

TEST(SheetSettingsTest, DefaultsOfEachKindOfSheet)
{
    RedrawCounter counter;
    const SheetSettings base;
    const PcbSettings pcb;
    const SchematicSettings schematic;
    // Making settings asks for no redraw.
    EXPECT_EQ(counter.redraws, 0);

    EXPECT_EQ(base.backgroundColor, appStyle().sheetBackgroundColor);
    EXPECT_EQ(pcb.backgroundColor, appStyle().pcbColor);
    EXPECT_EQ(pcb.sheetColor, appStyle().pcbColor);
    EXPECT_EQ(schematic.sheetColor, appStyle().schematicSheetColor);
    EXPECT_EQ(schematic.backgroundColor, appStyle().sheetBackgroundColor);

    EXPECT_EQ(pcb.firstManualRouteLayer, 5);
    EXPECT_EQ(pcb.secondManualRouteLayer, 6);
    EXPECT_EQ(pcb.solderMaskMargin, 0.004);
    EXPECT_EQ(pcb.renderMode, RenderMode::textured);
    EXPECT_EQ(pcb.thermalCross, ThermalCrossType::four);
    EXPECT_EQ(pcb.routerTrackAngles, TrackAngles::fortyFive);
    EXPECT_EQ(pcb.trackSnap, TrackSnapType::none);
    EXPECT_EQ(pcb.copperPourQuality, CopperPourQuality::high);

    EXPECT_EQ(schematic.nodePen.color, QColor::fromRgbF(0, 0, 0.545f, 1));
    EXPECT_EQ(schematic.nodePen.width, 0.007);
    EXPECT_EQ(schematic.wireCorners, WireCornerStyle::orthogonal);
    EXPECT_FALSE(schematic.showNodeIds);
    EXPECT_EQ(schematic.electricalGridType, ElectricalSpacingType::imperial);
    EXPECT_TRUE(schematic.showPage);
}

TEST(SheetSettingsTest, ReaderReadsAttributesAndNamedChildren)
{
    auto doc = parseXml(R"(<settings showPage="true" showGrid="true" showOrigin="true" showBorderReferences="true"
        showTitleBlock="true" units="micron" originOffset="1.5,2" gridSpacing="0.025" pageSize="17,11"
        sheetColor="1,2,3" backgroundColor="128,4,5,6" title="Power board"
        wireCorners="beveled" showNodeIds="true" electricalGridType="metric">
        <nodePen penWidth="0.02" penColor="0,255,0"/>
        <titleFont familyName="Courier" height="0.2" bold="true"/>
      </settings>)");
    SchematicSettings s;
    s.readXML(doc.first_child());
    EXPECT_TRUE(s.showPage);
    EXPECT_TRUE(s.showGrid);
    EXPECT_TRUE(s.showOrigin);
    EXPECT_TRUE(s.showBorderReferences);
    EXPECT_TRUE(s.showTitleBlock);
    EXPECT_EQ(s.units, Units::micron);
    EXPECT_EQ(s.originOffset, QPointF(1.5, 2));
    EXPECT_EQ(s.gridSpacing, 0.025);
    EXPECT_EQ(s.pageSize, QSizeF(17, 11));
    EXPECT_EQ(s.sheetColor, QColor(1, 2, 3));
    EXPECT_EQ(s.backgroundColor, QColor(4, 5, 6, 128));
    EXPECT_EQ(s.title, "Power board");
    EXPECT_EQ(s.wireCorners, WireCornerStyle::beveled);
    EXPECT_TRUE(s.showNodeIds);
    EXPECT_EQ(s.electricalGridType, ElectricalSpacingType::metric);
    EXPECT_EQ(s.nodePen.width, 0.02);
    EXPECT_EQ(s.nodePen.color, QColor(0, 255, 0));
    EXPECT_EQ(s.titleFont.familyName, "Courier");
    EXPECT_EQ(s.titleFont.height, 0.2);
    EXPECT_TRUE(s.titleFont.bold);

    auto pdoc = parseXml(R"(<settings showPadsAsSolidYellow="true" showHoles="false" showPadNames="false"
        showCourtyards="true" showPlacementPoints="true" showCopperPours="false" showKeepOuts="false"
        solderMaskMargin="0.01" renderMode="wireframe" thermalCross="solid" routerTrackAngles="ninety"
        trackSnap="fortyFiveDegrees" copperPourQuality="quick" firstManualRouteLayer="7" secondManualRouteLayer="8"/>)");
    PcbSettings p;
    p.readXML(pdoc.first_child());
    EXPECT_TRUE(p.showPadsAsSolidYellow);
    EXPECT_FALSE(p.showHoles);
    EXPECT_FALSE(p.showPadNames);
    EXPECT_TRUE(p.showCourtyards);
    EXPECT_TRUE(p.showPlacementPoints);
    EXPECT_FALSE(p.showCopperPours);
    EXPECT_FALSE(p.showKeepOuts);
    EXPECT_EQ(p.solderMaskMargin, 0.01);
    EXPECT_EQ(p.renderMode, RenderMode::wireframe);
    EXPECT_EQ(p.thermalCross, ThermalCrossType::solid);
    EXPECT_EQ(p.routerTrackAngles, TrackAngles::ninety);
    EXPECT_EQ(p.trackSnap, TrackSnapType::fortyFiveDegrees);
    EXPECT_EQ(p.copperPourQuality, CopperPourQuality::quick);
    EXPECT_EQ(p.firstManualRouteLayer, 7);
    EXPECT_EQ(p.secondManualRouteLayer, 8);

    // Unknown words keep what was there; words are compared exactly.
    auto bad = parseXml(R"(<settings renderMode="Shaded" thermalCross="" routerTrackAngles="45" trackSnap="None"
        copperPourQuality="HIGH" units="inches" showPadsAsSolidYellow="TRUE"/>)");
    p.readXML(bad.first_child());
    EXPECT_EQ(p.renderMode, RenderMode::wireframe);
    EXPECT_EQ(p.thermalCross, ThermalCrossType::solid);
    EXPECT_EQ(p.routerTrackAngles, TrackAngles::ninety);
    EXPECT_EQ(p.trackSnap, TrackSnapType::fortyFiveDegrees);
    EXPECT_EQ(p.copperPourQuality, CopperPourQuality::quick);
    EXPECT_EQ(p.units, Units::inch);
    EXPECT_FALSE(p.showPadsAsSolidYellow); // present and not "true"
}

TEST(SheetSettingsTest, EnumerationWordsRoundTrip)
{
    for (auto v : {RenderMode::wireframe, RenderMode::shaded, RenderMode::textured, RenderMode::gooch})
        EXPECT_EQ(renderModeFromString(toString(v)), v);
    for (auto v : {TrackSnapType::none, TrackSnapType::fortyFiveDegrees, TrackSnapType::ninetyDegrees})
        EXPECT_EQ(trackSnapTypeFromString(toString(v)), v);
    for (auto v : {WireCornerStyle::orthogonal, WireCornerStyle::rounded, WireCornerStyle::beveled})
        EXPECT_EQ(wireCornerStyleFromString(toString(v)), v);
    EXPECT_EQ(trackAnglesFromString("fortyFive"), TrackAngles::fortyFive);
    EXPECT_EQ(thermalCrossTypeFromString("four"), ThermalCrossType::four);
    EXPECT_EQ(copperPourQualityFromString("low"), CopperPourQuality::low);
    EXPECT_EQ(electricalSpacingTypeFromString("imperial"), ElectricalSpacingType::imperial);
    EXPECT_FALSE(electricalSpacingTypeFromString("Imperial"));
    EXPECT_FALSE(renderModeFromString(""));
}

TEST(SheetSettingsTest, SwitchesRequestRedrawsOnEveryAssignment)
{
    PcbSettings s;
    RedrawCounter counter;
    s.showGrid = true;
    s.showGrid = true; // the same value still asks
    s.showHoles.set(false);
    s.showPadNames = s.showHoles; // assignment from another wrapper goes through set
    EXPECT_EQ(counter.redraws, 4);
    EXPECT_EQ(counter.refits, 0);
    EXPECT_FALSE(s.showPadNames);
    EXPECT_TRUE(s.showPadNames == s.showHoles);
    EXPECT_FALSE(s.showPadNames == s.showGrid);

    // Reading a switch has no side effect.
    bool any = s.showGrid || s.showPage || s.showOrigin;
    EXPECT_TRUE(any);
    EXPECT_EQ(counter.redraws, 4);

    // The page switch also refits.
    s.showPage = true;
    EXPECT_EQ(counter.redraws, 5);
    EXPECT_EQ(counter.refits, 1);

    // Units are a plain field.
    s.units = Units::cm;
    EXPECT_EQ(counter.redraws, 5);

    // The reader assigns only the switches the element names.
    counter.redraws = 0;
    auto doc = parseXml(R"(<settings showGrid="false" showKeepOuts="true" solderMaskMargin="0.1"/>)");
    s.readXML(doc.first_child());
    EXPECT_EQ(counter.redraws, 2);
    EXPECT_EQ(counter.refits, 1);

    WrappedColor c(QColor(1, 2, 3));
    counter.redraws = 0;
    c = QColor(4, 5, 6);
    EXPECT_EQ(counter.redraws, 1);
    EXPECT_EQ(QColor(c), QColor(4, 5, 6));
    EXPECT_TRUE(c == WrappedColor(QColor(4, 5, 6)));
}
