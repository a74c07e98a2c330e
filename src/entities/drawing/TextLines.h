#pragma once
// The free text of a sheet (element "text"): a TextEntity with three values
// kept for a later 3D or routing view. Layout, drawing, box, status-line name
// and the property editor (TextEditor) are the text's own.

#include "entities/drawing/TextEntity.h"

class TextLines : public TextEntity {
public:
    explicit TextLines(GraphicsSheet* sheet);

    // Read and kept; nothing in 2D uses them.
    bool subPickable = false;
    double extrusionBase = 0;
    double extrusionHeight = 0;

    // The text's attributes, then "subPickable" (true only for "true"),
    // "extrusionBase" and "extrusionHeight" (double; missing or unreadable
    // keeps the value).
    void readXML(pugi::xml_node element) override;
};
