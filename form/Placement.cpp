#include "form/Placement.h"

#include <algorithm>

TPlacePoint CentredPosition(TDesktop desktop, int outerWidth, int outerHeight)
{
    const int left = desktop.Left + desktop.Width / 2 - outerWidth / 2;
    const int top = desktop.Top + desktop.Height / 2 - outerHeight / 2;
    return {std::max(left, desktop.Left), std::max(top, desktop.Top)};
}
