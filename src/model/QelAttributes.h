#pragma once
// User attributes every entity carries.

#include <QString>
#include <cstddef>
#include <memory>
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
    using Item = std::variant<FloatAttribute, StringAttribute>;
    // (Held apart, made when there are any: few entities carry them.)
    const std::vector<Item>& items() const;
    // Replaces the items by the "attribute" children of an "attributes"
    // element (at most kMaxItems of them).
    void readXML(pugi::xml_node attributesElement);
    static constexpr size_t kMaxItems = 10000;
    bool empty() const { return !items_ || items_->empty(); }

private:
    std::vector<Item>& editItems();
    std::unique_ptr<std::vector<Item>> items_;
};
