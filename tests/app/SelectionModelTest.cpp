#include "app/SelectionModel.h"

#include "app/FilterChoiceLists.h"

#include "phonebook/HandheldSet.h"

#include "dialing/CountryQuery.h"
#include "fixtures/PopLine.h"
#include "fixtures/RecordingFrontEnd.h"
#include "fixtures/TempDir.h"
#include "phonebook/MasterPhonebook.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

using namespace tarvo;
using namespace tarvo::test;

namespace {

class SelectionModelTest : public ::testing::Test {
protected:
    void load(const std::string& pbook, const std::string& cbook = {})
    {
        m_dir.write("dialer/region.txt", "US,TX,Texas,TX\r\nUS,MA,Massachusetts,MA\r\nCA,ON,Ontario,ON\r\n");
        m_dir.write("dialer/country.txt", "US,1,United States,1\r\nCA,2,Canada,-1\r\nDE,49,Germany,1\r\n");
        m_dir.write("dialer/pbook.txt", pbook);
        if (!cbook.empty())
            m_dir.write("dialer/cbook.txt", cbook);
        m_phonebook = std::make_unique<MasterPhonebook>(m_dir.file("dialer"), m_frontEnd, m_dir.file("dr_country.txt"),
                                                        m_query);
        MasterPhonebook::LoadResult loaded = m_phonebook->load();
        ASSERT_TRUE(loaded.ok()) << loaded.errorText;
    }

    std::vector<std::string> pops(SelectionModel::List list) const
    {
        std::vector<std::string> ids;
        for (const PopRecord* p : m_model->rows(list))
            ids.emplace_back(p->pop());
        return ids;
    }

    void makeModel(int popSortOrder = -1, int maxPops = 0)
    {
        m_model.reset();
        m_handheld = std::make_unique<HandheldSet>(m_phonebook->pops(), maxPops);
        m_model = std::make_unique<SelectionModel>(*m_phonebook, *m_handheld, popSortOrder);
    }

    TempDir m_dir;
    RecordingFrontEnd m_frontEnd;
    CountryQuery m_query{"/nonexistent/country-list.csv"};
    std::unique_ptr<MasterPhonebook> m_phonebook;
    std::unique_ptr<HandheldSet> m_handheld;
    std::unique_ptr<SelectionModel> m_model;
};

std::string line(const char* country, const char* region, const char* city, const char* pop, const char* area = "512",
                 const char* number = "5550100", const char* sortOrder = "10", const char* allCity = "0")
{
    return PopLine(country, region, city, pop)
        .set(PopColumn::AREA_CODE, area)
        .set(PopColumn::PHONE_NUMBER, number)
        .set(PopColumn::SORT_ORDER, sortOrder)
        .set(PopColumn::ALL_CITY, allCity)
        .str();
}

} // namespace

TEST_F(SelectionModelTest, stateChoiceKeepsPopsWithoutRegionAndCountryChoiceUsesThenClearsAreaCode)
{
    load(PopFile({line("US", "TX", "Austin", "P1", "512"), line("US", "", "Anywhere", "P2", "800"),
                  line("US", "MA", "Boston", "P3", "617"), line("US", "TX", "Austin", "P4", "408"),
                  line("CA", "ON", "Toronto", "P5", "408")}));
    makeModel();
    const CountryEntry* us = m_model->findCountry("US");
    ASSERT_NE(us, nullptr);

    m_model->setAreaCode("408");
    m_model->chooseCountry(us);
    EXPECT_EQ(pops(SelectionModel::List::Main), (std::vector<std::string>{"P4"}));
    EXPECT_TRUE(m_model->filter().areaCode.empty());

    m_model->chooseState(m_model->findState(*us, "TX"));
    EXPECT_EQ(pops(SelectionModel::List::Main), (std::vector<std::string>{"P2", "P4", "P1"}));
}

