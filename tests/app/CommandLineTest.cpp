#include "app/CommandLine.h"

#include <gtest/gtest.h>

using namespace tarvo;

TEST(CommandLine, profileSwitchTakesTheLastNameAndKeepsDefaultWhenLast)
{
    EXPECT_FALSE(ParseCommandLine("-c").profileFile.has_value());
    EXPECT_EQ(ParseCommandLine("-c one.ini two.ini").profileFile, "two.ini");
    EXPECT_EQ(ParseCommandLine("\t-C  a.ini\t").profileFile, "a.ini");
}

TEST(CommandLine, plainTokensBeforeAnySwitchAndInIgnoredModesAreDropped)
{
    CommandLineOptions o = ParseCommandLine("stray.ini -u user.ini -r x.ini -c prof.ini -d y");
    EXPECT_EQ(o.userFile, "user.ini");
    EXPECT_EQ(o.profileFile, "prof.ini");
    EXPECT_FALSE(o.allowMultiple);
}

TEST(CommandLine, allowMultipleKeepsTheCurrentMode)
{
    CommandLineOptions o = ParseCommandLine("-c a.ini -m b.ini");
    EXPECT_TRUE(o.allowMultiple);
    EXPECT_EQ(o.profileFile, "b.ini");
}
