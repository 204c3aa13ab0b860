#include "cli/CliApp.h"

#include "fixtures/PopLine.h"
#include "fixtures/TarvoSyncRunner.h"
#include "fixtures/Workspace.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

using namespace tarvo;
using json = nlohmann::ordered_json;
using namespace tarvo::test;

namespace {

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

// Windows-1252 bytes: 0xFC is "ü", 0xE9 "é", 0x92 the right single quote
// (U+2019, outside Latin-1), 0x80 the euro sign.
constexpr const char* kRegions = "CH,ZH,Z\xFCrich,ZH\r\nCA,QC,Qu\xE9" "bec,QC\r\nUS,IL,Illinois,IL\r\n";
constexpr const char* kCountries = "CH,41,Switzerland,1\r\nCA,1,Canada,1\r\nUS,1,United States,1\r\n";

class JsonOutputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_ws.writeDialer("region.txt", kRegions);
        m_ws.writeDialer("country.txt", kCountries);
        m_ws.writeDialer("dr_country.txt", "1,1,1,G, 1FG,011EFG, 1FG\r\n");
        m_ws.writeDialer("dr_areacode.txt", "");
        m_ws.writeDialer("pbook.txt",
                         PopFile({PopLine("CH", "ZH", "Z\xFCrich", "CH1").set(PopColumn::AREA_CODE, "044").str(),
                                  PopLine("CA", "QC", "Qu\xE9" "bec", "CA1").set(PopColumn::AREA_CODE, "418").str(),
                                  PopLine("US", "IL", "O\x92Hare", "US1").set(PopColumn::AREA_CODE, "773").str()}));
        m_ws.writeDialer("cbook.txt", PopFile({PopLine("US", "IL", "Chicago", "C1").str()}));
        m_ws.writeWork("synconfig.ini", "[Profile]\r\nAppName=Caf\xE9 \x80 Dialer\r\nMaxPops=5\r\nCustomerID=4711\r\n"
                                        "ProfileID=42\r\nShowPrice=0\r\nPhonebookURL1=http://a.example/\xE9\r\n"
                                        "PhonebookURL2=http://b.example/\r\nPhonebookUserID=someone\r\n"
                                        "[Tarvo]\r\nPhonebookURL1=http://g.example/\r\n");
        m_ws.writeWork("cereg.ini", "[Profile]\r\nCustomerID=4711\r\n");
    }

    Workspace m_ws;
};

} // namespace

TEST_F(JsonOutputTest, listIsAnArrayOfObjectsKeyedLikeTheTsvHeaderWithTheSameCellsInUtf8)
{
    CliRun tsv = tarvoSync({"list", "--format", "tsv", "--sort", "number"});
    CliRun js = tarvoSync({"list", "--format", "json", "--sort", "number"});
    ASSERT_EQ(tsv.code, 0) << tsv.err;
    ASSERT_EQ(js.code, 0) << js.err;

    json rows = json::parse(js.out);
    ASSERT_TRUE(rows.is_array());
    std::vector<std::string> lines = split(tsv.out, '\n');
    ASSERT_EQ(lines.size(), 5U) << tsv.out;
    ASSERT_EQ(rows.size(), lines.size() - 1);
    const std::vector<std::string> header = split(lines[0], '\t');
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::vector<std::string> cells = split(lines[r + 1], '\t');
        ASSERT_EQ(rows[r].size(), header.size());
        std::size_t c = 0;
        for (const auto& [key, value] : rows[r].items()) {
            EXPECT_EQ(key, header[c]) << "the keys come in the header's order";
            if (key == "on_handheld")
                EXPECT_EQ(value.get<bool>(), cells[c] == "yes");
            else
                EXPECT_EQ(value.get<std::string>(), cells[c]) << key;
            ++c;
        }
    }

    // Spelled out: converted from the ANSI code page, whatever the TSV says.
    auto byPop = [&rows](const std::string& id) {
        for (const json& row : rows)
            if (row["pop"] == id)
                return row;
        return json();
    };
    EXPECT_EQ(byPop("CA1")["city"], "Qu\xC3\xA9" "bec");
    EXPECT_EQ(byPop("CA1")["region"], "QC");
    EXPECT_EQ(byPop("CH1")["city"], "Z\xC3\xBCrich");
    EXPECT_EQ(byPop("CH1")["area_code"], "044") << "area codes stay texts: their leading zero counts";
    EXPECT_EQ(byPop("US1")["city"], "O\xE2\x80\x99Hare");
    EXPECT_EQ(byPop("US1")["on_handheld"], false);
    EXPECT_EQ(byPop("C1")["city"], "Chicago") << "customer POPs are listed as the window lists them";
}

