#include "dialing/DialerRuleTable.h"

#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using namespace tarvo;
using tarvo::test::TempDir;

TEST(DialingDialerTable, onlyLinesOfExactlySevenFieldsCount)
{
    DialerRuleTable table;
    EXPECT_FALSE(table.addLine("GB,44,44,G,0FG,00EFG\r\n")) << "six fields";
    EXPECT_FALSE(table.addLine("GB,44,44,G,0FG,00EFG,0FG,extra\r\n")) << "eight fields";
    EXPECT_FALSE(table.addLine("GB,44,44,G,0FG,00EFG,0FG,\r\n")) << "eighth field empty";
    EXPECT_TRUE(table.empty());
    EXPECT_TRUE(table.addLine("GB,44,44,G,0FG,00EFG,0FG\r\n"));
    EXPECT_FALSE(table.addLine("# FR,33,33,0FG,0FG,00EFG,0FG\n"));
    EXPECT_FALSE(table.addLine("   \r\n"));
    EXPECT_EQ(table.size(), 1U);
}

TEST(DialingDialerTable, fieldsAreKeptAsTextQuotedCommasIncluded)
{
    DialerRuleTable table;
    ASSERT_TRUE(table.addLine("ES,34,34,IG,IG,\"00,EFG\",IG\r\n"));
    ASSERT_TRUE(table.addLine("US,1,1,G, 1FG,011EFG, 1FG\n"));
    const DialingRule* es = table.find(34);
    ASSERT_NE(es, nullptr);
    EXPECT_EQ(es->CountryCode, 34);
    EXPECT_EQ(es->InternationalRule, "00,EFG");
    EXPECT_EQ(es->FourthRule, "IG");
    const DialingRule* us = table.find(1);
    ASSERT_NE(us, nullptr);
    EXPECT_EQ(us->LongDistanceRule, " 1FG");
    EXPECT_EQ(us->FourthRule, " 1FG") << "no line end in the last field";
}

TEST(DialingDialerTable, keysAreIdentifiersModulo65536AndLaterLinesWin)
{
    TempDir dir;
    dir.write("dr_country.txt", "GB,44,44,G,0FG,00EFG,0FG\r\n"
                                "XX,65536,7,A,B,C,D\r\n"
                                "GB,65580,4444,G2,0FG2,00EFG2,4TH\r\n"
                                "NN,-1,9,a,b,c,d\n"
                                "ZZ,abc,5,z,z,z,z");
    DialerRuleTable table;
    ASSERT_TRUE(table.load(dir.file("dr_country.txt")));
    EXPECT_EQ(table.size(), 3U);
    const DialingRule* gb = table.find(44);
    ASSERT_NE(gb, nullptr);
    EXPECT_EQ(gb->CountryCode, 4444);
    EXPECT_EQ(gb->SameAreaRule, "G2");
    EXPECT_EQ(gb->FourthRule, "4TH");
    EXPECT_EQ(table.find(65580), gb);
    EXPECT_EQ(table.find(44 + 2 * 65536), gb);
    // 65536 and the non-numeric identifier both land on key 0; the later one wins.
    ASSERT_NE(table.find(0), nullptr);
    EXPECT_EQ(table.find(0)->CountryCode, 5);
    ASSERT_NE(table.find(65535), nullptr);
    EXPECT_EQ(table.find(65535)->CountryCode, 9);
    EXPECT_EQ(table.find(45), nullptr);
}

TEST(DialingDialerTable, missingFileLeavesTheTableAsItWas)
{
    TempDir dir;
    DialerRuleTable table;
    ASSERT_TRUE(table.addLine("GB,44,44,G,0FG,00EFG,0FG"));
    EXPECT_FALSE(table.load(dir.file("dr_country.txt")));
    EXPECT_EQ(table.size(), 1U);
}

TEST(DialingDialerTable, overlongLineIsReadInPiecesLikeAFixedBuffer)
{
    // A physical line past 1023 bytes reaches the parser as separate pieces;
    // the tail piece here happens to be a valid seven-field line of its own.
    std::string filler(1023 - 6, 'x');
    TempDir dir;
    dir.write("dr_country.txt", "AA,1," + filler + "\n" + "FR,33,33,0FG,0FG,00EFG,0FG\n");
    std::string longLine = "ZZ,2,2," + std::string(1020, 'y') + "BB,7,7,G,8FG,8W10EFG,8FG\n";
    dir.write("long.txt", longLine);
    DialerRuleTable table;
    ASSERT_TRUE(table.load(dir.file("dr_country.txt")));
    EXPECT_NE(table.find(33), nullptr);
    EXPECT_EQ(table.find(1), nullptr);
    ASSERT_TRUE(table.load(dir.file("long.txt")));
    EXPECT_EQ(table.find(2), nullptr);
    ASSERT_NE(table.find(7), nullptr) << "the piece after byte 1023 is a line of its own";
    EXPECT_EQ(table.find(7)->LongDistanceRule, "8FG");
}
