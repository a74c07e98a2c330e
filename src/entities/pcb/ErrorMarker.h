#pragma once
// A design-rule finding stored in the design file: a point, a segment or a
// free path, with the rule group and a short message. Kept, never drawn
// (only the selection frame of the base, which its empty box never shows).

#include "core/GraphicsPath.h"
#include "editors/EntityEditor.h"
#include "model/Entity.h"

#include <QPointF>
#include <memory>
#include <optional>
#include <string_view>

// The shape of an error marker.
enum class ErrorType { point, line, graphicsPath };
std::optional<ErrorType> errorTypeFromString(std::string_view text);
const char* toString(ErrorType value);

class PcbError : public Entity {
public:
    explicit PcbError(GraphicsSheet* sheet);

    ErrorType errorType = ErrorType::point;
    QString errorGroup;
    // The marker when it is a point (with diameter).
    QPointF position = QPointF(0, 0);
    // The marker when it is a line.
    QPointF lineStart = QPointF(0, 0);
    QPointF lineEnd = QPointF(0, 0);
    double diameter = 0;
    QString shortMessage;
    // The marker when it is a free path.
    GraphicsPath graphicsPath;

    // Entity attributes, "trackSnap" (the shape; missing or unknown is a
    // point), "group", "location", "start", "end", "diameter", "error", then
    // the "point" children of the first "path" child.
    void readXML(pugi::xml_node element) override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Pcb Error"); }
};

// Title only: a stored finding has nothing to edit.
class PcbErrorEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit PcbErrorEditor(std::shared_ptr<PcbError> pcbError, QWidget* parent = nullptr);
    std::shared_ptr<PcbError> pcbError;
};
