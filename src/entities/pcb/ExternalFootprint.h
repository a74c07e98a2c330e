#pragma once
// A footprint that comes from another project, recorded on the PCB sheet by
// that project's name and an extrusion base. A plain entity: no children, no
// passes and an empty box.

#include "editors/EntityEditor.h"
#include "model/Entity.h"

#include <memory>

class ExternalProjectFootprint : public Entity {
public:
    explicit ExternalProjectFootprint(GraphicsSheet* sheet);

    QString sourceProjectName;
    double extrusionBase = 0;

    // Entity attributes, "sourceProjectName" (text), "base" (a whole
    // C-locale number; anything else keeps the base).
    void readXML(pugi::xml_node element) override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("External Project Footprint"); }
};

// Title only: nothing to edit.
class ExternalProjectFootprintEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit ExternalProjectFootprintEditor(std::shared_ptr<ExternalProjectFootprint> externalProjectFootprint,
                                            QWidget* parent = nullptr);
    std::shared_ptr<ExternalProjectFootprint> externalProjectFootprint;
};
