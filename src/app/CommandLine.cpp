#include "app/CommandLine.h"

#include "support/Tokenizer.h"

#include <cctype>

namespace tarvo {

namespace {

enum class Mode { None, Profile, User, Ignore };

bool isSwitch(std::string_view token, char letter)
{
    return token.size() == 2 && token[0] == '-'
           && std::tolower(static_cast<unsigned char>(token[1])) == letter;
}

} // namespace

CommandLineOptions parseCommandLine(std::string_view arguments)
{
    CommandLineOptions options;
    Mode mode = Mode::None;
    StrTok tokens(arguments, " \t");
    while (auto token = tokens.next()) {
        if (isSwitch(*token, 'c')) {
            mode = Mode::Profile;
        } else if (isSwitch(*token, 'u')) {
            mode = Mode::User;
        } else if (isSwitch(*token, 'r') || isSwitch(*token, 'b') || isSwitch(*token, 'd')) {
            mode = Mode::Ignore;
        } else if (isSwitch(*token, 'm')) {
            options.allowMultiple = true;
        } else if (mode == Mode::Profile) {
            options.profileFile = std::string(*token);
        } else if (mode == Mode::User) {
            options.userFile = std::string(*token);
        }
    }
    return options;
}

} // namespace tarvo
