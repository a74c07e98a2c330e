#include "model/EntityFactory.h"

#include "entities/footprints/BoardPackages.h"
#include "entities/footprints/ChipFootprint.h"
#include "entities/footprints/CylindricalPackages.h"
#include "entities/footprints/HeaderFootprint.h"
#include "entities/footprints/RadialAndToPackages.h"
#include "entities/footprints/SurfaceMountPackages.h"
#include "entities/footprints/TwoRowPackages.h"

// Element names of the footprints entities.
void registerFootprintEntities()
{
    registerEntity<AxialFootprint>("axialFootprint");
    registerEntity<BGAFootprint>("bgaFootprint");
    registerEntity<BlockFootprint>("blockFootprint");
    registerEntity<BoxedSocketFootprint>("boxedSocketFootprint");
    registerEntity<CastellatedPcb>("castellatedPcb");
    registerEntity<ChipFootprint>("chipFootprint");
    registerEntity<CrystalFootprint>("crystalFootprint");
    registerEntity<DIPFootprint>("dipFootprint");
    registerEntity<DiscFootprint>("discFootprint");
    registerEntity<EdgeConnectorFootprint>("edgeConnectorFootprint");
    registerEntity<FemaleHeaderFootprint>("femaleHeaderFootprint");
    registerEntity<QuadFootprint>("fourSided");
    registerEntity<QuadFootprint>("qfpFootprint");
    registerEntity<GenericFootprint>("genericFootprint");
    registerEntity<LEDFootprint>("ledFootprint");
    registerEntity<MaleHeaderFootprint>("maleHeaderFootprint");
    registerEntity<MELFFootprint>("melfFootprint");
    registerEntity<MetalCanFootprint>("metalCanFootprint");
    registerEntity<RadialFootprint>("radialFootprint");
    registerEntity<SOD323Footprint>("sod323");
    registerEntity<SOICFootprint>("soicFootprint");
    registerEntity<SOT23Footprint>("SOT23Footprint");
    registerEntity<SOT89Footprint>("SOT89Footprint");
    registerEntity<SOT143Footprint>("SOT143Footprint");
    registerEntity<SOT223Footprint>("SOT223Footprint");
    registerEntity<SOT353Footprint>("SOT353Footprint");
    registerEntity<SpiralAntennaFootprint>("spiralAntennaFootprint");
    registerEntity<SpiralInductorFootprint>("spiralInductorFootprint");
    registerEntity<TO66Footprint>("to66Footprint");
    registerEntity<TO92Footprint>("to92Footprint");
    registerEntity<TO92Footprint>("TO92Footprint");
    registerEntity<TO220Footprint>("to220Footprint");
    registerEntity<TO252Footprint>("to252Footprint");
    registerEntity<XHSocketFootprint>("xhSocketFootprint");
    registerEntity("headerFootprint", [](pugi::xml_node element, GraphicsSheet* sheet) -> std::shared_ptr<Entity> {
        return makeHeaderFootprint(element, sheet);
    });
}
