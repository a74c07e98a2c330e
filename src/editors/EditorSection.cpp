#include "editors/EditorSection.h"

#include "core/UserDefaults.h"
#include "editors/EditorControl.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QToolButton>
#include <QVBoxLayout>

EditorSection::EditorSection(const QString& title, QWidget* parent) : QWidget(parent)
{
    build(title, true);
}

EditorSection::EditorSection(const QString& title, const QString& settingsKey, QWidget* parent)
    : QWidget(parent), settingsKey_(settingsKey)
{
    build(title, userDefaults::readBool(settingsKey, false));
}

void EditorSection::build(const QString& title, bool expanded)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->setSpacing(2);
    toggle_ = new QToolButton(this);
    toggle_->setText(title);
    toggle_->setFont(title3Font());
    toggle_->setCheckable(true);
    toggle_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toggle_->setAutoRaise(true);
    toggle_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    layout->addWidget(toggle_);
    body_ = new QWidget(this);
    bodyLayout_ = new QVBoxLayout(body_);
    bodyLayout_->setContentsMargins(12, 0, 4, 0);
    bodyLayout_->setSpacing(2);
    layout->addWidget(body_);
    toggle_->setChecked(expanded);
    toggle_->setArrowType(expanded ? Qt::DownArrow : Qt::RightArrow);
    body_->setVisible(expanded);
    connect(toggle_, &QToolButton::toggled, this, [this](bool on) {
        toggle_->setArrowType(on ? Qt::DownArrow : Qt::RightArrow);
        body_->setVisible(on);
        if (!settingsKey_.isEmpty())
            QSettings().setValue(settingsKey_, on);
    });
}

QString EditorSection::title() const { return toggle_->text(); }
bool EditorSection::isExpanded() const { return toggle_->isChecked(); }
void EditorSection::setExpanded(bool expanded) { toggle_->setChecked(expanded); }

void EditorSection::addWidget(QWidget* widget)
{
    bodyLayout_->addWidget(widget);
}

QWidget* labelledRow(const QString& label, QWidget* control, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 1, 0, 1);
    layout->setSpacing(6);
    auto* name = new QLabel(label, row);
    name->setMinimumWidth(70);
    layout->addWidget(name);
    control->setParent(row);
    layout->addWidget(control, 1);
    if (control->accessibleName().isEmpty())
        control->setAccessibleName(label);
    return row;
}
