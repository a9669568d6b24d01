#include "form/FormLayout.h"

#include <cstdint>
#include <cstdlib>

int MulDivRounded(int value, int numerator, int denominator)
{
    const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
    const std::int64_t d = std::llabs(denominator);
    const std::int64_t rounded = (std::llabs(product) * 2 + d) / (2 * d);
    return static_cast<int>((product < 0) != (denominator < 0) ? -rounded : rounded);
}
