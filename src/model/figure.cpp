#include "model/figure.h"

namespace vellisk {

std::int32_t LowestPointIndex(tfigura& figure) {
    std::int32_t best = 0;
    for (std::size_t i = 1; i < figure.Contour.size(); ++i)
        if (figure.Contour[i].Y < figure.Contour[static_cast<std::size_t>(best)].Y)
            best = static_cast<std::int32_t>(i);
    figure.StartIndex = best;
    return best;
}

}  // namespace vellisk
