#pragma once
// The property editor of free texts and note boxes: the anchor ("Center")
// and the text itself, each written into the entity as it is edited.

#include "editors/EntityEditor.h"

#include <QString>
#include <memory>

class ExpandableTextEditor;
class PointParametersEditor;
class QLabel;
class TextEntity;

class TextEditor : public EntityEditor {
    Q_OBJECT
public:
    explicit TextEditor(std::shared_ptr<TextEntity> textEntity, QWidget* parent = nullptr);

    // A copy of the entity's text when the editor was made; the controls
    // work on the entity itself.
    QString text;
    std::shared_ptr<TextEntity> textEntity;

    PointParametersEditor* centerEditor() const { return center_; }
    QLabel* textLabel() const { return textLabel_; }
    ExpandableTextEditor* textEditor() const { return textEdit_; }

private:
    PointParametersEditor* center_ = nullptr;
    QLabel* textLabel_ = nullptr;
    ExpandableTextEditor* textEdit_ = nullptr;
};
