#pragma once
// The frame every entity's property editor sits in, the bordered parameter
// area inside it, the titled editor of entities with nothing to edit, and the
// "Not implemented" placeholder.
//
// An entity builds its editor like this (the frame owns the controls and
// keeps the entity alive while it is shown):
//
//     QWidget* Rectangle::editorView(const std::shared_ptr<Entity>& self)
//     {
//         auto rectangle = std::static_pointer_cast<Rectangle>(self);
//         UnitsSource units = entityUnits(this);
//         auto* editor = new EntityEditor(QStringLiteral("Rectangle"), QStringLiteral("rectangle"));
//         editor->keepEntityAlive(rectangle);
//         auto* params = new EntityContentEditor;
//         params->addControl(new PointParametersEditor(
//             [r = rectangle.get()] { return r->center(); }, [r = rectangle.get()](const QPointF& c) { r->setCenter(c); },
//             QStringLiteral("Center"), units));
//         params->addControl(new SizeParametersEditor(...));
//         editor->addContent(params);
//         editor->addContent(new ExtrusionEditor(this, extrusionBase, extrusionHeight, units));
//         editor->addContent(new PenEditor(pen, units));
//         editor->addContent(new FillEditor(brush));
//         return editor;
//     }

#include "editors/EditorControl.h"

#include <QWidget>
#include <memory>
#include <vector>

class Entity;
class Header;
class QLabel;
class QVBoxLayout;

// A panel with a light grey background and a grey rounded outline.
class RoundedPanel : public QWidget {
    Q_OBJECT
public:
    explicit RoundedPanel(QWidget* parent = nullptr);
    void setOutline(bool on);
    bool hasOutline() const { return outline_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool outline_ = true;
};

// The bordered area holding an editor's parameter rows. Without any control
// it shows "No editable parameters".
class EntityContentEditor : public RoundedPanel {
    Q_OBJECT
public:
    // content may be null (nothing to edit); addBorder draws the outline.
    explicit EntityContentEditor(QWidget* content = nullptr, bool addBorder = true, QWidget* parent = nullptr);

    // Appends a row below the ones added before; the area takes it.
    void addControl(QWidget* control);
    bool addBorder() const { return hasOutline(); }
    void setAddBorder(bool on) { setOutline(on); }
    bool isEmpty() const { return controls_ == 0; }
    // The label showing "No editable parameters" (hidden once a control is added).
    QLabel* emptyLabel() const { return empty_; }

private:
    QVBoxLayout* layout_;
    QLabel* empty_;
    int controls_ = 0;
};

// The frame of an entity's property editor: a Header with the title and icon,
// then the content widgets top to bottom, in a scroll area aligned to the
// top. While shown, the frame refreshes every control whenever the view
// model's redraws counter changes, so values changed elsewhere show; it also
// refreshes when it is shown.
class EntityEditor : public QWidget {
    Q_OBJECT
public:
    explicit EntityEditor(const QString& title, const QString& iconName = {}, QWidget* parent = nullptr);
    // The frame around one content widget (none gives an empty parameter area).
    EntityEditor(QWidget* content, const QString& title, const QString& iconName = {}, QWidget* parent = nullptr);

    Header* header() const { return header_; }
    QString title() const;
    // Appends a widget below the content added before; the frame takes it.
    void addContent(QWidget* content);
    // Keeps the edited object (and so the values the controls point into)
    // alive as long as the editor exists.
    void keepAlive(std::shared_ptr<const void> owner);
    // Keeps the entity alive and, with it, the open design's sheets, which
    // the entity points to without owning (a design opened meanwhile must not
    // leave the controls reading a freed sheet).
    void keepEntityAlive(std::shared_ptr<Entity> entity);

public slots:
    // Re-reads every control's value from the model.
    void refreshAll();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void build(const QString& title, const QString& iconName);

    Header* header_ = nullptr;
    QWidget* body_ = nullptr;
    QVBoxLayout* bodyLayout_ = nullptr;
    std::vector<std::shared_ptr<const void>> owners_;
};

// The units of the entity's sheet, asked afresh at each refresh; inches for
// an entity without a sheet. The entity (and its sheet) must outlive the
// controls: see EntityEditor::keepEntityAlive.
UnitsSource entityUnits(const Entity* entity);

// The editor of an entity with nothing to edit: the frame with the title and
// an empty parameter area, so it shows "No editable parameters".
class FrameEditor : public EntityEditor {
    Q_OBJECT
public:
    explicit FrameEditor(const QString& title, const QString& iconName = {}, QWidget* parent = nullptr);
};

// The placeholder of editors not built yet: the title in the title font over
// a grey rounded panel saying "Not implemented" in red.
class NotImplementedEditor : public QWidget {
    Q_OBJECT
public:
    explicit NotImplementedEditor(const QString& title, QWidget* parent = nullptr);
    QString title() const;
    QLabel* messageLabel() const { return message_; }
    // The form's submit action: the redraw request. Nothing in the
    // placeholder submits, so only callers embedding text fields use it.
    void submit();

private:
    QLabel* title_;
    QLabel* message_;
};
