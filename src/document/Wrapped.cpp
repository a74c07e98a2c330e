#include "document/Wrapped.h"

#include "core/RedrawHook.h"

void WrappedBool::set(bool v)
{
    value_ = v;
    requestRedraw();
    if (refitOnChange_)
        requestRefit();
}

void WrappedColor::set(const QColor& v)
{
    value_ = v;
    requestRedraw();
}
