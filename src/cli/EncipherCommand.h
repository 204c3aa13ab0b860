#pragma once

#include "cli/Command.h"

namespace tarvo::cli {

// `encipher TEXT`: the stored form of a credential, to put in
// "PhonebookUserID" or "PhonebookPassword". Needs no dialer or handheld.
class EncipherCommand final : public Command {
public:
    explicit EncipherCommand(std::string text) : m_text(std::move(text)) {}
    bool needsStartup() const override { return false; }
    int run(CommandContext& context) override;

private:
    std::string m_text;
};

} // namespace tarvo::cli
