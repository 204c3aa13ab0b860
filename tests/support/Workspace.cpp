#include "support/Workspace.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace tarvo::test {

namespace {

std::string registryText(const std::string& dialerPath)
{
    std::string escaped;
    for (char c : dialerPath) {
        if (c == '\\' || c == '"')
            escaped += '\\';
        escaped += c;
    }
    return "Windows Registry Editor Version 5.00\r\n\r\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TarvoConnect.exe]\r\n"
           "\"Path\"=\"" + escaped + "\"\r\n";
}

} // namespace

Workspace::Workspace()
{
    std::filesystem::create_directories(m_dir.path() / "dialer");
    std::filesystem::create_directories(m_dir.path() / "work");
    std::filesystem::create_directories(m_dir.path() / "handheld/fs/Program Files/Tarvo");
    m_dir.write("dialer/config.ini", "[Profile]\r\nDialerVersionNo=4.2\r\n");
    m_dir.write("registry.reg", registryText(m_dir.file("dialer")));
    m_cwd = std::make_unique<ScopedCurrentDir>(m_dir.path() / "work");
    m_registry = std::make_unique<ScopedEnv>("TARVO_REGISTRY", m_dir.file("registry.reg"));
    m_device = std::make_unique<ScopedEnv>("TARVO_DEVICE", m_dir.file("handheld"));
}

Workspace::~Workspace() = default;

void Workspace::writeDialer(std::string_view name, std::string_view content) const
{
    m_dir.write("dialer/" + std::string(name), content);
}

void Workspace::writeWork(std::string_view name, std::string_view content) const
{
    m_dir.write("work/" + std::string(name), content);
}

void Workspace::writeHandheld(std::string_view name, std::string_view content) const
{
    m_dir.write("handheld/fs/Program Files/Tarvo/" + std::string(name), content);
}

void Workspace::writeSimulator(std::string_view content) const
{
    m_dir.write("handheld/simulator.ini", "[Simulator]\r\n" + std::string(content));
}

void Workspace::forgetDialer() const
{
    m_dir.write("registry.reg", "Windows Registry Editor Version 5.00\r\n");
}

void Workspace::unplugHandheld()
{
    m_device = std::make_unique<ScopedEnv>("TARVO_DEVICE", m_dir.file("no-such-handheld"));
}

std::string Workspace::read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Workspace::exists(const std::string& path)
{
    return std::filesystem::exists(path);
}

} // namespace tarvo::test
