#include "dialing/DialingRules.h"

#include "dialing/CountryQuery.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace tarvo;
using namespace tarvo::test;

namespace {

const std::string kShippedList = std::string(TARVO_SOURCE_DIR) + "/data/telephony-countries.csv";

using Countries = std::vector<std::pair<std::string, int>>;

// One country-table load as the country table drives it.
void runLoad(DialingRules& rules, const Countries& countries)
{
    rules.beginCountryLoad();
    ASSERT_TRUE(rules.openOutput());
    for (const auto& [code, id] : countries)
        rules.writeCountry(code, id);
    rules.endCountryLoad();
}

class DialingRulesTest : public ::testing::Test {
protected:
    std::string home() const { return m_home.path().string(); }
    std::string output() const { return m_work.file("dr_country.txt"); }

    TempDir m_home;
    TempDir m_work;
    CountryQuery m_list{kShippedList};
};

} // namespace

TEST_F(DialingRulesTest, dialerTableWinsAndTelephonyListFillsTheRest)
{
    m_home.write("dr_country.txt", "UK,44,44,X1,X2,X3,X4\r\n"
                                   "UK,44,4400,G,0FG,00EFG,9FG\r\n"
                                   "CA,2,1,G, 1FG,011EFG,1FG\r\n"
                                   "FR,33,33,0FG,0FG,00EFG\r\n"
                                   "DE,49,49,G,0FG,00EFG,0FG,extra\r\n");
    DialingRules rules(home(), output(), m_list);
    runLoad(rules, {{"GB", 44}, {"CA", 2}, {"FR", 33}, {"DE", 49}, {"US", 1}, {"XX", 4242}});
    EXPECT_EQ(m_work.read("dr_country.txt"), "GB,44,4400,G,0FG,00EFG,9FG\r\n"
                                             "CA,2,1,G, 1FG,011EFG,1FG\r\n"
                                             "FR,33,33,0FG,0FG,00EFG,0FG\r\n"
                                             "DE,49,49,G,0FG,00EFG,0FG\r\n"
                                             "US,1,1,G, 1FG,011EFG, 1FG\r\n");
}

TEST_F(DialingRulesTest, identifiersAreComparedModulo65536)
{
    m_home.write("dr_country.txt", "GB,44,44,G,0FG,00EFG,4TH\n");
    DialingRules rules(home(), output(), m_list);
    runLoad(rules, {{"GB", 65580}, {"ZZ", 65536 + 49}});
    // 65536 + 49 is not in the dialer's table and the telephony list knows no such id.
    EXPECT_EQ(m_work.read("dr_country.txt"), "GB,65580,44,G,0FG,00EFG,4TH\r\n");
}

TEST_F(DialingRulesTest, telephonyRulesAreWrittenUnquotedWithLongDistanceTwice)
{
    DialingRules rules(home(), output(), m_list);
    runLoad(rules, {{"ES", 34}, {"AU", 61}});
    EXPECT_EQ(m_work.read("dr_country.txt"), "ES,34,34,IG,IG,00,EFG,IG\r\n"
                                             "AU,61,61,G, 0FG,0011EFG, 0FG\r\n");
    DialingRule rule;
    rules.beginCountryLoad();
    ASSERT_TRUE(rules.findRule(34, rule));
    EXPECT_EQ(rule.FourthRule, rule.LongDistanceRule);
    EXPECT_EQ(rule.InternationalRule, "00,EFG");
    EXPECT_FALSE(rules.findRule(4242, rule));
    rules.endCountryLoad();
}

TEST_F(DialingRulesTest, identifierZeroIsNoCountry)
{
    // Asked for 0 the telephony list answers with every country; a short
    // list fits the buffer and its first country would be taken for this one.
    m_work.write("list.csv", "44,44,\"United Kingdom\",\"G\",\"0FG\",\"00EFG\",0\n");
    CountryQuery list(m_work.file("list.csv"));
    ASSERT_TRUE(list.query(0, 0x00010004, 1000));
    DialingRules rules(home(), output(), list);
    DialingRule rule;
    EXPECT_FALSE(rules.findRule(0, rule));
    runLoad(rules, {{"XX", 0}, {"GB", 44}});
    EXPECT_EQ(m_work.read("dr_country.txt"), "GB,44,44,G,0FG,00EFG,0FG\r\n");
    // A dialer-table line for key 0 is still honoured.
    m_home.write("dr_country.txt", "XX,65536,9,A,B,C,D\n");
    runLoad(rules, {{"XX", 0}});
    EXPECT_EQ(m_work.read("dr_country.txt"), "XX,0,9,A,B,C,D\r\n");
}

