#include "core/RedrawHook.h"

namespace {
std::function<void()>& redrawHook()
{
    static std::function<void()> hook;
    return hook;
}
std::function<void()>& refitHook()
{
    static std::function<void()> hook;
    return hook;
}
}

void setRedrawHook(std::function<void()> hook) { redrawHook() = std::move(hook); }
void requestRedraw()
{
    if (redrawHook())
        redrawHook()();
}
void setRefitHook(std::function<void()> hook) { refitHook() = std::move(hook); }
void requestRefit()
{
    if (refitHook())
        refitHook()();
}
