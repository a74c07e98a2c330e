#pragma once
#include <functional>

// What a redraw request says changed, so that a view does only what that
// needs. Requests combine with |.
enum class Redraw : unsigned {
    // The window's own overlays and fields (About, account, panels): every
    // sheet's picture stays as it is.
    panels = 0,
    // Where the view looks only (a zoom command): the frame is drawn for the
    // new view at once, the kept one moved and scaled only while a slow one
    // is drawn; nothing is measured again.
    view = 1u << 0,
    // The active view fits the sheet again (a view change too).
    fit = 1u << 1,
    // The selection: its marks are drawn over the kept frame.
    selection = 1u << 2,
    // A display setting (a colour, a picture decoded): the frame is drawn
    // again, nothing is measured again.
    display = 1u << 3,
    // The entities themselves: measured again, then drawn.
    model = 1u << 4,
};

constexpr Redraw operator|(Redraw a, Redraw b) { return Redraw(unsigned(a) | unsigned(b)); }
// Whether the request holds every flag of `flag`.
constexpr bool has(Redraw request, Redraw flag) { return (unsigned(request) & unsigned(flag)) == unsigned(flag) && flag != Redraw::panels; }

// Model code asks for a redraw through this hook, which the view model
// installs; with none installed the request is dropped. Model code never
// reaches the views otherwise.
void setRedrawHook(std::function<void(Redraw)> hook);
void requestRedraw(Redraw what = Redraw::model);
