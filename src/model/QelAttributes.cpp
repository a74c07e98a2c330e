#include "model/QelAttributes.h"

#include "core/Readers.h"

// File format: an entity's first "attributes" child holds one "attribute"
// element per user attribute, in order:
//   <attribute name="Tolerance" type="float" value="0.05"/>
//   <attribute name="Supplier" value="Acme"/>      (type "string" or none)
// A "float" whose value does not read as a finite number, an element without
// a "name", and any other type word are skipped.
const std::vector<QelAttributes::Item>& QelAttributes::items() const
{
    static const std::vector<Item> none;
    return items_ ? *items_ : none;
}

std::vector<QelAttributes::Item>& QelAttributes::editItems()
{
    if (!items_)
        items_ = std::make_unique<std::vector<Item>>();
    return *items_;
}

void QelAttributes::readXML(pugi::xml_node attributesElement)
{
    std::vector<Item> items;
    for (pugi::xml_node a : attributesElement.children("attribute")) {
        if (items.size() >= kMaxItems)
            break;
        std::optional<std::string> name = readStringAttribute(a, "name");
        if (!name)
            continue;
        const std::string type = readStringAttribute(a, "type", "string");
        if (type == "float") {
            std::optional<double> v = parseDouble(a.attribute("value").value());
            if (!v)
                continue;
            items.emplace_back(FloatAttribute{QString::fromStdString(*name), *v});
        } else if (type == "string") {
            items.emplace_back(StringAttribute{QString::fromStdString(*name), QString::fromUtf8(a.attribute("value").value())});
        }
    }
    if (items.empty())
        items_.reset();
    else
        editItems() = std::move(items);
}
