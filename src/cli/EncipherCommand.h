#pragma once

#include "cli/Command.h"

#include <string>

namespace tarvo::cli {

// `encipher TEXT`: the stored form of a credential, to put in
// "PhonebookUserID" or "PhonebookPassword". Needs no dialer or handheld.
class EncipherCommand final : public Command {
public:
    void addOptions(OptionSet& options) override;
    bool needsStartup() const override { return false; }
    int run(CommandContext& context) override;

private:
    std::string m_text;
};

} // namespace tarvo::cli
