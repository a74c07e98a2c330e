#include "document/PcbLayerList.h"

#include "core/EnumWords.h"
#include "core/Readers.h"

namespace {
void readText(pugi::xml_node e, const char* name, QString& field) { field = readTextAttribute(e, name, field); }
void readBool(pugi::xml_node e, const char* name, bool& field) { field = readBoolAttribute(e, name, field); }
void readFloat(pugi::xml_node e, const char* name, double& field) { field = readFloatAttribute(e, name, field); }
}

namespace {
constexpr auto kBaseMaterialWords = enumWords<PcbLayer::BaseMaterialType>({
    {PcbLayer::BaseMaterialType::none, "none"},
    {PcbLayer::BaseMaterialType::core, "core"},
    {PcbLayer::BaseMaterialType::prepreg, "prepreg"},
});
}

std::optional<PcbLayer::BaseMaterialType> PcbLayer::baseMaterialTypeFromString(std::string_view text)
{
    return kBaseMaterialWords.fromString(text);
}

const char* PcbLayer::toString(BaseMaterialType v) { return kBaseMaterialWords.toString(v); }

std::shared_ptr<PcbLayer> readPcbLayer(pugi::xml_node e)
{
    auto layer = std::make_shared<PcbLayer>();
    PcbLayer& l = *layer;
    readText(e, "baseMaterialName", l.baseMaterialName);
    readText(e, "baseMaterialNotes", l.baseMaterialNotes);
    readFloat(e, "baseMaterialThickness", l.baseMaterialThickness);
    l.baseType = readEnumAttribute(e, "alignment", PcbLayer::BaseMaterialType::none, PcbLayer::baseMaterialTypeFromString);
    // Through the wrapper, present or not.
    l.color.set(readColorAttribute(e, "color", l.color.value()));
    readFloat(e, "dielectricConstant", l.dielectricConstant);
    readBool(e, "electrical", l.electricalLayer);
    readText(e, "gerberName", l.gerberName);
    if (auto text = readStringAttribute(e, "id")) {
        // The canonical 36-character form only.
        if (text->size() == 36) {
            QUuid u = QUuid::fromString(QString::fromStdString(*text));
            if (!u.isNull())
                l.id = u;
        }
    }
    readText(e, "name", l.name);
    readBool(e, "negative", l.negative);
    readBool(e, "outputGerber", l.outputGerber);
    readBool(e, "plot", l.plot);
    readBool(e, "plotNegative", l.plotNegative);
    readBool(e, "plotNegativeOnlyInsidePcb", l.plotNegativeOnlyInsidePcb);
    readBool(e, "plotReverse", l.plotReverse);
    readBool(e, "routeVertical", l.routeVertical);
    readText(e, "signalName", l.signalName);
    readBool(e, "fixedColor", l.singleColorLayer);
    readFloat(e, "thickness", l.thickness);
    l.visible.set(readBoolAttribute(e, "visible", l.visible.value()));
    return layer;
}

PcbLayerList::PcbLayerList() { updateSpecialLayerIndices(); }

PcbLayer* PcbLayerList::layerAt(int index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    return layers[size_t(index)].get();
}

bool PcbLayerList::isLayerVisible(int index) const
{
    PcbLayer* l = layerAt(index);
    return l && l->visible.value();
}

void PcbLayerList::updateSpecialLayerIndices()
{
    const int n = count();
    backgroundLayer = n - 1;
    bottomPackage = n - 2;
    bottomSolderPaste = n - 3;
    bottomSilkscreen = n - 4;
    bottomSolderMask = n - 5;
    bottomLayer = n - 6;
}

void PcbLayerList::readPcbLayerList(pugi::xml_node e)
{
    layers.clear();

    readText(e, "bottomGoldFileName", bottomGoldFileName);
    readText(e, "bottomSilkscreenNotes", bottomSilkscreenNotes);
    readText(e, "bottomSolderMaskNotes", bottomSolderMaskNotes);
    readBool(e, "canDisplay3DCopper", canDisplay3DCopper);
    readText(e, "cutoutsFileName", cutoutsFileName);
    readBool(e, "drawAll3DCopperYellow", drawAll3DCopperYellow);
    readText(e, "drillFileName", drillFileName);
    explosionScale = readInt32Attribute(e, "explosionScale", explosionScale);
    readBool(e, "onlyShowTphNets", onlyShowTphNets);
    readBool(e, "optimizeViaLayers", optimizeViaLayers);
    readBool(e, "outlineSolderMask", outlineSolderMask);
    readBool(e, "outputBottomGoldFile", outputBottomGoldFile);
    readBool(e, "outputCutoutsFile", outputCutoutsFile);
    readBool(e, "outputDrillFile", outputDrillFile);
    readBool(e, "outputPickAndPlaceFile", outputPickAndPlaceFile);
    readBool(e, "outputProfileFile", outputProfileFile);
    readBool(e, "outputTopGoldFile", outputTopGoldFile);
    readBool(e, "outputVCutsFile", outputVCutsFile);
    readText(e, "pickAndPlaceFileName", pickAndPlaceFileName);
    readText(e, "profileFileName", profileFileName);
    readBool(e, "showHolesIn3D", showHolesIn3D);
    readBool(e, "showNets", showNets);
    readBool(e, "showParts", showParts);
    readBool(e, "showPcbExploded", showPcbExploded);
    showPcbSolid.set(readBoolAttribute(e, "showPcbSolid", showPcbSolid.value()));
    readBool(e, "showSolderIn3D", showSolderIn3D);
    readBool(e, "showSolderMask", showSolderMask);
    readBool(e, "showSolderMaskIn3D", showSolderMaskIn3D);
    readBool(e, "showVCuts", showVCuts);
    readBool(e, "singleSided", singleSided);
    readBool(e, "texturedPcb", texturedPcb);
    texturedPcbStrength = readDoubleAttribute(e, "texturedPcbStrength", texturedPcbStrength);
    readText(e, "topGoldFileName", topGoldFileName);
    readText(e, "topSilkscreenNotes", topSilkscreenNotes);
    readText(e, "topSolderMaskNotes", topSolderMaskNotes);
    readBool(e, "useBottomForSingleLayer", useBottomForSingleLayer);
    readBool(e, "useLayerColorsForCopper", useLayerColorsForCopper);
    readBool(e, "useNodeColors", useNodeColors);
    readText(e, "vCutsFileName", vCutsFileName);

    for (pugi::xml_node child = e.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && std::string_view(child.name()) == "layer")
            layers.push_back(readPcbLayer(child));
    }
    updateSpecialLayerIndices();
}

void PcbLayerList::setAllLayersVisible(bool flag)
{
    for (const auto& layer : layers)
        layer->visible.set(flag);
}

void PcbLayerList::showDefaultLayers()
{
    setAllLayersVisible(false);
    for (int index : {kTopSilkscreen, kTopLayer, bottomLayer, bottomSilkscreen}) {
        if (PcbLayer* l = layerAt(index))
            l->visible.set(true);
    }
    showPcbSolid.set(false);
}
