#include "editors/EntityEditor.h"

#include "core/AppStyle.h"
#include "editors/EditorControl.h"
#include "editors/Header.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/GraphicsSheet.h"
#include "document/SheetSettings.h"
#include "model/Entity.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h" // ViewModel.h needs it complete

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
constexpr double panelRadius = 4;
constexpr double outlineWidth = 2;

// A scroll area that fills `owner`, scrolls vertically only and keeps its
// content at the top; returns the content widget.
QWidget* scrollBody(QWidget* owner)
{
    auto* outer = new QVBoxLayout(owner);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(owner);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setAlignment(Qt::AlignTop);
    auto* body = new QWidget(scroll);
    scroll->setWidget(body);
    outer->addWidget(scroll);
    return body;
}
}

RoundedPanel::RoundedPanel(QWidget* parent) : QWidget(parent)
{
    setContentsMargins(0, 0, 0, 0);
}

void RoundedPanel::setOutline(bool on)
{
    if (outline_ != on) {
        outline_ = on;
        update();
    }
}

void RoundedPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double inset = outline_ ? outlineWidth / 2 : 0;
    const QRectF area = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    QPainterPath shape;
    shape.addRoundedRect(area, panelRadius, panelRadius);
    p.fillPath(shape, appStyle().settingsBackground);
    if (outline_) {
        p.setPen(QPen(QColor(Qt::gray), outlineWidth));
        p.setBrush(Qt::NoBrush);
        p.drawPath(shape);
    }
}

EntityContentEditor::EntityContentEditor(QWidget* content, bool addBorder, QWidget* parent) : RoundedPanel(parent)
{
    setOutline(addBorder);
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(8, 8, 8, 8);
    layout_->setSpacing(4);
    empty_ = new QLabel(QStringLiteral("No editable parameters"), this);
    empty_->setAlignment(Qt::AlignCenter);
    layout_->addWidget(empty_);
    if (content)
        addControl(content);
}

void EntityContentEditor::addControl(QWidget* control)
{
    if (!control)
        return;
    layout_->addWidget(control);
    ++controls_;
    empty_->hide();
}

EntityEditor::EntityEditor(const QString& title, const QString& iconName, QWidget* parent) : QWidget(parent)
{
    build(title, iconName);
}

EntityEditor::EntityEditor(QWidget* content, const QString& title, const QString& iconName, QWidget* parent)
    : QWidget(parent)
{
    build(title, iconName);
    addContent(content ? content : new EntityContentEditor);
}

void EntityEditor::build(const QString& title, const QString& iconName)
{
    body_ = scrollBody(this);
    bodyLayout_ = new QVBoxLayout(body_);
    bodyLayout_->setContentsMargins(10, 6, 10, 10);
    bodyLayout_->setSpacing(6);
    header_ = new Header(title, iconName, body_);
    bodyLayout_->addWidget(header_);
    bodyLayout_->addStretch(1);
    // A hidden editor catches up when it is shown again.
    connect(&ViewModel::shared(), &ViewModel::redrawsChanged, this, [this] {
        if (isVisible())
            refreshAll();
    });
}

void EntityEditor::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refreshAll();
}

QString EntityEditor::title() const { return header_->title(); }

void EntityEditor::addContent(QWidget* content)
{
    if (!content)
        return;
    // Before the trailing stretch, so the content stays at the top.
    bodyLayout_->insertWidget(bodyLayout_->count() - 1, content);
}

void EntityEditor::keepAlive(std::shared_ptr<const void> owner)
{
    if (owner)
        owners_.push_back(std::move(owner));
}

void EntityEditor::keepEntityAlive(std::shared_ptr<Entity> entity)
{
    if (!entity)
        return;
    keepAlive(Design::shared().currentDesignState());
    keepAlive(std::move(entity));
}

UnitsSource entityUnits(const Entity* entity)
{
    return [entity] { return entity && entity->sheet ? entity->sheet->settings().units : Units::inch; };
}

void EntityEditor::refreshAll()
{
    refreshControls(body_);
}

FrameEditor::FrameEditor(const QString& title, const QString& iconName, QWidget* parent)
    : EntityEditor(nullptr, title, iconName, parent)
{
}

NotImplementedEditor::NotImplementedEditor(const QString& title, QWidget* parent) : QWidget(parent)
{
    QWidget* body = scrollBody(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 6, 0, 6);
    layout->setSpacing(6);
    title_ = new QLabel(title, body);
    title_->setFont(titleFont());
    title_->setContentsMargins(10, 0, 10, 0);
    layout->addWidget(title_);

    // The form: padded by 10 inside the grey outlined panel, which is inset
    // by 10 on the leading and trailing sides.
    auto* margin = new QWidget(body);
    auto* marginLayout = new QVBoxLayout(margin);
    marginLayout->setContentsMargins(10, 0, 10, 0);
    auto* form = new RoundedPanel(margin);
    auto* formLayout = new QVBoxLayout(form);
    formLayout->setContentsMargins(10, 10, 10, 10);
    message_ = new QLabel(QStringLiteral("Not implemented"), form);
    message_->setFont(title2Font());
    QPalette red = message_->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    message_->setPalette(red);
    formLayout->addWidget(message_);
    marginLayout->addWidget(form);
    layout->addWidget(margin);
    layout->addStretch(1);
}

QString NotImplementedEditor::title() const { return title_->text(); }

void NotImplementedEditor::submit()
{
    refreshActiveViewport();
}
