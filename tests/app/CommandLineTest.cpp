#include "app/CommandLine.h"

#include <gtest/gtest.h>

using namespace tarvo;

TEST(CommandLine, profileSwitchTakesTheLastNameAndKeepsDefaultWhenLast)
{
    EXPECT_FALSE(parseCommandLine("-c").profileFile.has_value());
    EXPECT_EQ(parseCommandLine("-c one.ini two.ini").profileFile, "two.ini");
    EXPECT_EQ(parseCommandLine("\t-C  a.ini\t").profileFile, "a.ini");
}

TEST(CommandLine, plainTokensBeforeAnySwitchAndInIgnoredModesAreDropped)
{
    CommandLineOptions o = parseCommandLine("stray.ini -u user.ini -r x.ini -c prof.ini -d y");
    EXPECT_EQ(o.userFile, "user.ini");
    EXPECT_EQ(o.profileFile, "prof.ini");
    EXPECT_FALSE(o.allowMultiple);
}

TEST(CommandLine, allowMultipleKeepsTheCurrentMode)
{
    CommandLineOptions o = parseCommandLine("-c a.ini -m b.ini");
    EXPECT_TRUE(o.allowMultiple);
    EXPECT_EQ(o.profileFile, "b.ini");
}
