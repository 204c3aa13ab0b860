#include "cli/EncipherCommand.h"

#include "cli/OptionSet.h"
#include "config/AuthHeaderBuilder.h"
#include "support/TarvoCipher.h"

#include <ostream>

namespace tarvo::cli {

void EncipherCommand::addOptions(OptionSet& options)
{
    options.add("TEXT", "The user name or password", &m_text).required = true;
}

int EncipherCommand::run(CommandContext& context)
{
    std::string stored;
    if (tarvoEncrypt(m_text.data(), m_text.size(), stored, kCredentialKey) != 0) {
        context.err << "Unable to encipher the text\n";
        return kExitFailed;
    }
    // The settings file keeps values of at most 259 characters.
    if (stored.size() > 259)
        context.err << "Warning: the enciphered text is longer than a settings value may be (259 characters)\n";
    context.out << stored << '\n';
    return kExitOk;
}

} // namespace tarvo::cli
