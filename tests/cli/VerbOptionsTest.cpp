#include "cli/CliApp.h"
#include "cli/Command.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

struct Refused {
    std::vector<std::string> args;
    std::string says;
};

} // namespace

// Options a verb checks together are refused before start-up (which would
// fail with 1 here: no dialer is set up), with a usage error.
TEST(VerbOptions, optionsThatOnlyMakeSenseTogetherAreAUsageError)
{
    const std::string needsFilter = "--add-matching needs a filter (--country or --area-code)\n";
    const std::string needsAddMatching = "--country, --state, --city and --area-code choose what --add-matching "
                                         "adds: give --add-matching with them\n";
    const Refused cases[] = {
        {{"sync", "--add-matching"}, needsFilter},
        {{"sync", "--add-matching", "--state", "TX", "--city", "Austin"}, needsFilter},
        {{"sync", "--city", "Austin"}, needsAddMatching},
        {{"sync", "--add", "US1", "--force", "--state", "TX"}, needsAddMatching},
        // --force is sync's alone.
        {{"list", "--force"}, "The following argument was not expected: --force\n"},
    };
    for (const Refused& refused : cases) {
        std::vector<std::string> args = refused.args;
        args.insert(args.begin(), "tarvo-sync");
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(tarvo::cli::runCli(args, out, err), tarvo::cli::kExitUsage) << args[1] << ' ' << args[2];
        EXPECT_EQ(err.str().substr(0, refused.says.size()), refused.says) << err.str();
        EXPECT_EQ(out.str(), "");
    }
}
