#include "core/RedrawHook.h"

#include <atomic>
#include <thread>

namespace {
// Requests count on the thread that installed the hook (the window's): a
// design read on another thread asks for nothing, it is shown whole once
// it becomes the open design.
std::atomic<std::thread::id> hookThread;
bool onHookThread() { return std::this_thread::get_id() == hookThread.load(); }

std::function<void(Redraw)>& redrawHook()
{
    static std::function<void(Redraw)> hook;
    return hook;
}
}

void setRedrawHook(std::function<void(Redraw)> hook)
{
    hookThread = std::this_thread::get_id();
    redrawHook() = std::move(hook);
}

void requestRedraw(Redraw what)
{
    if (onHookThread() && redrawHook())
        redrawHook()(what);
}
