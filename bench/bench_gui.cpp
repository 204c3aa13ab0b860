// The selection window on big phonebooks, on Qt's offscreen platform: a
// country or state chosen (lists rebuilt, sorted, repainted), the window
// shown after the phonebook load, and the Main list scrolled top to bottom
// with a million rows.
//
//   build/bench/bench/bench_gui
//
// Each phonebook comes from the phonebook generator (as tarvo-genbook
// writes it) in a temporary folder and is loaded once by the real start-up.

#include "app/SyncApp.h"
#include "device/FolderDevice.h"
#include "dialing/CountryQuery.h"
#include "genbook/Genbook.h"
#include "gui/QtFrontEnd.h"
#include "gui/SelectionWindow.h"
#include "phonebook/MasterPhonebook.h"
#include "phonebook/PopRecord.h"
#include "text/RegistryFile.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;
using tarvo::SelectionModel;

// A loaded program: the dialer of `pops` POPs, start-up done.
class LoadedApp {
public:
    explicit LoadedApp(int pops)
    {
        char pattern[] = "/tmp/tarvo-bench-gui-XXXXXX";
        m_root = ::mkdtemp(pattern);
        fs::create_directories(m_root / "work");
        fs::create_directories(m_root / "handheld/fs/Program Files/Tarvo");
        tarvo::genbook::BookOptions book;
        book.out = (m_root / "dialer").string();
        book.pops = static_cast<std::uint64_t>(pops);
        book.seed = 7;
        if (!tarvo::genbook::writeInstallation(book))
            std::abort();
        std::ofstream reg(m_root / "registry.reg", std::ios::binary);
        reg << "Windows Registry Editor Version 5.00\r\n\r\n"
               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TarvoConnect.exe]\r\n"
               "\"Path\"=\"" << (m_root / "dialer").string() << "\"\r\n";
        reg.close();
        ::setenv("TARVO_REGISTRY", (m_root / "registry.reg").c_str(), 1);
        ::setenv("TARVO_DEVICE", (m_root / "handheld").c_str(), 1);
        fs::current_path(m_root / "work");
        m_app = std::make_unique<tarvo::SyncApp>(m_ui, tarvo::SyncApp::Kind::Window,
                                                 tarvo::AppEnvironment::fromProcess());
        if (m_app->startup({}) != tarvo::SyncApp::Startup::Ready)
            std::abort();
    }
    ~LoadedApp()
    {
        m_app.reset();
        std::error_code ec;
        fs::current_path("/", ec);
        fs::remove_all(m_root, ec);
    }

    std::unique_ptr<tarvo::gui::SelectionWindow> openWindow()
    {
        auto window = std::make_unique<tarvo::gui::SelectionWindow>(*m_app, m_ui);
        window->show();
        (void)QTest::qWaitForWindowExposed(window.get());
        (void)QTest::qWaitFor([&] { return !window->counter()->text().isEmpty(); });
        return window;
    }

    // The country with the most POPs, as its entry in the Country box.
    int biggestCountry(const tarvo::gui::SelectionWindow& window) const
    {
        std::map<std::string, int, std::less<>> count;
        for (const tarvo::PopRecord& pop : m_app->phonebook().pops())
            ++count[std::string(pop.country())];
        const auto choices = window.selection().countryChoices();
        int best = 0;
        for (std::size_t i = 0; i < choices.size(); ++i)
            if (count[choices[i]->code] > count[choices[static_cast<std::size_t>(best)]->code])
                best = static_cast<int>(i);
        return best;
    }

    static LoadedApp& of(int pops)
    {
        static std::map<int, std::unique_ptr<LoadedApp>> loaded;
        auto& app = loaded[pops];
        if (!app)
            app = std::make_unique<LoadedApp>(pops);
        return *app;
    }

private:
    fs::path m_root;
    tarvo::gui::QtFrontEnd m_ui;
    std::unique_ptr<tarvo::SyncApp> m_app;
};

void choose(QComboBox* box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
    // The lists repaint before the person sees the choice.
    QCoreApplication::processEvents();
}

void BM_ChooseCountry(benchmark::State& state)
{
    LoadedApp& app = LoadedApp::of(static_cast<int>(state.range(0)));
    auto window = app.openWindow();
    const int country = app.biggestCountry(*window);
    for (auto _ : state)
        choose(window->countryBox(), country);
    state.counters["main_rows"] = static_cast<double>(window->selection().rows(SelectionModel::List::Main).size());
}

void BM_ChooseState(benchmark::State& state)
{
    LoadedApp& app = LoadedApp::of(static_cast<int>(state.range(0)));
    auto window = app.openWindow();
    choose(window->countryBox(), app.biggestCountry(*window));
    int state_ = 0;
    for (auto _ : state)
        choose(window->stateBox(), state_++ % window->stateBox()->count());
    state.counters["main_rows"] = static_cast<double>(window->selection().rows(SelectionModel::List::Main).size());
}

void BM_ShowWindowAfterLoad(benchmark::State& state)
{
    LoadedApp& app = LoadedApp::of(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto window = app.openWindow();
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}

// Every POP in the Main list, then page after page from top to bottom, each
// page painted.
void BM_ScrollMainListTopToBottom(benchmark::State& state)
{
    LoadedApp& app = LoadedApp::of(static_cast<int>(state.range(0)));
    auto window = app.openWindow();
    // An armed area-code refresh with an empty filter fills the lists with
    // everything, as the window does a second after the box is emptied.
    (void)QTest::qWaitFor([&] { return window->areaRefreshArmed(); }, 3000);
    window->areaCodeEdit()->setText("1");
    window->areaCodeEdit()->clear();
    const auto& rows = window->selection().rows(SelectionModel::List::Main);
    (void)QTest::qWaitFor([&] { return !rows.empty(); }, 5000);
    QTreeView* list = window->mainList();
    QScrollBar* bar = list->verticalScrollBar();
    constexpr int kPages = 2000;
    for (auto _ : state) {
        for (int page = 0; page <= kPages; ++page) {
            bar->setValue(static_cast<int>(static_cast<long long>(bar->maximum()) * page / kPages));
            list->viewport()->repaint();
        }
    }
    state.counters["main_rows"] = static_cast<double>(rows.size());
    // Pages painted per second: its inverse is the time of one repaint.
    state.counters["pages"] = benchmark::Counter(kPages + 1, benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(BM_ChooseCountry)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ChooseState)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ShowWindowAfterLoad)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ScrollMainListTopToBottom)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
