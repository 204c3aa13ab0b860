#include "phonebook/MasterPhonebook.h"

#include "phonebook/ExpandCompressedPhonebook.h"
#include "support/AtomicFile.h"
#include "support/FileHandle.h"
#include "support/FileInfo.h"
#include "support/PathJoin.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tarvo {

namespace {

MasterPhonebook::LoadResult failure(MasterPhonebook::LoadStatus status, std::string errorText)
{
    return {status, std::move(errorText)};
}

MasterPhonebook::LoadResult unableToOpen(MasterPhonebook::LoadStatus status, std::string_view name)
{
    return failure(status, "Error: Unable to open: " + std::string(name));
}

// The line that follows the dialer's own text when "pbook.txt" cannot be
// loaded: the file's full path and what is wrong with it.
std::string phonebookProblem(const std::string& path)
{
    const FileInfo info = fileInfo(path);
    if (!info.error.empty())
        return path + ": " + info.error;
    if (!info.isRegular())
        return path + ": not a regular file";
    unsigned char magic[2] = {0, 0};
    FilePtr file = openFile(path, "rb");
    if (!file)
        return path + ": " + std::strerror(errno);
    if (std::fread(magic, 1, sizeof magic, file.get()) == sizeof magic && magic[0] == 0x1F && magic[1] == 0x8B)
        return path + ": gzip-compressed data that does not expand to a phonebook";
    return path + ": neither a phonebook (its first line does not begin with \"#VER\") nor gzip-compressed data";
}

} // namespace

MasterPhonebook::MasterPhonebook(std::string dialerHome, FrontEnd& frontEnd, std::string countryRulesPath,
                                 CountryQuery& query)
    : m_dialerHome(std::move(dialerHome)),
      m_frontEnd(frontEnd),
      m_query(query),
      m_rules(m_dialerHome, std::move(countryRulesPath), query)
{
}

MasterPhonebook::~MasterPhonebook() = default;

std::string MasterPhonebook::dialerFile(std::string_view name) const
{
    return joinPath(m_dialerHome, name);
}

void MasterPhonebook::removeLeftovers() const
{
    for (std::string_view name : {kPhonebookFile, kCityFile, kEnrichedCountryFile})
        (void)AtomicFile::removeLeftovers(dialerFile(name));
    (void)AtomicFile::removeLeftovers(dialerFile(kPhonebookFile) + ".gz");
    (void)AtomicFile::removeLeftovers(m_rules.outputPath());
}

MasterPhonebook::LoadResult MasterPhonebook::load()
{
    m_readBackOutcome = {};
    // A run killed while it wrote one of these files left its temporary
    // file beside it; the files themselves are whole, old or new.
    removeLeftovers();

    if (!m_regions.load(dialerFile(kRegionFile)))
        return unableToOpen(LoadStatus::NoRegions, kRegionFile);

    // A "pbook.txt" that is not a phonebook is taken to be compressed.
    const std::string pbook = dialerFile(kPhonebookFile);
    if (m_pops.loadFile(PopList::Mode::ClearFirst, pbook, PopList::Source::Master) != PopFileStatus::Read) {
        if (!ExpandCompressedPhonebook(pbook, m_frontEnd)
            || m_pops.loadFile(PopList::Mode::ClearFirst, pbook, PopList::Source::Master) != PopFileStatus::Read)
            return failure(LoadStatus::NoPhonebook,
                           unableToOpen(LoadStatus::NoPhonebook, kPhonebookFile).errorText + "\n" +
                               phonebookProblem(pbook));
    }

    // The customer phonebook is optional.
    (void)m_pops.loadFile(PopList::Mode::Append, dialerFile(kCustomerFile), PopList::Source::Customer);

    m_cities.loadOrBuild(dialerFile(kCityFile), m_pops, m_regions);

    if (!m_countries.load(dialerFile(kEnrichedCountryFile), dialerFile(kCountryFile), m_cities, m_rules, m_query))
        return unableToOpen(LoadStatus::NoCountries, kCountryFile);

    // A copy that failed in some other way marks nothing, and the run goes
    // on with an empty choice; the outcome stays known, so that start-up can
    // say so and a synchronization asks before it replaces what it could
    // not read.
    m_readBackOutcome = m_readBack ? m_readBack(m_pops) : ReadBackOutcome{};
    switch (m_readBackOutcome.result) {
    case ReadBackResult::NoDevice:
        return failure(LoadStatus::NoDevice, std::string(kNoDeviceMessage));
    case ReadBackResult::NotAPhonebook:
        return failure(LoadStatus::HandheldUnreadable, "An error occured while reading CE phonebook");
    case ReadBackResult::Marked:
    case ReadBackResult::CopyFailed:
        break;
    }
    return {};
}

} // namespace tarvo
