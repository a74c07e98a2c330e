#pragma once
// User attributes every entity carries.

#include <QString>
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
    // Reads the children of an "attributes" element.
    void readXML(pugi::xml_node attributesElement);
    bool empty() const { return items.empty(); }
};
