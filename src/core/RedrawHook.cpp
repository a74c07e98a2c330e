#include "core/RedrawHook.h"

#include <atomic>
#include <thread>

namespace {
// Requests count on the thread that installed the hooks (the window's): a
// design read on another thread asks for nothing, it is shown whole once
// it becomes the open design.
std::atomic<std::thread::id> hookThread;
bool onHookThread() { return std::this_thread::get_id() == hookThread.load(); }

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

void setRedrawHook(std::function<void()> hook)
{
    hookThread = std::this_thread::get_id();
    redrawHook() = std::move(hook);
}
void requestRedraw()
{
    if (onHookThread() && redrawHook())
        redrawHook()();
}
void setRefitHook(std::function<void()> hook)
{
    hookThread = std::this_thread::get_id();
    refitHook() = std::move(hook);
}
void requestRefit()
{
    if (onHookThread() && refitHook())
        refitHook()();
}
