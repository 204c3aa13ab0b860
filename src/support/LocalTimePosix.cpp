#include "support/LocalTime.h"

namespace tarvo {

bool toLocalTime(std::time_t when, std::tm& out)
{
    return ::localtime_r(&when, &out) != nullptr;
}

} // namespace tarvo
