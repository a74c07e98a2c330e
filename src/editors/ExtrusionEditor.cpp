#include "editors/ExtrusionEditor.h"

#include "core/UserDefaults.h"
#include "editors/NumberField.h"

#include <QSettings>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

ExtrusionEditor::ExtrusionEditor(Entity* entity, double& extrusionBase, double& extrusionHeight, UnitsSource units,
                                 QWidget* parent)
    : EditorSection(QStringLiteral("Extrusion"), QString::fromLatin1(expandedKey), parent), entity_(entity)
{
    tabs_ = new QTabBar(this);
    tabs_->addTab(QStringLiteral("Height"));
    tabs_->addTab(QStringLiteral("Top"));
    tabs_->setExpanding(true);
    tabs_->setDrawBase(false);
    addWidget(tabs_);
    pages_ = new QStackedWidget(this);
    addWidget(pages_);

    double* base = &extrusionBase;
    double* height = &extrusionHeight;
    auto page = [this](NumberField* first, const QString& firstLabel, NumberField* second,
                       const QString& secondLabel, UnitsSource units) {
        auto* w = new QWidget(pages_);
        auto* layout = new QVBoxLayout(w);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(2);
        layout->addWidget(labelledRow(firstLabel, lengthFieldWithUnits(first, units), w));
        layout->addWidget(labelledRow(secondLabel, lengthFieldWithUnits(second, units), w));
        pages_->addWidget(w);
    };
    base_ = NumberField::length(bindNumber(extrusionBase), units);
    height_ = NumberField::length(bindNumber(extrusionHeight), units);
    page(base_, QStringLiteral("Base"), height_, QStringLiteral("Height"), units);
    // On the top page, moving the base keeps the top where it is.
    topBase_ = NumberField::length({[base] { return *base; },
                                    [base, height](double v) {
                                        *height = *base + *height - v;
                                        *base = v;
                                    }},
                                   units);
    top_ = NumberField::length({[base, height] { return *base + *height; },
                                [base, height](double v) { *height = v - *base; }},
                               units);
    page(topBase_, QStringLiteral("Base"), top_, QStringLiteral("Top"), units);

    // The stored tab may come from another version or be edited by hand.
    int tab = userDefaults::readInt(QString::fromLatin1(tabKey), 0);
    if (tab < 0 || tab >= tabs_->count())
        tab = 0;
    tabs_->setCurrentIndex(tab);
    pages_->setCurrentIndex(tab);
    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
        if (index < 0)
            return;
        pages_->setCurrentIndex(index);
        QSettings().setValue(QString::fromLatin1(tabKey), index);
        refreshControls(pages_->currentWidget());
    });
}

int ExtrusionEditor::currentTab() const { return tabs_->currentIndex(); }
void ExtrusionEditor::setCurrentTab(int index) { tabs_->setCurrentIndex(index); }
