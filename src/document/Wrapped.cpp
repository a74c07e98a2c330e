#include "document/Wrapped.h"

#include "core/RedrawHook.h"

void WrappedBool::set(bool v)
{
    value_ = v;
    // A switch may show or hide what a fit and the culling boxes cover.
    requestRedraw(refitOnChange_ ? Redraw::model | Redraw::fit : Redraw::model);
}

void WrappedColor::set(const QColor& v)
{
    value_ = v;
    // A colour changes no box: the frame is drawn again, nothing measured.
    requestRedraw(Redraw::display);
}
