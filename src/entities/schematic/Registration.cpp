#include "model/EntityFactory.h"
#include "entities/schematic/Symbol.h"
#include "entities/schematic/SymbolTerminal.h"
#include "entities/schematic/SymbolTexts.h"
#include "entities/schematic/TerminalMagnet.h"
#include "entities/schematic/Bus.h"
#include "entities/schematic/InterWireConnector.h"
#include "entities/schematic/SchematicNode.h"
#include "entities/schematic/SchematicObjects.h"
#include "entities/schematic/WireJunction.h"

// Element names of the schematic entities.
void registerSchematicEntities()
{
    registerEntity<Symbol>("symbol");
    registerEntity<Symbol>("part");
    registerEntity<SymbolTerminal>("terminal");
    registerEntity<TerminalMagnet>("terminalMagnet");
    registerEntity<TerminalMagnet>("partBorder");
    registerEntity<TerminalMagnet>("symbolBorder");
    registerEntity<SymbolReference>("partId");
    registerEntity<SymbolPartValue>("symbolPartValue");
    registerEntity<SymbolPartValue>("partValue");
    registerEntity<SymbolPartValue>("symbolValue");
    registerEntity<SymbolPartType>("symbolPartType");
    registerEntity<SchematicNode>("node");
    registerEntity<Wire>("wire");
    registerEntity<NodeJunction>("nodeJunction");
    registerEntity<BusJunction>("busJunction");
    registerEntity<Bus>("bus");
    registerEntity<BusId>("busId");
    registerEntity<NodeId>("nodeId");
    registerEntity<InterWireConnector>("interWireConnector");
    registerEntity<InterWireConnector>("offpageConnector");
    registerEntity<Port>("port");
    registerEntity<PortName>("portName");
    registerEntity<BlockReference>("blockReference");
    registerEntity<SchematicKeepout>("schematicRouteBarrier");
    registerEntity<SchematicError>("schematicError");
}
