// tarvo-sync killed (SIGKILL) at random moments of a synchronization, of
// the expansion of a compressed phonebook and of an update run: every file
// it writes must be the old or the new version, whole, and the next run must
// go through and leave no temporary file behind. A second pair of tests
// starts two copies in one working folder at once.
#include "fixtures/ChildProcess.h"
#include "fixtures/Gzip.h"
#include "fixtures/PhonebookTestServer.h"
#include "fixtures/PopLine.h"
#include "fixtures/TarvoSyncRunner.h"
#include "fixtures/Workspace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

using namespace tarvo;
using namespace std::chrono_literals;
using namespace tarvo::test;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kRegions = "US,TX,Texas,Tex.\r\nUS,MA,Massachusetts,Mass.\r\nGB,LND,London,LDN\r\n";

// A phonebook of `count` POPs over two countries, a few hundred cities.
std::string bigPhonebook(int count)
{
    std::string text = "#VER 1\r\n";
    text.reserve(static_cast<std::size_t>(count) * 110);
    for (int i = 0; i < count; ++i) {
        const bool gb = i % 3 == 0;
        const std::string city = (gb ? "Town" : "City") + std::to_string(i % 300);
        text += PopLine(gb ? "GB" : "US", gb ? "LND" : (i % 2 == 0 ? "TX" : "MA"), city, "P" + std::to_string(i))
                    .set(PopColumn::AREA_CODE, std::to_string(200 + i % 700))
                    .set(PopColumn::PHONE_NUMBER, std::to_string(5550000 + i))
                    .str();
        text += "\r\n";
    }
    return text;
}

// The runs between the kills, in this process: runs that must go through,
// so the handheld is given longer to answer than the usual short wait.
CliRun runInProcess(std::vector<std::string> args)
{
    return tarvoSync(std::move(args), 2s);
}

// Every file under `root` whose name carries a temporary file's mark (on
// the handheld, the names a file has while it is replaced).
std::vector<std::string> temporaryFiles(const fs::path& root)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".tmp") != std::string::npos || name.ends_with(".partial") || name.ends_with(".previous"))
            found.push_back(entry.path().string());
    }
    return found;
}

// A handheld file as the next session finds it: a run killed between the
// two renames of a replacement left the old file as NAME.previous, which
// the next session puts back before anything reads it.
std::string asTheNextSessionFindsIt(const std::string& path)
{
    return fs::exists(path) || !fs::exists(path + ".previous") ? Workspace::read(path)
                                                                : Workspace::read(path + ".previous");
}

// Makes `target`'s content a copy of `saved`'s, keeping `target` itself
// (it may be the current directory).
void restore(const fs::path& saved, const fs::path& target)
{
    for (const auto& entry : fs::directory_iterator(target))
        fs::remove_all(entry.path());
    for (const auto& entry : fs::directory_iterator(saved))
        fs::copy(entry.path(), target / entry.path().filename(), fs::copy_options::recursive);
}

void snapshotInto(const fs::path& from, const fs::path& to)
{
    fs::create_directories(to);
    restore(from, to);
}

constexpr int kTrials = 8;

class ChildRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_ws.writeDialer("region.txt", kRegions);
        m_ws.writeDialer("country.txt", "US,1,United States,1\r\nGB,44,United Kingdom,1\r\n");
        m_ws.writeDialer("dr_country.txt", "US,1,1,G, 1FG,011EFG, 1FG\r\n");
        m_ws.writeDialer("dr_areacode.txt", "512,Austin\r\n617,Boston\r\n");
        m_ws.writeWork("synconfig.ini", "[Profile]\r\nMaxPops=100000\r\n");
        m_ws.writeWork("cereg.ini", "[Profile]\r\nCustomerID=4711\r\n");
    }

    // Runs the program in a child and kills it `delay` after the start;
    // the child's exit (or -signal).
    int runAndKill(const std::vector<std::string>& args, std::chrono::microseconds delay)
    {
        std::vector<std::string> argv{tarvoSyncProgram()};
        argv.insert(argv.end(), args.begin(), args.end());
        ChildProcess child(argv, m_ws.dir().file("child.out"));
        EXPECT_TRUE(child.started());
        std::this_thread::sleep_for(delay);
        child.kill(SIGKILL);
        return child.wait();
    }

    // One whole run, watched: how long it takes, and when a temporary file
    // whose name starts with `mark` first showed in `folder` (the writes the
    // kills are aimed at begin there).
    struct Timing {
        std::chrono::microseconds whole{0};
        std::chrono::microseconds writesBegin{0};
    };
    Timing timeOneRun(const std::vector<std::string>& args, const fs::path& folder, const std::string& mark)
    {
        std::vector<std::string> argv{tarvoSyncProgram()};
        argv.insert(argv.end(), args.begin(), args.end());
        auto since = [started = Clock::now()] {
            return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started);
        };
        Timing timing;
        ChildProcess child(argv, m_ws.dir().file("child.out"));
        bool seen = false;
        while (!child.ended()) {
            if (!seen) {
                std::error_code ec;
                for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
                    if (it->path().filename().string().starts_with(mark))
                        seen = true;
                if (seen)
                    timing.writesBegin = since();
            }
            std::this_thread::sleep_for(100us);
        }
        timing.whole = since();
        EXPECT_EQ(child.wait(), 0) << Workspace::read(m_ws.dir().file("child.out"));
        EXPECT_TRUE(seen) << "the run never wrote " << mark;
        return timing;
    }

    // The delay of one trial: the first kill may land anywhere before the
    // writes, the others are spread over the writes to the end of the run.
    std::chrono::microseconds killDelay(const Timing& timing, int trial)
    {
        if (trial == 0)
            return std::chrono::microseconds(std::uniform_int_distribution<long long>(0, timing.writesBegin.count())(m_random));
        const double from = static_cast<double>(timing.writesBegin.count()) * 0.95;
        const double span = static_cast<double>(timing.whole.count()) * 1.02 - from;
        std::uniform_real_distribution<double> within(trial - 1, trial);
        return std::chrono::microseconds(static_cast<long long>(from + span * within(m_random) / (kTrials - 1)));
    }

    void expectNoTemporaryFiles()
    {
        for (const fs::path& root : {m_ws.dir().path() / "work", m_ws.dir().path() / "dialer",
                                     fs::path(m_ws.handheldFolder().folder())})
            EXPECT_EQ(temporaryFiles(root), std::vector<std::string>{}) << root;
    }

    Workspace m_ws;
    std::mt19937 m_random{std::random_device{}()};
};

} // namespace

TEST_F(ChildRunTest, aSynchronizationKilledAnywhereLeavesOldOrNewFilesAndTheNextRunRecovers)
{
    m_ws.writeDialer("pbook.txt", bigPhonebook(8000));
    const std::vector<std::string> args{"sync", "--remove-all", "--add-matching", "--country", "GB"};
    // The old state: the handheld carries the US POPs, its settings marker
    // is cleared so that every run writes the registry again.
    ASSERT_EQ(runInProcess({"sync", "--add-matching", "--country", "US"}).code, 0);
    m_ws.writeWork("cereg.ini", "[Profile]\r\nCustomerID=4711\r\n[SetupReg]\r\nSetupReg=0\r\n");
    const fs::path saved = m_ws.dir().path() / "saved";
    snapshotInto(m_ws.handheldFolder().root.path(), saved / "handheld");
    snapshotInto(m_ws.dir().path() / "work", saved / "work");
    const std::string oldBook = Workspace::read(m_ws.handheld("cepbook.txt"));
    const std::string oldRegistry = Workspace::read(m_ws.handheldFolder().root.file("registry.reg"));
    const std::string oldSettings = Workspace::read(m_ws.work("cereg.ini"));

    // The new state, as a run that is not interrupted leaves it.
    const Timing timing = timeOneRun(args, m_ws.dir().path() / "work", "cepbook.txt.tmp");
    const std::string newBook = Workspace::read(m_ws.handheld("cepbook.txt"));
    const std::string newRegistry = Workspace::read(m_ws.handheldFolder().root.file("registry.reg"));
    const std::string newSettings = Workspace::read(m_ws.work("cereg.ini"));
    ASSERT_NE(oldBook, newBook);
    ASSERT_GT(newBook.size(), 100000U) << "big enough to be written in many blocks";
    std::set<std::string> tables;
    for (const char* name : {"cecountry.txt", "ceregion.txt", "cedr_areacode.txt", "cedr_country.txt"})
        tables.insert(name);

    int killedPartWay = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        restore(saved / "handheld", m_ws.handheldFolder().root.path());
        restore(saved / "work", m_ws.dir().path() / "work");
        const auto delay = killDelay(timing, trial);
        SCOPED_TRACE("killed after " + std::to_string(delay.count()) + " us of " + std::to_string(timing.whole.count()));
        int result = runAndKill(args, delay);
        killedPartWay += result == -SIGKILL ? 1 : 0;

        const std::string book = asTheNextSessionFindsIt(m_ws.handheld("cepbook.txt"));
        EXPECT_TRUE(book == oldBook || book == newBook) << "the handheld's phonebook is neither: " << book.size();
        const std::string local = Workspace::read(m_ws.work("cepbook.txt"));
        EXPECT_TRUE(local == oldBook || local == newBook) << "the desktop copy is neither: " << local.size();
        for (const std::string& table : tables)
            EXPECT_EQ(asTheNextSessionFindsIt(m_ws.handheld(table)),
                      Workspace::read((saved / "handheld" / "fs" / "Program Files" / "Tarvo" / table).string()))
                << table;
        const std::string registry = Workspace::read(m_ws.handheldFolder().root.file("registry.reg"));
        EXPECT_TRUE(registry == oldRegistry || registry == newRegistry);
        const std::string settings = Workspace::read(m_ws.work("cereg.ini"));
        EXPECT_TRUE(settings == oldSettings || settings == newSettings) << settings;

        // The next run goes through and cleans up.
        const CliRun next = runInProcess(args);
        ASSERT_EQ(next.code, 0) << next.err;
        EXPECT_EQ(Workspace::read(m_ws.handheld("cepbook.txt")), newBook);
        expectNoTemporaryFiles();
    }
    EXPECT_GT(killedPartWay, 0) << "no kill landed while the program ran";
}

