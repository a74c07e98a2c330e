#pragma once
// What every package family has in common beyond its base: a display name
// and a placeholder editor with a title of its own. (The few families with an
// enumeration of their own read it with a core/EnumWords.h table.)
//
// A family is written as
//
//     class ChipFootprint : public PackageFamily<ChipFootprint, ParametricFootprint> {
//     public:
//         static constexpr const char* familyName = "Chip Footprint";   // typeName()
//         static constexpr const char* editorTitle = "Chip Footprint";
//         using PackageFamily::PackageFamily;
//         ... fields, readXML
//     };
//     using ChipFootprintEditor = PackageEditor<ChipFootprint>;

#include "editors/EntityEditor.h"

#include <QString>

#include <memory>
#include <optional>
#include <string_view>
#include <utility>

class GraphicsSheet;

// The placeholder property editor of a family: its title over the grey panel
// saying "Not implemented". It shows no parameter and changes nothing; it
// keeps the footprint alive while shown.
template <class Family>
class PackageEditor : public NotImplementedEditor {
public:
    explicit PackageEditor(std::shared_ptr<Family> footprint, QWidget* parent = nullptr)
        : NotImplementedEditor(QString::fromUtf8(Family::editorTitle), parent), footprint(std::move(footprint))
    {
    }
    std::shared_ptr<Family> footprint;
};

// The two overrides every family shares, taken from the family's
// familyName and editorTitle.
template <class Self, class Base>
class PackageFamily : public Base {
public:
    explicit PackageFamily(GraphicsSheet* sheet) : Base(sheet) {}

    QString typeName() const override { return QString::fromUtf8(Self::familyName); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override
    {
        return new PackageEditor<Self>(std::static_pointer_cast<Self>(self));
    }
};
