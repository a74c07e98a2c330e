#include "core/AppStyle.h"

const AppStyle& appStyle()
{
    static const AppStyle style; // thread-safe once-only initialisation
    return style;
}
