#include "cli/UpdateProgressPrinter.h"

#include "fixtures/FakeClock.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace tarvo;
using namespace std::chrono_literals;
using tarvo::cli::UpdateProgressPrinter;
using tarvo::test::FakeClock;

namespace {

void runTwoFiles(UpdateProgressPrinter& printer, FakeClock& clock)
{
    printer.text("", UpdateTextTarget::Caption);
    printer.text("Getting pbook.txt", UpdateTextTarget::Status);
    printer.progress(1024 * 1024, 4 * 1024 * 1024);
    clock.now += 1s;
    printer.progress(2 * 1024 * 1024, 4 * 1024 * 1024);
    clock.now += 1s;
    printer.progress(4 * 1024 * 1024, 4 * 1024 * 1024);
    printer.text("", UpdateTextTarget::Caption);
    printer.text("Getting city.txt", UpdateTextTarget::Status);
    printer.progress(512, -1);
    printer.text("Application was downloaded successfully.", UpdateTextTarget::Status);
    printer.done();
}

} // namespace

TEST(UpdateProgressPrinter, plainLinesGiveEachFileItsBytesAndTime)
{
    std::ostringstream out;
    FakeClock clock;
    UpdateProgressPrinter printer(out, false, clock.function());
    runTwoFiles(printer, clock);
    EXPECT_EQ(out.str(), "Getting pbook.txt\n"
                         "  4194304 bytes in 2.0 s\n"
                         "Getting city.txt\n"
                         "  512 bytes in 0.0 s\n"
                         "Application was downloaded successfully.\n");
}

TEST(UpdateProgressPrinter, aTerminalGetsABarRedrawnInPlaceWithRateAndTimeLeft)
{
    std::ostringstream out;
    FakeClock clock;
    UpdateProgressPrinter printer(out, true, clock.function());
    runTwoFiles(printer, clock);
    const std::string first = "  pbook.txt  [#####...............]  25%  1.0 MiB of 4.0 MiB";
    const std::string second = "  pbook.txt  [##########..........]  50%  2.0 MiB of 4.0 MiB  2.0 MiB/s  0:01 left";
    const std::string third = "  pbook.txt  [####################] 100%  4.0 MiB of 4.0 MiB  2.0 MiB/s";
    EXPECT_EQ(out.str(), "Getting pbook.txt\n"
                         "\r" + first + "\r" + second + "\r" + third + std::string(second.size() - third.size(), ' ') +
                             "\n"
                             "Getting city.txt\n"
                             "\r  city.txt  512 B\n"
                             "Application was downloaded successfully.\n");
}