TEST_F(SelectionModelTest, choicesListOnlyCountriesWithCitiesAndUsCitiesCarryTheStateName)
{
    load(PopFile({line("US", "TX", "Austin", "P1"), line("CA", "ON", "Toronto", "P2")}));
    makeModel();
    std::vector<std::string> names;
    for (const CountryEntry* c : m_model->countryChoices())
        names.push_back(c->name);
    EXPECT_EQ(names, (std::vector<std::string>{"Canada", "United States"})); // Germany has no city

    std::vector<CityChoice> cities = m_model->cityChoices(*m_model->findCountry("US"), nullptr);
    ASSERT_EQ(cities.size(), 1U);
    EXPECT_EQ(cities[0].text, "Austin TX");
    EXPECT_EQ(m_model->cityChoices(*m_model->findCountry("CA"), nullptr)[0].text, "Toronto");
}

TEST_F(SelectionModelTest, movesSetTheChangeFlagOnlyWhenSomethingMovesAndCustomerPopsStayInTheMainList)
{
    load(PopFile({line("US", "TX", "Austin", "P1"), line("US", "TX", "Dallas", "P2")}),
         PopFile({line("US", "TX", "Austin", "C1")}));
    makeModel();
    m_model->rebuild();
    ASSERT_EQ(pops(SelectionModel::List::Main), (std::vector<std::string>{"C1", "P1", "P2"}));

    std::array<std::size_t, 1> first{1};
    EXPECT_EQ(m_model->moveToHandheld(first, m_frontEnd, "caption").moved, 1);
    EXPECT_TRUE(m_model->changed());
    EXPECT_EQ(m_model->handheldCount(), 1);

    m_model->setChanged(false);
    EXPECT_EQ(m_model->moveToHandheld(first, m_frontEnd, "caption").moved, 0); // already chosen
    EXPECT_FALSE(m_model->changed());

    // A customer POP would never be written: it is not shown as moved.
    std::array<std::size_t, 2> customerAndOther{0, 2};
    SelectionModel::Move move = m_model->moveToHandheld(customerAndOther, m_frontEnd, "caption");
    EXPECT_EQ(move.customerPops, 1);
    EXPECT_EQ(move.moved, 1);
    EXPECT_EQ(pops(SelectionModel::List::Handheld), (std::vector<std::string>{"P1", "P2"}));
    EXPECT_EQ(m_model->handheldCount(), 2);

    std::array<std::size_t, 2> all{0, 1};
    m_model->moveBack(all);
    EXPECT_TRUE(pops(SelectionModel::List::Handheld).empty());
    EXPECT_EQ(pops(SelectionModel::List::Main), (std::vector<std::string>{"C1", "P1", "P2"}));
    EXPECT_EQ(m_model->handheldCount(), 0);
}

TEST_F(SelectionModelTest, limitCountsEverySelectedRowAndAllowsExactlyTheLimit)
{
    std::initializer_list<std::string> lines = {line("US", "TX", "A", "P1"), line("US", "TX", "B", "P2"),
                                                line("US", "TX", "C", "P3"), line("US", "TX", "D", "P4"),
                                                line("US", "TX", "E", "P5"), line("US", "TX", "F", "P6")};
    load(PopFile(lines));
    makeModel(-1, 5);
    m_model->rebuild();
    std::array<std::size_t, 4> four{0, 1, 2, 3};
    ASSERT_FALSE(m_model->moveToHandheld(four, m_frontEnd, "Tarvo").refused);

    std::array<std::size_t, 2> twoWithOneChosen{3, 4};
    EXPECT_TRUE(m_model->moveToHandheld(twoWithOneChosen, m_frontEnd, "Tarvo").refused);
    ASSERT_EQ(m_frontEnd.boxes.size(), 1U);
    EXPECT_EQ(m_frontEnd.boxes[0].text, "Limit Exceeded:\nYou are allowed 5 phonebook records on your device.");
    EXPECT_EQ(m_frontEnd.boxes[0].caption, "Tarvo");
    EXPECT_EQ(m_model->handheldCount(), 4);

    std::array<std::size_t, 1> one{4};
    EXPECT_FALSE(m_model->moveToHandheld(one, m_frontEnd, "Tarvo").refused);
    EXPECT_EQ(m_model->handheldCount(), 5);

    EXPECT_EQ(HandheldSet(m_phonebook->pops(), 0).limit(), 1000);
    // A limit below one is taken as unset, not as "allowed -5".
    HandheldSet negative(m_phonebook->pops(), -5);
    EXPECT_EQ(negative.limit(), 1000);
    EXPECT_TRUE(negative.limitAllows(995));
    EXPECT_FALSE(negative.limitAllows(996));
}

