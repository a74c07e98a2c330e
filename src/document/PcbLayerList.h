#pragma once
// The board's layer stack. Top-side roles sit at the fixed indices 0 to 5;
// the bottom-side roles mirror them from the end of the list and are kept as
// the special indices. Every lookup by index is bounds-checked: an index that
// names no layer counts as a hidden layer.

#include "document/Wrapped.h"

#include <QColor>
#include <QString>
#include <QUuid>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <string_view>
#include <vector>

class PcbLayer {
public:
    enum class BaseMaterialType { none, core, prepreg };
    static std::optional<BaseMaterialType> baseMaterialTypeFromString(std::string_view text);
    static const char* toString(BaseMaterialType v);

    QUuid id = QUuid::createUuid();
    QString baseMaterialName;
    QString baseMaterialNotes;
    double baseMaterialThickness = 0;
    BaseMaterialType baseType = BaseMaterialType::none;
    double dielectricConstant = 1.0;
    bool electricalLayer = false;
    QString gerberName;
    QString name;
    bool negative = false;
    QString notes;
    bool outputGerber = true;
    bool plot = false;
    bool plotNegative = false;
    bool plotNegativeOnlyInsidePcb = false;
    bool plotReverse = false;
    bool routeVertical = false;
    QString signalName;
    // "fixedColor": the layer's pass draws everything in the layer colour.
    bool singleColorLayer = false;
    double thickness = 0;
    WrappedColor color{QColor(255, 255, 255)};
    WrappedBool visible{true};

    // Equal (and hashed) by id only.
    friend bool operator==(const PcbLayer& a, const PcbLayer& b) { return a.id == b.id; }
};

// A new layer from a "layer" element.
std::shared_ptr<PcbLayer> readPcbLayer(pugi::xml_node element);

class PcbLayerList {
public:
    // Top-side roles.
    static constexpr int kTopBackgroundLayer = 0;
    static constexpr int kTopPackage = 1;
    static constexpr int kTopSolderPaste = 2;
    static constexpr int kTopSilkscreen = 3;
    static constexpr int kTopSolderMask = 4;
    static constexpr int kTopLayer = 5;
    // First layer below the top copper (inner copper, or bottom copper of a
    // two-sided board).
    static constexpr int kFirstLowerLayer = 6;
    // The pass of the board border, non-plated holes and cutouts.
    static constexpr int kBoardBorderLayer = -2;

    PcbLayerList();

    std::vector<std::shared_ptr<PcbLayer>> layers;
    int bottomLayer = -6;
    int backgroundLayer = -1;
    int bottomSolderPaste = -3;
    int bottomSolderMask = -5;
    int bottomSilkscreen = -4;
    int bottomPackage = -2;

    QString bottomGoldFileName = QStringLiteral("Bottom Gold Plating");
    QString bottomSilkscreenNotes;
    QString bottomSolderMaskNotes;
    bool canDisplay3DCopper = true;
    QString cutoutsFileName = QStringLiteral("Board Cutouts");
    bool drawAll3DCopperYellow = false;
    QString drillFileName = QStringLiteral("Drill");
    int explosionScale = 8;
    bool onlyShowTphNets = false;
    bool optimizeViaLayers = false;
    bool outlineSolderMask = true;
    bool outputBottomGoldFile = true;
    bool outputCutoutsFile = true;
    bool outputDrillFile = true;
    bool outputPickAndPlaceFile = true;
    bool outputProfileFile = true;
    bool outputTopGoldFile = true;
    bool outputVCutsFile = true;
    QString pickAndPlaceFileName = QStringLiteral("Pick and Place");
    QString profileFileName = QStringLiteral("Board Profile");
    bool showHolesIn3D = true;
    bool showNets = true;
    bool showParts = true;
    bool showPcbExploded = false;
    WrappedBool showPcbSolid{false};
    bool showSolderIn3D = true;
    bool showSolderMask = false;
    bool showSolderMaskIn3D = false;
    bool showVCuts = true;
    bool singleSided = false;
    bool texturedPcb = true;
    double texturedPcbStrength = 0.0;
    QString topGoldFileName = QStringLiteral("Top Gold Plating");
    QString topSilkscreenNotes;
    QString topSolderMaskNotes;
    bool useBottomForSingleLayer = true;
    bool useLayerColorsForCopper = false;
    bool useNodeColors = false;
    QString vCutsFileName = QStringLiteral("V Cuts");

    int count() const { return int(layers.size()); }
    // The layer at index, or null when the index names no layer.
    PcbLayer* layerAt(int index) const;
    // A layer that does not exist is hidden.
    bool isLayerVisible(int index) const;

    // Sets the bottom-side indices from the count.
    void updateSpecialLayerIndices();
    // Replaces the whole stack by the "layers" element's attributes and its
    // "layer" children.
    void readPcbLayerList(pugi::xml_node element);

    // Every layer's visibility, in list order; each change requests a redraw.
    void setAllLayersVisible(bool flag);
    void showAllLayers() { setAllLayersVisible(true); }
    // Only the copper and silkscreen of both sides, and the solid board off.
    void showDefaultLayers();
};
