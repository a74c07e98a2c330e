#pragma once
// The generic "headerFootprint" element names no class: its attributes
// choose the header or socket family, which then reads the element as its
// own.

#include <memory>
#include <pugixml.hpp>

class GraphicsSheet;
class TwoSidedFootprint;

// A new, initialised female header, boxed socket, male header or XH socket,
// chosen by "female", "boxed" and "type" (in that order of precedence); a
// male header when nothing else applies. Reads nothing else of the element.
std::shared_ptr<TwoSidedFootprint> makeHeaderFootprint(pugi::xml_node element, GraphicsSheet* sheet);
