#pragma once

#include <pugixml.hpp>

#include <string_view>

// Workbook parts reach us with whatever namespace prefixes their writer chose ("x:sheetData" from some
// libraries), and pugixml does not resolve namespaces, so elements are matched by their local names.
namespace fenban::exchange::xml {

inline std::string_view localName(std::string_view qualified) {
    const auto colon = qualified.rfind(':');
    return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

inline bool is(const pugi::xml_node &node, std::string_view name) {
    return node.type() == pugi::node_element && localName(node.name()) == name;
}

inline pugi::xml_node child(const pugi::xml_node &parent, std::string_view name) {
    for (const pugi::xml_node &node : parent.children()) {
        if (is(node, name))
            return node;
    }
    return {};
}

// An attribute of that local name, with or without a prefix.
inline pugi::xml_attribute attribute(const pugi::xml_node &node, std::string_view name,
                                     bool prefixed = false) {
    for (const pugi::xml_attribute &attr : node.attributes()) {
        const std::string_view qualified = attr.name();
        const bool hasPrefix = qualified.find(':') != std::string_view::npos;
        if (hasPrefix == prefixed && localName(qualified) == name)
            return attr;
    }
    return {};
}

} // namespace fenban::exchange::xml
