#pragma once
#include <functional>

// Model code asks for a redraw through this hook, which the view model
// installs; with none installed the request is dropped.
void setRedrawHook(std::function<void()> hook);
void requestRedraw();

// A redraw that also refits the active viewport (set when the page switch
// changes what a fit covers).
void setRefitHook(std::function<void()> hook);
void requestRefit();
