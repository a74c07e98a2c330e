#include "model/EntityFactory.h"
#include "entities/pcb/PcbBorder.h"
#include "entities/pcb/PcbNet.h"
#include "entities/pcb/Track.h"
#include "entities/pcb/Via.h"
#include "entities/pcb/FootprintTexts.h"
#include "entities/pcb/Footprint.h"
#include "entities/pcb/Pad.h"
#include "entities/pcb/CopperPour.h"
#include "entities/pcb/Silkscreen.h"
#include "entities/pcb/Cutouts.h"
#include "entities/pcb/Holes.h"
#include "entities/pcb/Fiducials.h"
#include "entities/pcb/MouseBite.h"
#include "entities/pcb/KeepOut.h"
#include "entities/pcb/ErrorMarker.h"
#include "entities/pcb/Courtyard.h"
#include "entities/pcb/PlacementPoint.h"
#include "entities/pcb/Bodies3D.h"
#include "entities/pcb/ExternalFootprint.h"

// Element names of the pcb entities.
void registerPcbEntities()
{
    registerEntity<PcbNet>("net");
    registerEntity<Track>("track");
    registerEntity<TrackJunction>("trackJunction");
    registerEntity<DifferentialPairPolyline>("pairController");
    registerEntity<Via>("via");
    registerEntity("pcbBorder", [](pugi::xml_node, GraphicsSheet* sheet) -> std::shared_ptr<Entity> { return PcbBorder::create(sheet); });
    PCB::setBoardBorderFactory([](PCB& pcb) -> std::shared_ptr<Entity> { return PcbBorder::create(&pcb); });
    registerEntity<FootprintReference>("footprintId");
    registerEntity<FootprintReference>("FootprintId");
    registerEntity<FootprintReference>("jumperId");
    registerEntity<FootprintPartValue>("footprintPartValue");
    registerEntity<Footprint>("footprint");
    registerEntity<Pad>("pad");
    registerEntity<CopperPour>("copperPour");
    registerEntity<SplitPowerPlane>("splitPowerPlane");
    registerEntity<Silkscreen>("silkscreen");
    registerEntity<PcbCutoutArc>("pcbCutoutArc");
    registerEntity<PcbCutoutCurve>("pcbCutoutCurve");
    registerEntity<PcbCutoutPolyLine>("pcbCutoutPolyLine");
    registerEntity<PcbCutoutShape>("pcbCutout");
    registerEntity<PcbHole>("pcbHole");
    registerEntity<VCut>("vCut");
    registerEntity<Fiducial>("fiducial");
    registerEntity<GerberFlash>("gerberFlash");
    registerEntity<NoMask>("noMask");
    registerEntity<MouseBite>("mouseBite");
    registerEntity<MouseBiteHole>("mouseBiteHole");
    registerEntity<PcbKeepOut>("keepOut");
    registerEntity<PcbError>("pcbError");
    registerEntity<Courtyard>("courtyard");
    registerEntity<PlacementPoint>("placementPoint");
    registerEntity<Box>("box");
    registerEntity<Cone>("cone");
    registerEntity<Cylinder>("cylinder");
    registerEntity<Sphere>("sphere");
    registerEntity<Torus>("torus");
    registerEntity<Model3D>("model3D");
    registerEntity<ExternalProjectFootprint>("externalProjectFootprint");
}