TEST_F(SelectionModelTest, headerClicksSortByCityThenNumberAndCustomerPopsFollowTheProfile)
{
    load(PopFile({line("US", "TX", "Austin", "P1", "512", "5550002"), line("US", "TX", "Boston", "P2", "617"),
                  line("US", "TX", "Austin", "P3", "512", "5550001"), line("US", "TX", "Austin", "P4", "80")}),
         PopFile({line("US", "TX", "Austin", "C1", "999")}));
    makeModel(-1);
    m_model->rebuild();
    EXPECT_EQ(pops(SelectionModel::List::Main), (std::vector<std::string>{"C1", "P4", "P3", "P1", "P2"}));

    m_model->sortBy(SelectionModel::List::Main, SortColumn::City); // same column: descending
    EXPECT_EQ(pops(SelectionModel::List::Main), (std::vector<std::string>{"P2", "P4", "P3", "P1", "C1"}));

    m_model->sortBy(SelectionModel::List::Main, SortColumn::Number); // Number: ascending by area code as a number
    EXPECT_EQ(pops(SelectionModel::List::Main), (std::vector<std::string>{"P4", "P3", "P1", "P2", "C1"}));

    makeModel(+1);
    m_model->rebuild();
    EXPECT_EQ(pops(SelectionModel::List::Main).front(), "P4");
    EXPECT_EQ(pops(SelectionModel::List::Main)[3], "C1");
}

TEST_F(SelectionModelTest, anExplicitSortNeedsNoSecondClick)
{
    load(PopFile({line("US", "TX", "Austin", "P1", "512", "5550002"), line("US", "TX", "Boston", "P2", "617"),
                  line("US", "TX", "Austin", "P3", "512", "5550001"), line("US", "TX", "Austin", "P4", "80")}));
    makeModel();
    m_model->rebuild();
    m_model->setSort(SelectionModel::List::Main, {SortColumn::Number, SortDirection::Descending});
    EXPECT_EQ(pops(SelectionModel::List::Main), (std::vector<std::string>{"P2", "P1", "P3", "P4"}));
    EXPECT_EQ(m_model->sortOf(SelectionModel::List::Handheld), PopSort{}) << "the other list keeps its sort";

    // A click on the sorted column flips it; a click on another ascends.
    m_model->sortBy(SelectionModel::List::Main, SortColumn::Number);
    EXPECT_EQ(m_model->sortOf(SelectionModel::List::Main), (PopSort{SortColumn::Number, SortDirection::Ascending}));
    EXPECT_EQ(pops(SelectionModel::List::Main), (std::vector<std::string>{"P4", "P3", "P1", "P2"}));
    m_model->sortBy(SelectionModel::List::Main, SortColumn::City);
    EXPECT_EQ(m_model->sortOf(SelectionModel::List::Main), (PopSort{SortColumn::City, SortDirection::Ascending}));
}

TEST_F(SelectionModelTest, allCityPopsGoWhereTheCountryOrderSaysWhateverTheDirection)
{
    load(PopFile({line("US", "TX", "Austin", "P1"), line("US", "TX", "Zephyr", "ALL", "512", "1", "10", "1"),
                  line("CA", "ON", "Ottawa", "Q1"), line("CA", "ON", "Toronto", "QALL", "416", "1", "10", "1")}));
    makeModel();
    m_model->chooseCountry(m_model->findCountry("US")); // order 1: all-city POPs last
    EXPECT_EQ(pops(SelectionModel::List::Main), (std::vector<std::string>{"P1", "ALL"}));
    m_model->sortBy(SelectionModel::List::Main, SortColumn::City);
    EXPECT_EQ(pops(SelectionModel::List::Main), (std::vector<std::string>{"P1", "ALL"}));

    m_model->chooseCountry(m_model->findCountry("CA")); // order -1: first
    EXPECT_EQ(pops(SelectionModel::List::Main), (std::vector<std::string>{"QALL", "Q1"}));
}

namespace {

// Phonebooks big enough to be filtered and sorted on two processors.
class LargeLists : public SelectionModelTest {};

} // namespace

