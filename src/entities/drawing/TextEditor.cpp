#include "entities/drawing/TextEditor.h"

#include "editors/ExpandableTextEditor.h"
#include "editors/ParameterEditors.h"
#include "entities/drawing/TextEntity.h"

#include <QLabel>
#include <QVBoxLayout>

TextEditor::TextEditor(std::shared_ptr<TextEntity> entity, QWidget* parent)
    : EntityEditor(QStringLiteral("Text"), QStringLiteral("text.page"), parent), text(entity->text),
      textEntity(std::move(entity))
{
    keepEntityAlive(textEntity);
    TextEntity* t = textEntity.get();
    auto* params = new EntityContentEditor;
    center_ = new PointParametersEditor(t->position, QStringLiteral("Center"), entityUnits(t));
    params->addControl(center_);

    // The bold "Text" heading with a little space above it.
    auto* heading = new QWidget;
    auto* headingLayout = new QVBoxLayout(heading);
    headingLayout->setContentsMargins(0, 5, 0, 0);
    textLabel_ = new QLabel(QStringLiteral("Text"));
    QFont bold = title3Font();
    bold.setBold(true);
    textLabel_->setFont(bold);
    headingLayout->addWidget(textLabel_);
    params->addControl(heading);

    textEdit_ = new ExpandableTextEditor(t->text);
    params->addControl(textEdit_);
    addContent(params);
}
