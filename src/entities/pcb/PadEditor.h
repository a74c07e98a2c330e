#pragma once
// The property editor of a pad: the frame titled "Pad" with nothing to edit.

#include "editors/EntityEditor.h"

#include <memory>

class Pad;

class PadEditor : public FrameEditor {
public:
    explicit PadEditor(std::shared_ptr<Pad> pad, QWidget* parent = nullptr);
    std::shared_ptr<Pad> pad;
};
