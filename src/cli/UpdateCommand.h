#pragma once

#include "cli/Command.h"

namespace tarvo::cli {

// Exit code of an update that the user cancelled with Ctrl-C.
inline constexpr int kExitCancelled = 130;

// `update`: one phonebook update run, shown as the progress window would
// show it. Exit 0 up to date or updated, 1 failed, 130 cancelled.
class UpdateCommand final : public Command {
public:
    int run(CommandContext& context) override;
};

} // namespace tarvo::cli
