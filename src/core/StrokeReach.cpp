#include "core/StrokeReach.h"

#include <QPen>

#include <algorithm>
#include <cmath>

namespace StrokeReach {

double ofPen(const QPen& pen)
{
    const double width = pen.widthF();
    if (!(width > 0) || !std::isfinite(width))
        return 0;
    double reach = 1;
    if (pen.capStyle() == Qt::SquareCap)
        reach = M_SQRT2;
    const double limit = std::max(pen.miterLimit(), 1.0);
    if (pen.joinStyle() == Qt::MiterJoin)
        reach = std::max(reach, 2 * limit);
    else if (pen.joinStyle() == Qt::SvgMiterJoin)
        reach = std::max(reach, limit);
    return width / 2 * reach;
}

} // namespace StrokeReach
