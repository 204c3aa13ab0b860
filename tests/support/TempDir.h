#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tarvo::test {

// A fresh folder under the system's temporary folder, removed with its
// content when the object goes away.
class TempDir final {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::filesystem::path& path() const { return m_path; }
    std::string file(std::string_view name) const { return (m_path / name).string(); }

    // Writes bytes exactly as given (tests spell out CR LF where they mean it).
    void write(std::string_view name, std::string_view content) const;
    std::string read(std::string_view name) const;
    bool exists(std::string_view name) const;

private:
    std::filesystem::path m_path;
};

// Makes a folder the current directory for the lifetime of the object, as
// the program's settings files and working folders are relative to it.
class ScopedCurrentDir final {
public:
    explicit ScopedCurrentDir(const std::filesystem::path& dir);
    ScopedCurrentDir(const ScopedCurrentDir&) = delete;
    ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;
    ~ScopedCurrentDir();

private:
    std::filesystem::path m_previous;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv final {
public:
    ScopedEnv(std::string name, const std::string& value);
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv();

private:
    std::string m_name;
    std::string m_previous;
    bool m_hadPrevious = false;
};

} // namespace tarvo::test
