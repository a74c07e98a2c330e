#pragma once
// A push button laid out on a sheet (element "pushButton"). It is measured
// and drawn as its text alone; the button's box, outline, fill and state are
// read and kept for a later feature.

#include "core/Brush.h"
#include "core/Pen.h"
#include "editors/EntityEditor.h"
#include "entities/drawing/TextEntity.h"

#include <QRectF>
#include <QString>
#include <memory>

class PushButton : public TextEntity {
public:
    explicit PushButton(GraphicsSheet* sheet);

    // Read and kept; none of them is drawn.
    Pen pen;
    Brush fillBrush;
    bool enabled = true;
    bool buttonDown = false;
    QString buttonGroup;
    double roundness = 0;
    QRectF rectangle{0, 0, 0, 0};

    // The text's attributes, the pen's, the brush of a "fillBrush" child,
    // "enabled", "buttonDown", "buttonGroup", "roundness" and the box
    // "boxLeft" "boxBase" (0 when missing) "boxWidth" "boxHeight" (1 when
    // missing), all numbers at double precision.
    void readXML(pugi::xml_node element) override;
    QString typeName() const override { return QStringLiteral("Push Button"); }
    // The "Not implemented" placeholder titled "Push Button".
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
};

class PushButtonEditor : public NotImplementedEditor {
    Q_OBJECT
public:
    explicit PushButtonEditor(std::shared_ptr<PushButton> pushButton, QWidget* parent = nullptr);
    std::shared_ptr<PushButton> pushButton;
};
