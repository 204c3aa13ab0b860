#include "support/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tarvo::test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tarvo-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

void TempDir::write(std::string_view name, std::string_view content) const
{
    std::filesystem::path p = m_path / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string TempDir::read(std::string_view name) const
{
    std::ifstream in(m_path / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TempDir::exists(std::string_view name) const
{
    return std::filesystem::exists(m_path / name);
}

ScopedCurrentDir::ScopedCurrentDir(const std::filesystem::path& dir) : m_previous(std::filesystem::current_path())
{
    std::filesystem::current_path(dir);
}

ScopedCurrentDir::~ScopedCurrentDir()
{
    std::error_code ec;
    std::filesystem::current_path(m_previous, ec);
}

ScopedEnv::ScopedEnv(std::string name, const std::string& value) : m_name(std::move(name))
{
    if (const char* old = std::getenv(m_name.c_str())) {
        m_previous = old;
        m_hadPrevious = true;
    }
    ::setenv(m_name.c_str(), value.c_str(), 1);
}

ScopedEnv::~ScopedEnv()
{
    if (m_hadPrevious)
        ::setenv(m_name.c_str(), m_previous.c_str(), 1);
    else
        ::unsetenv(m_name.c_str());
}

} // namespace tarvo::test
