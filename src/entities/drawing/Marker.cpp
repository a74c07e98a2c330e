#include "entities/drawing/Marker.h"

Marker::Marker(GraphicsSheet* sheet) : Group(sheet)
{
}

QWidget* Marker::editorView(const std::shared_ptr<Entity>& self)
{
    return new MarkerEditor(std::static_pointer_cast<Marker>(self));
}

MarkerEditor::MarkerEditor(std::shared_ptr<Marker> m, QWidget* parent)
    : FrameEditor(QStringLiteral("Marker"), {}, parent), marker(std::move(m))
{
    keepEntityAlive(marker);
}

Origin::Origin(GraphicsSheet* sheet) : Entity(sheet)
{
}

QWidget* Origin::editorView(const std::shared_ptr<Entity>& self)
{
    return new OriginEditor(std::static_pointer_cast<Origin>(self));
}

OriginEditor::OriginEditor(std::shared_ptr<Origin> o, QWidget* parent)
    : FrameEditor(QStringLiteral("Origin"), {}, parent), origin(std::move(o))
{
    keepEntityAlive(origin);
}
