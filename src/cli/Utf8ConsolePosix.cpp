#include "cli/Utf8Console.h"

namespace tarvo::cli {

Utf8Console::Utf8Console() = default;

Utf8Console::~Utf8Console() = default;

} // namespace tarvo::cli