TEST_F(LargeLists, aBigPhonebookIsFilteredAndSortedWithoutLosingOrRepeatingARow)
{
    std::string book = "#VER 1\r\n";
    constexpr int kPops = 150000;
    for (int i = 0; i < kPops; ++i) {
        const std::string city = "City " + std::to_string(i % 997);
        const std::string number = std::to_string(5550000 + i);
        book += line(i % 3 == 0 ? "CA" : "US", i % 3 == 0 ? "ON" : "TX", city.c_str(), ("P" + std::to_string(i)).c_str(),
                     "512", number.c_str(), std::to_string(i % 5).c_str())
                + "\r\n";
    }
    load(book);
    makeModel();
    std::vector<PopRecord*> expectedMain;
    std::vector<PopRecord*> expectedHandheld;
    int index = 0;
    for (PopRecord& pop : m_phonebook->pops()) {
        if (index++ % 7 == 0)
            (void)m_handheld->add(pop);
        if (pop.country() != "US")
            continue;
        expectedMain.push_back(&pop);
        if (m_handheld->contains(pop))
            expectedHandheld.push_back(&pop);
    }
    ASSERT_EQ(index, kPops);
    m_model->chooseCountry(m_model->findCountry("US"));

    for (auto [list, expected] : {std::pair{SelectionModel::List::Main, &expectedMain},
                                  std::pair{SelectionModel::List::Handheld, &expectedHandheld}}) {
        const std::vector<PopRecord*>& rows = m_model->rows(list);
        ASSERT_EQ(rows.size(), expected->size());
        // Every number differs, so the order is total: sorted and the same
        // rows means the one right order.
        for (std::size_t r = 1; r < rows.size(); ++r)
            ASSERT_LT(comparePops(*rows[r - 1], *rows[r], m_model->sortOf(list), m_model->allCitySign(), -1), 0)
                << "row " << r;
        std::vector<PopRecord*> got = rows;
        std::sort(got.begin(), got.end());
        std::vector<PopRecord*> want = *expected;
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want);
    }
}

TEST_F(SelectionModelTest, filterBoxesOfferEachLevelAndShowARememberedChoiceLevelByLevel)
{
    load(PopFile({line("US", "TX", "Austin", "P1"), line("US", "MA", "Springfield", "P2"),
                  line("US", "TX", "Springfield", "P3"), line("CA", "ON", "Toronto", "P4")}));
    makeModel();
    FilterChoiceLists lists(*m_model);
    lists.offerCountries();
    EXPECT_EQ(lists.countryTexts(), (std::vector<std::string>{"Canada", "United States"}));
    EXPECT_TRUE(lists.stateTexts().empty());

    const CountryEntry* us = m_model->findCountry("US");
    const RegionEntry* texas = m_model->findState(*us, "TX");
    PopFilter filter;
    filter.country = us;
    filter.region = texas;
    filter.city = m_model->findCity(*us, texas, "Springfield");
    const FilterChoiceLists::Rows rows = lists.show(filter);
    EXPECT_EQ(rows.country, 1);
    EXPECT_EQ(lists.stateTexts(), (std::vector<std::string>{"Massachusetts", "Texas"}));
    EXPECT_EQ(rows.state, 1);
    // Texas's cities only: its Springfield, not Massachusetts's.
    EXPECT_EQ(lists.cityTexts(), (std::vector<std::string>{"Austin TX", "Springfield TX"}));
    EXPECT_EQ(rows.city, 1);
    const PopFilter chosen = lists.chosen(rows);
    EXPECT_EQ(chosen.country, us);
    EXPECT_EQ(chosen.region, texas);
    EXPECT_EQ(chosen.city, filter.city);
    EXPECT_EQ(lists.cityAt(2), nullptr);
    EXPECT_EQ(lists.chosen({1, -1, -1}).region, nullptr);

    // A state of another country ends the choice there: the country's cities.
    filter.region = m_model->findState(*m_model->findCountry("CA"), "ON");
    const FilterChoiceLists::Rows partial = lists.show(filter);
    EXPECT_EQ(partial.state, -1);
    EXPECT_EQ(lists.cityTexts().size(), 3U);
    // No country is Clear's state: nothing below it offered.
    const FilterChoiceLists::Rows none = lists.show({});
    EXPECT_EQ(none.country, -1);
    EXPECT_TRUE(lists.stateTexts().empty());
    EXPECT_TRUE(lists.cityTexts().empty());
}