TEST_F(ChildRunTest, anExpansionKilledAnywhereLeavesTheCompressedOrTheWholeBookAndTheNextRunRecovers)
{
    const std::string plain = bigPhonebook(20000);
    const std::string packed = gzipped(plain);
    const std::string olderCopy = gzipped(PopFile({PopLine("US", "TX", "Austin", "OLD").str()}));
    auto layOut = [&] {
        m_ws.writeDialer("pbook.txt", packed);
        m_ws.writeDialer("pbook.txt.gz", olderCopy);
    };
    layOut();
    const Timing timing = timeOneRun({"status"}, m_ws.dir().path() / "dialer", "pbook.txt.tmp");
    ASSERT_EQ(Workspace::read(m_ws.dialer("pbook.txt")), plain);

    int killedPartWay = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        layOut();
        for (const auto& entry : fs::directory_iterator(m_ws.dir().path() / "dialer"))
            if (entry.path().filename() == "city.txt" || entry.path().filename() == "countryp.txt")
                fs::remove(entry.path());
        const auto delay = killDelay(timing, trial);
        SCOPED_TRACE("killed after " + std::to_string(delay.count()) + " us of " + std::to_string(timing.whole.count()));
        int result = runAndKill({"status"}, delay);
        killedPartWay += result == -SIGKILL ? 1 : 0;

        const std::string book = Workspace::read(m_ws.dialer("pbook.txt"));
        const std::string copy = Workspace::read(m_ws.dialer("pbook.txt.gz"));
        EXPECT_TRUE(book == packed || book == plain) << "pbook.txt is neither: " << book.size();
        EXPECT_TRUE(copy == olderCopy || copy == packed) << "pbook.txt.gz is neither: " << copy.size();
        EXPECT_FALSE(book == plain && copy == olderCopy) << "the expansion took the place of the only compressed copy";

        const CliRun next = runInProcess({"status"});
        ASSERT_EQ(next.code, 0) << next.err;
        EXPECT_EQ(Workspace::read(m_ws.dialer("pbook.txt")), plain);
        EXPECT_EQ(Workspace::read(m_ws.dialer("pbook.txt.gz")), packed);
        expectNoTemporaryFiles();
    }
    EXPECT_GT(killedPartWay, 0) << "no kill landed while the program ran";
}

TEST_F(ChildRunTest, twoCopiesInOneFolderAtOnceLeaveOneWholeChoice)
{
    m_ws.writeDialer("pbook.txt", bigPhonebook(3000));
    // Every session takes a while, so the two copies overlap for certain.
    m_ws.writeSimulator("StartDelayMs=300\r\n");
    const std::vector<std::vector<std::string>> choices = {{"sync", "--add-matching", "--country", "US"},
                                                           {"sync", "--add-matching", "--country", "GB"}};
    std::vector<std::unique_ptr<ChildProcess>> copies;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        std::vector<std::string> argv{tarvoSyncProgram()};
        argv.insert(argv.end(), choices[i].begin(), choices[i].end());
        copies.push_back(std::make_unique<ChildProcess>(argv, m_ws.dir().file("copy" + std::to_string(i) + ".out")));
    }
    std::vector<int> codes;
    for (auto& copy : copies)
        codes.push_back(copy->wait());
    std::sort(codes.begin(), codes.end());
    ASSERT_EQ(codes, (std::vector<int>{0, 1}));

    const std::string winner = Workspace::read(m_ws.dir().file("copy0.out")).find("completed successfully") != std::string::npos
                                   ? "US"
                                   : "GB";
    const std::string loserOut = Workspace::read(m_ws.dir().file(winner == "US" ? "copy1.out" : "copy0.out"));
    EXPECT_NE(loserOut.find("Another copy of the synchronizer is working in this folder, please wait until it has "
                            "finished."),
              std::string::npos)
        << loserOut;
    EXPECT_EQ(loserOut.find("completed successfully"), std::string::npos);

    // The handheld holds the winner's choice, whole, and only it.
    const std::string book = Workspace::read(m_ws.handheld("cepbook.txt"));
    EXPECT_EQ(book, Workspace::read(m_ws.work("cepbook.txt")));
    std::istringstream lines(book);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "#VER 1 - merged\r");
    int pops = 0;
    while (std::getline(lines, line)) {
        EXPECT_EQ(line.rfind(winner + ",", 0), 0U) << line;
        ++pops;
    }
    EXPECT_EQ(pops, winner == "US" ? 2000 : 1000);

    // The lock went with its holder: the next copy runs.
    m_ws.writeSimulator("");
    const CliRun next = runInProcess({"status"});
    EXPECT_EQ(next.code, 0) << next.err;
}

