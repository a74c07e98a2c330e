#include "entities/pcb/ExternalFootprint.h"

#include "core/Readers.h"

#include <utility>

ExternalProjectFootprint::ExternalProjectFootprint(GraphicsSheet* sheet) : Entity(sheet)
{
}

void ExternalProjectFootprint::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    sourceProjectName = readTextAttribute(element, "sourceProjectName", sourceProjectName);
    extrusionBase = readDoubleAttribute(element, "base", extrusionBase);
}

QWidget* ExternalProjectFootprint::editorView(const std::shared_ptr<Entity>& self)
{
    return new ExternalProjectFootprintEditor(
        std::static_pointer_cast<ExternalProjectFootprint>(self));
}

ExternalProjectFootprintEditor::ExternalProjectFootprintEditor(std::shared_ptr<ExternalProjectFootprint> e,
                                                               QWidget* parent)
    : FrameEditor(QStringLiteral("External Project"), {}, parent), externalProjectFootprint(std::move(e))
{
    keepEntityAlive(externalProjectFootprint);
}
