#pragma once

#include "cli/Command.h"

#include <string>

namespace tarvo::cli {

// `status`: what start-up found, as "key: value" lines or one JSON object.
class StatusCommand final : public Command {
public:
    enum class Format { Text, Json };

    void addOptions(OptionSet& options) override;
    bool finishOptions(std::ostream& err) override;
    int run(CommandContext& context) override;

private:
    std::string m_formatName = "text"; // --format, as given
    Format m_format = Format::Text;
};

} // namespace tarvo::cli
