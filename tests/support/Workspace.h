#pragma once

#include "support/TempDir.h"

#include <memory>
#include <string>
#include <string_view>

namespace tarvo::test {

// A complete world for the program: a dialer installation ("dialer/"), the
// desktop registry file pointing at it, a simulated handheld ("handheld/",
// with its "\Program Files\Tarvo" folder) and the working folder ("work/"),
// which is made current. The environment points the program at them.
class Workspace final {
public:
    Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;
    ~Workspace();

    const TempDir& dir() const { return m_dir; }
    std::string dialer(std::string_view name) const { return m_dir.file("dialer/" + std::string(name)); }
    std::string handheld(std::string_view name) const
    {
        return m_dir.file("handheld/fs/Program Files/Tarvo/" + std::string(name));
    }
    std::string work(std::string_view name) const { return m_dir.file("work/" + std::string(name)); }

    void writeDialer(std::string_view name, std::string_view content) const;
    void writeWork(std::string_view name, std::string_view content) const;
    void writeHandheld(std::string_view name, std::string_view content) const;
    // `[Simulator]` knobs of the simulated handheld.
    void writeSimulator(std::string_view content) const;
    // The registry names no dialer at all.
    void forgetDialer() const;
    // No folder answers as the handheld.
    void unplugHandheld();

    static std::string read(const std::string& path);
    static bool exists(const std::string& path);

private:
    TempDir m_dir;
    std::unique_ptr<ScopedCurrentDir> m_cwd;
    std::unique_ptr<ScopedEnv> m_registry;
    std::unique_ptr<ScopedEnv> m_device;
};

} // namespace tarvo::test
