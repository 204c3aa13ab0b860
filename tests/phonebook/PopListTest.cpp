#include "phonebook/PopList.h"

#include "phonebook/HandheldSet.h"

#include "fixtures/PopLine.h"
#include "fixtures/TempDir.h"
#include "phonebook/PopLineSplitter.h"
#include "support/FileHandle.h"
#include "support/Tokenizer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

using namespace tarvo;
using namespace tarvo::test;

namespace {

std::vector<const PopRecord*> records(const PopList& list)
{
    std::vector<const PopRecord*> result;
    for (const PopRecord& record : list)
        result.push_back(&record);
    return result;
}

std::string written(const PopRecord& record)
{
    std::string out;
    record.write(out);
    return out;
}

class PopListTest : public ::testing::Test {
protected:
    PopFileStatus load(const std::string& content, PopList::Mode mode = PopList::Mode::ClearFirst,
                       PopList::Source source = PopList::Source::Master)
    {
        dir.write("book.txt", content);
        return list.loadFile(mode, dir.file("book.txt"), source);
    }

    TempDir dir;
    PopList list;
};

TEST_F(PopListTest, consecutiveLinesWithTheSamePopBecomeVariantsWrittenAfterTheirEntry)
{
    PopLine modem("US", "TX", "Austin", "P1");
    PopLine isdn = PopLine(modem).set(PopColumn::MEDIA, "ISDN").set(PopColumn::PHONE_NUMBER, "5550111");
    PopLine other("US", "TX", "Dallas", "P2");
    ASSERT_EQ(load(PopFile({modem.str(), isdn.str(), other.str(), modem.str()})), PopFileStatus::Read);

    auto all = records(list);
    ASSERT_EQ(all.size(), 3U) << "the same POP further down starts a new entry";
    ASSERT_EQ(all[0]->variants().size(), 1U);
    EXPECT_EQ(all[0]->media(), "MODEM");
    EXPECT_EQ(all[0]->variants()[0].media(), "ISDN");
    EXPECT_TRUE(all[1]->variants().empty());
    EXPECT_TRUE(all[2]->variants().empty());
    EXPECT_EQ(written(*all[0]), modem.str() + "\r\n" + isdn.str() + "\r\n");
}

TEST_F(PopListTest, groupingDoesNotReachAcrossFiles)
{
    PopLine line("US", "TX", "Austin", "P1");
    ASSERT_EQ(load(PopFile({line.str()})), PopFileStatus::Read);
    ASSERT_EQ(load(PopFile({line.str()}), PopList::Mode::Append, PopList::Source::Customer), PopFileStatus::Read);
    auto all = records(list);
    ASSERT_EQ(all.size(), 2U);
    EXPECT_TRUE(all[0]->fromMaster());
    EXPECT_FALSE(all[1]->fromMaster());
    EXPECT_TRUE(all[0]->variants().empty());
}

TEST_F(PopListTest, fieldCountDecidesWhetherALineIsARecord)
{
    std::string line28 = PopLine("US", "TX", "Austin", "P28").str();
    std::string line27 = line28.substr(0, line28.rfind(','));
    std::string line29 = PopLine("US", "TX", "Austin", "P29").str() + ",extra,more";
    ASSERT_EQ(load(PopFile({line27, line28, "", "   ", "; remark", "# remark", line29})), PopFileStatus::Read);
    auto all = records(list);
    ASSERT_EQ(all.size(), 2U);
    EXPECT_EQ(all[0]->pop(), "P28");
    EXPECT_EQ(all[1]->pop(), "P29");
    EXPECT_EQ(all[1]->billCode(), "B1") << "the 29th field is ignored";
}

TEST_F(PopListTest, integersAreConvertedAndUsageIsHeldInHours)
{
    PopLine a = PopLine("US", "TX", "Austin", "P1")
                    .set(PopColumn::USAGE_START, "7200")
                    .set(PopColumn::USAGE_END, "5399")
                    .set(PopColumn::DOW, "abc")
                    .set(PopColumn::QOS, " -12xyz")
                    .set(PopColumn::SORT_ORDER, "+7")
                    .set(PopColumn::SUPPORT_MESG, "Call us");
    PopLine b = PopLine("US", "TX", "Austin", "P2").set(PopColumn::USAGE_START, "5399").set(PopColumn::USAGE_END, "-7199");
    ASSERT_EQ(load(PopFile({a.str(), b.str()})), PopFileStatus::Read);
    auto all = records(list);
    ASSERT_EQ(all.size(), 2U);
    EXPECT_EQ(all[0]->number(PopColumn::USAGE_START), 2);
    EXPECT_EQ(all[0]->number(PopColumn::USAGE_END), 1);
    EXPECT_EQ(all[0]->number(PopColumn::DOW), 0);
    EXPECT_EQ(all[0]->number(PopColumn::QOS), -12);
    EXPECT_EQ(all[0]->sortOrder(), 7);
    EXPECT_EQ(all[0]->text(PopColumn::SUPPORT_MESG), "");
    EXPECT_EQ(all[1]->number(PopColumn::USAGE_START), 1);
    EXPECT_EQ(all[1]->number(PopColumn::USAGE_END), -1) << "truncation toward zero";

    PopLine expected = PopLine(a)
                           .set(PopColumn::USAGE_START, "2")
                           .set(PopColumn::USAGE_END, "1")
                           .set(PopColumn::DOW, "0")
                           .set(PopColumn::QOS, "-12")
                           .set(PopColumn::SORT_ORDER, "7")
                           .set(PopColumn::SUPPORT_MESG, "");
    EXPECT_EQ(written(*all[0]), expected.str() + "\r\n");
}

// Integers are held in two bytes when they lie in 0..65534 and in full
// beside the text otherwise; any mix must read and write back unchanged.
TEST_F(PopListTest, integersOutsideTwoBytesKeepTheirFullValue)
{
    PopLine a = PopLine("US", "TX", "Austin", "P1")
                    .set(PopColumn::DOW, "65534")
                    .set(PopColumn::TIME_START, "65535")
                    .set(PopColumn::TIME_END, "-1")
                    .set(PopColumn::MAX_SPEED, "2147483647")
                    .set(PopColumn::ISDN, "99999999999")
                    .set(PopColumn::PAP, "-2147483648")
                    .set(PopColumn::QOS, "65536")
                    .set(PopColumn::ALL_CITY, "1")
                    .set(PopColumn::SORT_ORDER, "-3")
                    .set(PopColumn::USAGE_END, "-7200");
    PopLine b = PopLine("US", "TX", "Austin", "P2").set(PopColumn::SORT_ORDER, "70000").set(PopColumn::MAX_SPEED, "56000");
    ASSERT_EQ(load(PopFile({a.str(), b.str()})), PopFileStatus::Read);
    auto all = records(list);
    ASSERT_EQ(all.size(), 2U);
    EXPECT_EQ(all[0]->number(PopColumn::DOW), 65534);
    EXPECT_EQ(all[0]->number(PopColumn::TIME_START), 65535);
    EXPECT_EQ(all[0]->number(PopColumn::TIME_END), -1);
    EXPECT_EQ(all[0]->number(PopColumn::MAX_SPEED), 2147483647);
    EXPECT_EQ(all[0]->number(PopColumn::ISDN), 2147483647) << "saturated";
    EXPECT_EQ(all[0]->number(PopColumn::PAP), -2147483647 - 1);
    EXPECT_EQ(all[0]->number(PopColumn::CHAP), 1);
    EXPECT_EQ(all[0]->number(PopColumn::QOS), 65536);
    EXPECT_EQ(all[0]->allCity(), 1);
    EXPECT_EQ(all[0]->sortOrder(), -3);
    EXPECT_EQ(all[0]->number(PopColumn::USAGE_END), -2);
    EXPECT_EQ(all[0]->billCode(), "B1") << "the text ends where the wide numbers begin";
    EXPECT_EQ(written(*all[0]), PopLine(a).set(PopColumn::ISDN, "2147483647").set(PopColumn::USAGE_END, "-2").str()
                                    + "\r\n");
    EXPECT_EQ(all[1]->sortOrder(), 70000);
    EXPECT_EQ(all[1]->number(PopColumn::MAX_SPEED), 56000);
    EXPECT_EQ(written(*all[1]), b.str() + "\r\n");
}

// The longest text a record can hold: headers that each move one text
// column onto the same field of nearly a whole line, so all fourteen hold
// it. The record's origin (master or customer) is kept beside the column
// sizes and must not disturb them, nor they it.
TEST_F(PopListTest, longestTextKeepsItsColumnsAndItsOrigin)
{
    const char* textColumns[] = {"COUNTRY", "REGION", "CITY", "AREA_CODE", "PHONE_NUMBER", "POP", "SCRIPT",
                                 "PREFIX", "SUFFIX", "PRICE", "DNS_IP", "SUPPORT_PHONE", "MEDIA", "BILL_CODE"};
    std::vector<std::string> lines;
    for (const char* column : textColumns)
        lines.push_back(std::string("#HDR X,X,X,X,X,X,X,X,X,X,X,X,X,") + column);
    std::string longField(940, 'x');
    longField.back() = '\xFF';
    std::string line;
    for (int i = 0; i < 13; ++i)
        line += std::to_string(i) + ",";
    line += longField;
    for (int i = 14; i < 28; ++i)
        line += "," + std::to_string(i);
    ASSERT_LE(line.size(), 1023U);
    lines.push_back(line);
    std::string book = "#VER 1\r\n";
    for (const std::string& l : lines)
        book += l + "\r\n";

    for (PopList::Source source : {PopList::Source::Master, PopList::Source::Customer}) {
        ASSERT_EQ(load(book, PopList::Mode::ClearFirst, source), PopFileStatus::Read);
        ASSERT_EQ(list.size(), 1U);
        const PopRecord& pop = *list.begin();
        EXPECT_EQ(pop.fromMaster(), source == PopList::Source::Master);
        for (const char* column : textColumns)
            EXPECT_EQ(pop.text(*findColumn(column)), longField) << column;
        EXPECT_EQ(pop.number(PopColumn::DOW), 9) << "the integer columns keep their positions";
        EXPECT_EQ(pop.sortOrder(), 25);
        list.columnMap().reset();
    }
}

TEST_F(PopListTest, headerLinesReorderColumnsForTheRestOfTheListsFiles)
{
    PopLine line("US", "TX", "Austin", "P1");
    std::string canonical = "#HDR COUNTRY,REGION,CITY,AREA_CODE,PHONE_NUMBER,POP,SCRIPT,PREFIX,SUFFIX,DOW,TIME_START,"
                            "TIME_END,USAGE_START,USAGE_END,PRICE,MAX_SPEED,ISDN,PAP,CHAP,STATIC_DNS,DNS_IP,QOS,"
                            "SUPPORT_PHONE,SUPPORT_MESG,ALL_CITY,SORT_ORDER,MEDIA,BILL_CODE";
    ASSERT_EQ(load(PopFile({canonical, line.str()})), PopFileStatus::Read);
    EXPECT_TRUE(list.columnMap().isIdentity());
    EXPECT_EQ(written(*list.begin()), line.str() + "\r\n");

    // Swap COUNTRY and BILL_CODE, POP and CITY.
    std::string swapped = canonical;
    swapped.replace(swapped.find("COUNTRY"), 7, "BILL_X");
    swapped.replace(swapped.find("BILL_CODE"), 9, "COUNTRY");
    swapped.replace(swapped.find("BILL_X"), 6, "BILL_CODE");
    swapped.replace(swapped.find(",CITY,"), 6, ",POP_X,");
    swapped.replace(swapped.find(",POP,"), 5, ",CITY,");
    swapped.replace(swapped.find("POP_X"), 5, "POP");
    PopLine reordered = PopLine("B1", "TX", "P9", "Austin").set(PopColumn::BILL_CODE, "US");
    ASSERT_EQ(load(PopFile({line.str(), swapped, reordered.str()})), PopFileStatus::Read);
    auto all = records(list);
    ASSERT_EQ(all.size(), 2U);
    EXPECT_EQ(all[1]->country(), "US");
    EXPECT_EQ(all[1]->pop(), "P9");
    EXPECT_EQ(all[1]->city(), "Austin");
    EXPECT_EQ(all[1]->billCode(), "B1");
    EXPECT_EQ(written(*all[1]), PopLine("US", "TX", "Austin", "P9").str() + "\r\n") << "written in canonical order";

    // The header stays in effect for a later file of the same list, even
    // when the list is emptied first.
    ASSERT_EQ(load(PopFile({reordered.str()}), PopList::Mode::ClearFirst, PopList::Source::Customer), PopFileStatus::Read);
    EXPECT_EQ(list.begin()->country(), "US");

    PopList fresh;
    dir.write("plain.txt", PopFile({line.str()}));
    ASSERT_EQ(fresh.loadFile(PopList::Mode::ClearFirst, dir.file("plain.txt"), PopList::Source::Master), PopFileStatus::Read);
    EXPECT_EQ(fresh.begin()->country(), "US") << "another phonebook starts from the canonical order";
}

TEST_F(PopListTest, partialHeaderMovesOnlyTheNamedColumns)
{
    PopLine line = PopLine("US", "TX", "Austin", "P1").set(PopColumn::AREA_CODE, "512");
    // Only CITY named, at position 3; a name outside the table is ignored.
    ASSERT_EQ(load(PopFile({"#HDR COUNTRY,REGION,NOPE,CITY", line.str()})), PopFileStatus::Read);
    EXPECT_EQ(list.begin()->city(), "512");
    EXPECT_EQ(list.begin()->areaCode(), "512") << "AREA_CODE keeps its position";
    EXPECT_EQ(list.begin()->country(), "US");
}

TEST_F(PopListTest, firstLineMustBeAVersionLine)
{
    PopLine line("US", "TX", "Austin", "P1");
    ASSERT_EQ(load(PopFile({line.str()})), PopFileStatus::Read);
    EXPECT_EQ(load(line.str() + "\r\n", PopList::Mode::Append), PopFileStatus::NotAPhonebook);
    EXPECT_EQ(list.size(), 1U) << "records of an earlier file stay";
    EXPECT_EQ(load("\r\n#VER 1\r\n" + line.str() + "\r\n", PopList::Mode::Append), PopFileStatus::NotAPhonebook);
    EXPECT_EQ(list.loadFile(PopList::Mode::ClearFirst, dir.file("missing.txt"), PopList::Source::Master),
              PopFileStatus::CannotOpen);
    EXPECT_TRUE(list.empty()) << "clearFirst empties the list even when the file does not open";

    EXPECT_EQ(load(""), PopFileStatus::Read) << "a file without any line is an empty phonebook";
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(load("#VERSION 2"), PopFileStatus::Read);
}

TEST_F(PopListTest, physicalLinesLongerThan1023BytesAreSeveralLines)
{
    std::string head = PopLine("US", "TX", "Austin", "P1").set(PopColumn::BILL_CODE, "").str();
    std::string bill(1100, 'x');
    // The remainder carries 28 fields of its own, so it is read as a second record.
    std::string tail = "," + PopLine("US", "TX", "Waco", "P2").str().substr(3);
    ASSERT_EQ(load(PopFile({head + bill + tail})), PopFileStatus::Read);
    auto all = records(list);
    ASSERT_EQ(all.size(), 2U);
    EXPECT_EQ(all[0]->billCode().size(), 1023 - head.size());
    EXPECT_EQ(all[1]->country(), std::string(head.size() + 1100 - 1023, 'x'));
    EXPECT_EQ(all[1]->city(), "Waco");
}

TEST_F(PopListTest, theHandheldSetHoldsMasterPopsOnlyAndCountsThemWithoutVariants)
{
    ASSERT_EQ(load(PopFile({PopLine("US", "TX", "Austin", "P1").str(), PopLine("US", "TX", "Austin", "P1").str(),
                            PopLine("US", "TX", "Waco", "P2").str()})),
              PopFileStatus::Read);
    ASSERT_EQ(load(PopFile({PopLine("US", "TX", "Austin", "C1").str()}), PopList::Mode::Append, PopList::Source::Customer), PopFileStatus::Read);
    HandheldSet handheld(list, 0);
    std::vector<HandheldSet::Add> added;
    for (PopRecord& record : list) {
        EXPECT_FALSE(handheld.contains(record));
        added.push_back(handheld.add(record));
    }
    EXPECT_EQ(added, (std::vector<HandheldSet::Add>{HandheldSet::Add::Added, HandheldSet::Add::Added,
                                                    HandheldSet::Add::CustomerPop}));
    EXPECT_EQ(handheld.add(*list.begin()), HandheldSet::Add::AlreadyChosen);
    EXPECT_EQ(handheld.count(), 2);
    EXPECT_TRUE(handheld.remove(*list.begin()));
    EXPECT_FALSE(handheld.remove(*list.begin()));
    EXPECT_EQ(handheld.count(), 1);
    EXPECT_EQ(HandheldSet(list, 0).count(), 1) << "a set made anew counts the marks";
    handheld.removeAll();
    EXPECT_EQ(handheld.count(), 0);
}

TEST_F(PopListTest, recordsKeepTheirAddressesWhileLaterFilesAreAppended)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 5000; ++i)
        lines.push_back(PopLine("US", "TX", "City" + std::to_string(i % 37), "P" + std::to_string(i)).str());
    std::string content = "#VER 1\n";
    for (const std::string& line : lines)
        content += line + "\n";
    ASSERT_EQ(load(content), PopFileStatus::Read);
    auto before = records(list);
    ASSERT_EQ(before.size(), 5000U);
    ASSERT_EQ(load(content, PopList::Mode::Append, PopList::Source::Customer), PopFileStatus::Read);
    auto after = records(list);
    ASSERT_EQ(after.size(), 10000U);
    for (std::size_t i = 0; i < before.size(); ++i) {
        ASSERT_EQ(before[i], after[i]);
        ASSERT_EQ(after[i]->pop(), "P" + std::to_string(i));
        ASSERT_EQ(after[i + 5000]->pop(), "P" + std::to_string(i));
    }
}

