#include "cli/UpdateProgressPrinter.h"

#include <cstdio>
#include <string_view>

namespace tarvo::cli {

namespace {

constexpr std::string_view kGetting = "Getting ";
constexpr int kBarCells = 20;

std::string amount(double bytes)
{
    char text[32];
    if (bytes < 1024.0)
        std::snprintf(text, sizeof text, "%.0f B", bytes);
    else if (bytes < 1024.0 * 1024.0)
        std::snprintf(text, sizeof text, "%.1f KiB", bytes / 1024.0);
    else
        std::snprintf(text, sizeof text, "%.1f MiB", bytes / (1024.0 * 1024.0));
    return text;
}

std::string clockTime(double seconds)
{
    const auto whole = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

} // namespace

UpdateProgressPrinter::UpdateProgressPrinter(std::ostream& out, bool terminal, Clock clock)
    : m_out(out), m_terminal(terminal), m_clock(std::move(clock))
{
    if (!m_clock)
        m_clock = [] { return std::chrono::steady_clock::now(); };
}

void UpdateProgressPrinter::progress(std::uint32_t received, std::int32_t expected)
{
    const auto now = m_clock();
    m_receiving = true;
    m_received = received;
    if (!m_terminal)
        return;

    const double seconds = std::chrono::duration<double>(now - m_fileStart).count();
    const double rate = seconds > 0.0 ? received / seconds : 0.0;
    // Appended piece by piece: g++ 12 warns falsely (-Wrestrict) about
    // "literal" + string in release builds.
    std::string line = "  ";
    line += m_file.empty() ? std::string_view("download") : std::string_view(m_file);
    line += "  ";
    if (expected > 0) {
        const double share = received >= static_cast<std::uint32_t>(expected) ? 1.0 : double(received) / expected;
        const int filled = static_cast<int>(share * kBarCells);
        line += '[';
        line.append(static_cast<std::size_t>(filled), '#');
        line.append(static_cast<std::size_t>(kBarCells - filled), '.');
        line += "] ";
        char percent[8];
        std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(share * 100.0));
        line += percent;
        line += "  ";
        line += amount(received);
        line += " of ";
        line += amount(expected);
    } else {
        line += amount(received);
    }
    if (rate > 0.0) {
        line += "  ";
        line += amount(rate);
        line += "/s";
        if (expected > 0 && received < static_cast<std::uint32_t>(expected)) {
            line += "  ";
            line += clockTime((expected - static_cast<double>(received)) / rate);
            line += " left";
        }
    }
    // Blank out what a longer previous line left behind.
    const std::size_t width = line.size();
    if (line.size() < m_barWidth)
        line.append(m_barWidth - line.size(), ' ');
    m_barWidth = width;
    m_out << '\r' << line << std::flush;
    m_barShown = true;
}

void UpdateProgressPrinter::endLine()
{
    if (m_barShown) {
        m_out << '\n' << std::flush;
        m_barShown = false;
        m_barWidth = 0;
    }
}

void UpdateProgressPrinter::endFile()
{
    if (m_receiving && !m_terminal) {
        const double seconds = std::chrono::duration<double>(m_clock() - m_fileStart).count();
        char text[64];
        std::snprintf(text, sizeof text, "%.1f s", seconds);
        m_out << "  " << m_received << " bytes in " << text << '\n';
    }
    endLine();
    m_receiving = false;
    m_received = 0;
}

void UpdateProgressPrinter::text(const std::string& text, UpdateTextTarget target)
{
    // The window's title is blanked before each file; a terminal has none.
    if (target == UpdateTextTarget::Caption)
        return;
    endFile();
    if (text.rfind(kGetting, 0) == 0)
        m_file = text.substr(kGetting.size());
    m_fileStart = m_clock();
    m_out << text << '\n' << std::flush;
}

void UpdateProgressPrinter::done()
{
    endFile();
}

} // namespace tarvo::cli
