#pragma once
// "Extrusion": the base and height of an entity's 3D extrusion, in the sheet's
// units. Two tabs offer the same values as base and height, or as base and
// top (base + height). The section's expanded state is the Bool user default
// "extrusionSettingStorage" and the tab the Int user default "extrusionEditor".

#include "editors/EditorControl.h"
#include "editors/EditorSection.h"

class Entity;
class NumberField;
class QStackedWidget;
class QTabBar;

class ExtrusionEditor : public EditorSection {
    Q_OBJECT
public:
    static constexpr const char* expandedKey = "extrusionSettingStorage";
    static constexpr const char* tabKey = "extrusionEditor";

    // The caller keeps the entity and the two values alive (the editor frame
    // holds the entity).
    ExtrusionEditor(Entity* entity, double& extrusionBase, double& extrusionHeight, UnitsSource units = {},
                    QWidget* parent = nullptr);

    Entity* entity() const { return entity_; }
    QTabBar* tabBar() const { return tabs_; }
    int currentTab() const;
    void setCurrentTab(int index);
    NumberField* baseField() const { return base_; }
    NumberField* heightField() const { return height_; }
    NumberField* topBaseField() const { return topBase_; }
    NumberField* topField() const { return top_; }

private:
    Entity* entity_;
    QTabBar* tabs_;
    QStackedWidget* pages_;
    NumberField* base_;
    NumberField* height_;
    NumberField* topBase_;
    NumberField* top_;
};
