#pragma once

#include "app/UpdateRunner.h"

namespace tarvo::gui {

using UpdateRunner = tarvo::UpdateRunner;

} // namespace tarvo::gui