TEST_F(PopListTest, streamWriterWritesTheSameBytes)
{
    PopLine a("US", "TX", "Austin", "P1");
    PopLine b = PopLine(a).set(PopColumn::MEDIA, "ISDN");
    ASSERT_EQ(load(PopFile({a.str(), b.str()})), PopFileStatus::Read);
    {
        FilePtr out = openFile(dir.file("out.txt"), "wb");
        ASSERT_TRUE(out);
        EXPECT_TRUE(list.begin()->write(out.get()));
    }
    EXPECT_EQ(dir.read("out.txt"), a.str() + "\r\n" + b.str() + "\r\n");
}

TEST_F(PopListTest, aDirectoryIsNotAReadablePhonebook)
{
    std::filesystem::create_directory(dir.path() / "folder");
    // Linux opens a folder and fails to read it; Windows does not open one.
    EXPECT_THAT(list.loadFile(PopList::Mode::ClearFirst, dir.file("folder"), PopList::Source::Master),
                testing::AnyOf(PopFileStatus::ReadFailed, PopFileStatus::CannotOpen));
}

// The loader's splitter must agree with the support library's tokenizer on
// every line, quoted or not.
TEST(PopListSplitLine, agreesWithTheTokenizer)
{
    std::vector<std::string> lines = {
        "", "\r\n", ",", ",,,,,,,,,,,,,,,,", "a", "a,b\r\n", "abcdefgh,ijklmnop,qrstuvwx,yz", "\"q,uoted\",b,c",
        "a,\"q,uoted\",c\n", "a,b\"c,d", "a,b,\"unclosed,rest", "1234567,\"abc\"tail,x", "\r", "a\rb,c",
    };
    std::string longLine;
    for (int i = 0; i < 40; ++i)
        longLine += "field" + std::to_string(i) + ",";
    lines.push_back(longLine);
    lines.push_back(longLine + "\"quoted,last\"");
    lines.push_back(longLine.substr(0, 200) + "\"late,quote\"," + longLine);
    std::mt19937 rng(3);
    const std::string alphabet = "ab,,\"\r\n x";
    for (int i = 0; i < 3000; ++i) {
        std::string line;
        std::size_t len = rng() % 80;
        for (std::size_t k = 0; k < len; ++k)
            line += alphabet[rng() % alphabet.size()];
        lines.push_back(line);
    }
    for (const std::string& line : lines) {
        for (int max : {1, 2, 4, 28, 29, 64}) {
            std::array<std::string_view, 64> a{};
            std::array<std::string_view, 64> b{};
            int na = parseTokens(line, a.data(), max);
            int nb = PopLineSplitter::split(line, b.data(), max);
            ASSERT_EQ(na, nb) << line << " max " << max;
            for (int k = 0; k < na; ++k)
                ASSERT_EQ(a[static_cast<std::size_t>(k)], b[static_cast<std::size_t>(k)]) << line << " max " << max;
        }
    }
}

} // namespace
