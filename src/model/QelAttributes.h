#pragma once
// User attributes every entity carries.

#include <QString>
#include <cstddef>
#include <pugixml.hpp>
#include <variant>
#include <vector>

struct FloatAttribute {
    QString name;
    double value = 0;
};
struct StringAttribute {
    QString name;
    QString value;
};

class QelAttributes {
public:
    std::vector<std::variant<FloatAttribute, StringAttribute>> items;
    // Replaces the items by the "attribute" children of an "attributes"
    // element (at most kMaxItems of them).
    void readXML(pugi::xml_node attributesElement);
    static constexpr size_t kMaxItems = 10000;
    bool empty() const { return items.empty(); }
};