TEST_F(DialingRulesTest, countryWhoseAnswerDoesNotFitGetsNoLine)
{
    // 24 + 44 + 951 + 2 + 4 + 8 bytes: above the 1000 of the rule query and
    // the 512 of the second one. The other country needs 483 and fits both.
    m_work.write("list.csv", "7,7,\"" + std::string(950, 'R') + "\",\"G\",\"8FG\",\"8W10EFG\",0\n"
                             "8,8,\"" + std::string(400, 'S') + "\",\"G\",\"8FG\",\"8W10EFG\",0\n");
    CountryQuery list(m_work.file("list.csv"));
    DialingRules rules(home(), output(), list);
    runLoad(rules, {{"R1", 7}, {"R2", 8}});
    EXPECT_EQ(m_work.read("dr_country.txt"), "R2,8,8,G,8FG,8W10EFG,8FG\r\n");
}

TEST_F(DialingRulesTest, unavailableListWritesOnlyDialerTableCountries)
{
    m_home.write("dr_country.txt", "GB,44,44,G,0FG,00EFG,0FG\n");
    CountryQuery missing(m_work.file("no-such-list.csv"));
    DialingRules rules(home(), output(), missing);
    runLoad(rules, {{"US", 1}, {"GB", 44}, {"DE", 49}});
    EXPECT_EQ(m_work.read("dr_country.txt"), "GB,44,44,G,0FG,00EFG,0FG\r\n");
    auto buffer = std::vector<std::byte>(100);
    buffer[0] = std::byte{100};
    EXPECT_EQ(missing.lineGetCountry(1, 0x00010004, buffer), static_cast<std::int32_t>(0x80000049));
}

TEST_F(DialingRulesTest, emptyCountryFileGivesAnEmptyOutputFile)
{
    m_work.write("dr_country.txt", "OLD,1,1,G,G,G,G\r\n");
    DialingRules rules(home(), output(), m_list);
    runLoad(rules, {});
    EXPECT_TRUE(m_work.exists("dr_country.txt"));
    EXPECT_EQ(m_work.read("dr_country.txt"), "");
}

TEST_F(DialingRulesTest, sameFileAsInputAndOutputIsReadBeforeItIsReplaced)
{
    m_home.write("dr_country.txt", "GB,44,44,G,0FG,00EFG,KEEP\r\n"
                                   "IT,39,39,G,G,00EFG,DROPPED\r\n");
    ScopedCurrentDir cwd(m_home.path());
    DialingRules rules(".", "dr_country.txt", m_list);
    rules.beginCountryLoad();
    ASSERT_TRUE(rules.openOutput());
    // While the load runs the old file is still whole.
    EXPECT_EQ(m_home.read("dr_country.txt"), "GB,44,44,G,0FG,00EFG,KEEP\r\nIT,39,39,G,G,00EFG,DROPPED\r\n");
    rules.writeCountry("GB", 44);
    rules.writeCountry("FR", 33);
    rules.endCountryLoad();
    EXPECT_EQ(m_home.read("dr_country.txt"), "GB,44,44,G,0FG,00EFG,KEEP\r\n"
                                             "FR,33,33,0FG,0FG,00EFG,0FG\r\n");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_home.path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"dr_country.txt"}) << "no temporary file left behind";
}

TEST_F(DialingRulesTest, outputThatCannotBeCreatedLeavesTheOldFileAndWritesNothing)
{
    DialingRules rules(home(), m_work.file("missing-folder/dr_country.txt"), m_list);
    rules.beginCountryLoad();
    EXPECT_FALSE(rules.openOutput());
    EXPECT_FALSE(rules.outputOpen());
    rules.writeCountry("US", 1);
    rules.endCountryLoad();
    EXPECT_FALSE(std::filesystem::exists(m_work.path() / "missing-folder"));
}

TEST_F(DialingRulesTest, loadAbandonedMidwayKeepsThePreviousFile)
{
    m_work.write("dr_country.txt", "PREVIOUS\r\n");
    {
        DialingRules rules(home(), output(), m_list);
        rules.beginCountryLoad();
        ASSERT_TRUE(rules.openOutput());
        rules.writeCountry("US", 1);
        // Destroyed without endCountryLoad, as when the load is cut short.
    }
    EXPECT_EQ(m_work.read("dr_country.txt"), "PREVIOUS\r\n");
}

TEST_F(DialingRulesTest, eachLoadStartsFromAFreshTable)
{
    m_home.write("dr_country.txt", "GB,44,44,A,B,C,D\n");
    DialingRules rules(home(), output(), m_list);
    runLoad(rules, {{"GB", 44}});
    EXPECT_EQ(m_work.read("dr_country.txt"), "GB,44,44,A,B,C,D\r\n");
    std::filesystem::remove(m_home.path() / "dr_country.txt");
    runLoad(rules, {{"GB", 44}});
    EXPECT_EQ(m_work.read("dr_country.txt"), "GB,44,44,G,0FG,00EFG,0FG\r\n");
}
