#pragma once
// The property editor of a footprint: the frame titled "Footprint" with
// nothing to edit.

#include "editors/EntityEditor.h"

#include <memory>

class Footprint;

class FootprintEditor : public FrameEditor {
public:
    explicit FootprintEditor(std::shared_ptr<Footprint> footprint, QWidget* parent = nullptr);
    std::shared_ptr<Footprint> footprint;
};
