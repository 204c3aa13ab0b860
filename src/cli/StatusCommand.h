#pragma once

#include "cli/Command.h"

namespace tarvo::cli {

// `status`: what start-up found, as "key: value" lines.
class StatusCommand final : public Command {
public:
    int run(CommandContext& context) override;
};

} // namespace tarvo::cli