TEST_F(ChildRunTest, anUpdateKilledAnywhereLeavesTheOldOrTheNewStagingWholeAndTheNextRunRecovers)
{
    m_ws.writeDialer("pbook.txt", bigPhonebook(50));
    PhonebookTestServer server;
    ASSERT_TRUE(server.start());
    m_ws.writeWork("synconfig.ini", "[Profile]\r\nProfileID=42\r\n" + server.profileLines());
    const fs::path update = m_ws.dir().path() / "work" / "update";

    // The old staging, as an earlier run left it.
    const std::string oldBook = bigPhonebook(1000);
    server.put("/verce/42.ver", "pbook.txt,C,1,0\r\nregion.txt,,1,0\r\n");
    server.put("/pbook.txt.1", gzipped(oldBook));
    server.put("/region.txt.1", "US,TX,Texas,Tex.\r\n");
    ASSERT_EQ(runInProcess({"update"}).code, 0);
    const fs::path saved = m_ws.dir().path() / "saved-update";
    snapshotInto(update, saved);
    auto filesOf = [](const fs::path& folder) {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(folder))
            files[entry.path().filename().string()] = Workspace::read(entry.path().string());
        return files;
    };
    const std::map<std::string, std::string> oldStaging = filesOf(update);

    // The new one: a big phonebook, so the kills land in its download,
    // expansion and commit.
    const std::string newBook = bigPhonebook(150000);
    server.put("/verce/42.ver", "pbook.txt,C,2,0\r\nregion.txt,,2,0\r\n");
    server.put("/pbook.txt.2", gzipped(newBook));
    server.put("/region.txt.2", "US,MA,Massachusetts,Mass.\r\n");
    const Timing timing = timeOneRun({"update"}, update, "pbook.txt.2.gz.tmp");
    const std::map<std::string, std::string> newStaging = filesOf(update);
    ASSERT_EQ(newStaging.at("pbook.txt.2"), newBook);
    ASSERT_EQ(newStaging.size(), 4U) << "42.ver, pbook.txt.2 and its .gz, region.txt.2";

    int killedPartWay = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        restore(saved, update);
        const auto delay = killDelay(timing, trial);
        SCOPED_TRACE("killed after " + std::to_string(delay.count()) + " us of " + std::to_string(timing.whole.count()));
        int result = runAndKill({"update"}, delay);
        killedPartWay += result == -SIGKILL ? 1 : 0;

        // Under its own name every file is whole, of one version or the
        // other; the stored list is one of the two, and what it names is there.
        std::map<std::string, std::string> now;
        for (const auto& [name, content] : filesOf(update)) {
            if (name.find(".tmp") != std::string::npos)
                continue; // a killed writer's, swept by the next run
            now[name] = content;
            auto old = oldStaging.find(name);
            auto fresh = newStaging.find(name);
            EXPECT_TRUE((old != oldStaging.end() && old->second == content) ||
                        (fresh != newStaging.end() && fresh->second == content))
                << name << " is torn: " << content.size() << " bytes";
        }
        const std::map<std::string, std::string>& named = now["42.ver"] == oldStaging.at("42.ver") ? oldStaging
                                                                                                  : newStaging;
        EXPECT_EQ(now["42.ver"], named.at("42.ver"));
        for (const auto& [name, content] : named)
            EXPECT_EQ(now[name], content) << name << " named by the stored list";

        const CliRun next = runInProcess({"update"});
        ASSERT_EQ(next.code, 0) << next.err;
        EXPECT_EQ(filesOf(update), newStaging);
        expectNoTemporaryFiles();
    }
    EXPECT_GT(killedPartWay, 0) << "no kill landed while the program ran";
}
