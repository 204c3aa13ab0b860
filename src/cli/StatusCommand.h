#pragma once

#include "cli/Command.h"

namespace tarvo::cli {

// `status`: what start-up found, as "key: value" lines or one JSON object.
class StatusCommand final : public Command {
public:
    enum class Format { Text, Json };

    explicit StatusCommand(Format format = Format::Text) : m_format(format) {}
    int run(CommandContext& context) override;

private:
    Format m_format;
};

} // namespace tarvo::cli
