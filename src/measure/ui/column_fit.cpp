#include "measure/ui/column_fit.h"

#include <algorithm>

namespace kv {

int lastColumnWidth(int gridWidth, int widthsBefore, int margin)
{
    return std::max(kMinimumLastColumnWidth, gridWidth - widthsBefore - margin);
}

}  // namespace kv
