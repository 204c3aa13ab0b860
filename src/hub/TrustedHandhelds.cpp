#include "hub/TrustedHandhelds.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sys/stat.h>

namespace tarvo::cehub {

namespace {

// "{0a1b...}" and "0A1B..." are the same GUID.
std::string normal(std::string guid)
{
    std::erase_if(guid, [](char c) { return c == '{' || c == '}' || std::isspace(static_cast<unsigned char>(c)); });
    std::transform(guid.begin(), guid.end(), guid.begin(),
                   [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
    return guid;
}

} // namespace

TrustedHandhelds::TrustedHandhelds(std::string file) : m_file(std::move(file)) {}

bool TrustedHandhelds::load(std::string& error)
{
    if (m_file.empty())
        return true;
    // Looked at before it is opened: the hub reads it on its one thread, and
    // opening a FIFO would wait for a writer.
    struct stat info {};
    if (::stat(m_file.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxBytes) {
        error = "cannot read the trusted handhelds file " + m_file + " (not a file of at most 1 MiB)";
        return false;
    }
    if (info.st_mtim.tv_sec == m_readAt.tv_sec && info.st_mtim.tv_nsec == m_readAt.tv_nsec &&
        info.st_size == m_readSize)
        return true;
    std::ifstream in(m_file);
    if (!in) {
        error = "cannot read the trusted handhelds file " + m_file;
        return false;
    }
    std::set<std::string> listed;
    std::string line;
    while (std::getline(in, line)) {
        line = normal(line.substr(0, line.find('#')));
        if (!line.empty())
            listed.insert(line);
    }
    m_listed = std::move(listed);
    m_readAt = info.st_mtim;
    m_readSize = info.st_size;
    return true;
}

bool TrustedHandhelds::trusts(const std::string& guid)
{
    std::string ignored;
    (void)load(ignored); // a file that went keeps what was read last
    const std::string key = normal(guid);
    return m_listed.count(key) != 0 || m_unlocked.count(key) != 0;
}

void TrustedHandhelds::unlockedByPerson(const std::string& guid)
{
    m_unlocked.insert(normal(guid));
}

} // namespace tarvo::cehub