TEST_F(JsonOutputTest, handheldListMarksItsPopsAndAnEmptyListIsAnEmptyArray)
{
    ASSERT_EQ(tarvoSync({"sync", "--add", "CH1"}).code, 0);

    CliRun handheld = tarvoSync({"list", "--handheld", "--format", "json"});
    ASSERT_EQ(handheld.code, 0) << handheld.err;
    json rows = json::parse(handheld.out);
    ASSERT_EQ(rows.size(), 1U);
    EXPECT_EQ(rows[0]["pop"], "CH1");
    EXPECT_EQ(rows[0]["on_handheld"], true);

    CliRun none = tarvoSync({"list", "--country", "CA", "--area-code", "999", "--format", "json"});
    ASSERT_EQ(none.code, 0) << none.err;
    json empty = json::parse(none.out);
    EXPECT_TRUE(empty.is_array());
    EXPECT_TRUE(empty.empty());

    EXPECT_EQ(tarvoSync({"list", "--format", "xml"}).code, 2);
}

TEST_F(JsonOutputTest, statusIsOneObjectWithTheTextKeysAndTypedValues)
{
    CliRun text = tarvoSync({"status"});
    CliRun js = tarvoSync({"status", "--format", "json"});
    ASSERT_EQ(text.code, 0) << text.err;
    ASSERT_EQ(js.code, 0) << js.err;
    json status = json::parse(js.out);
    ASSERT_TRUE(status.is_object());

    // Every key of the text is there, in the same order; a server set's
    // numbered lines are its array.
    std::vector<std::string> textKeys;
    for (const std::string& line : split(text.out, '\n')) {
        std::string key = line.substr(0, line.find(':'));
        if (key.find("_server_") == std::string::npos)
            textKeys.push_back(key);
    }
    std::vector<std::string> jsonKeys;
    for (const auto& [key, value] : status.items())
        jsonKeys.push_back(key);
    EXPECT_EQ(jsonKeys, textKeys);

    EXPECT_EQ(status["dialer_home"], m_ws.dir().file("dialer"));
    EXPECT_EQ(status["app_name"], "Caf\xC3\xA9 \xE2\x82\xAC Dialer");
    EXPECT_EQ(status["customer_id"], 4711);
    EXPECT_EQ(status["profile_id"], 42);
    EXPECT_EQ(status["max_pops"], 5);
    EXPECT_EQ(status["pb_server"], 3);
    EXPECT_EQ(status["pop_sort_order"], -1);
    EXPECT_EQ(status["show_price"], false);
    EXPECT_EQ(status["profile_servers"], json::array({"http://a.example/\xC3\xA9", "http://b.example/"}));
    EXPECT_EQ(status["global_servers"], json::array({"http://g.example/"}));
    EXPECT_EQ(status["profile_user_id"], "set");
    EXPECT_EQ(status["profile_password"], "unset");
    EXPECT_EQ(status["global_user_id"], "unset");
    EXPECT_EQ(status["pops_master"], 3);
    EXPECT_EQ(status["pops_customer"], 1);
    EXPECT_EQ(status["pops_on_handheld"], 0);
    EXPECT_EQ(status["handheld_limit"], 5);
    EXPECT_EQ(js.out.find("someone"), std::string::npos) << "credentials never shown";

    EXPECT_EQ(tarvoSync({"status", "--format", "tsv"}).code, 2);
}

TEST_F(JsonOutputTest, aFileNameThatIsNotUtf8StillGivesValidJson)
{
    // Linux file names are bytes; this one is Latin-1.
    const std::string name = "caf\xE9.ini";
    m_ws.writeWork(name, "[Profile]\r\nProfileID=7\r\n");
    CliRun js = tarvoSync({"-c", name, "status", "--format", "json"});
    ASSERT_EQ(js.code, 0) << js.err;
    json status = json::parse(js.out);
    EXPECT_EQ(status["profile_file"], m_ws.work("caf\xEF\xBF\xBD.ini")) << "the byte replaced by U+FFFD";
    EXPECT_EQ(status["profile_id"], 7);
}

TEST(TarvoSyncVersion, isTheProjectVersionWithItsBuildNumber)
{
    // TARVO_PROJECT_VERSION is the build's "major.minor.build".
    std::vector<std::string> parts = split(TARVO_PROJECT_VERSION, '.');
    ASSERT_EQ(parts.size(), 3U);
    CliRun run = tarvoSync({"--version"});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "tarvo-sync " + parts[0] + "." + parts[1] + " [Build " + parts[2] + "]\n");
    EXPECT_TRUE(run.err.empty()) << run.err;
    EXPECT_EQ(cli::versionLine() + "\n", run.out);
}
