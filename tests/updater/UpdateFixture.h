#pragma once

#include "config/ProfileConfig.h"
#include "fixtures/Enciphered.h"
#include "fixtures/Gzip.h"
#include "fixtures/RecordingFrontEnd.h"
#include "fixtures/TempDir.h"
#include "text/TagExpander.h"
#include "fixtures/PhonebookTestServer.h"
#include "fixtures/RecordingObserver.h"
#include "updater/UpdateOptions.h"
#include "updater/UpdateService.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace tarvo::test {

// A working folder with "update", "backup" and "log", a profile (id 42)
// whose own server set is a phonebook server in the test process, and an
// update service over them.
class UpdateTest : public ::testing::Test {
protected:
    UpdateTest();
    void SetUp() override;

    // Rewrites "synconfig.ini": `profileSection` replaces the server lines
    // of [Profile]; `tarvoSection` is the [Tarvo] section's body.
    void writeProfile(const std::string& profileSection, const std::string& tarvoSection = "");

    UpdateOptions options() const;
    std::unique_ptr<UpdateService> makeService(UpdateOptions options);
    // One whole run; its result (0, 1, -2).
    int runUpdate(UpdateOptions options);
    int runUpdate() { return runUpdate(options()); }

    // The log's records as lines (CR LF split, the server's address
    // written as $SERVER), and the same without the run header.
    std::vector<std::string> log() const;
    std::vector<std::string> logBody() const;
    // File names in a folder of the working folder.
    std::set<std::string> folder(const std::string& name) const;
    std::string read(const std::string& relative) const { return m_dir.read(relative); }
    void write(const std::string& relative, const std::string& content) const { m_dir.write(relative, content); }
    bool exists(const std::string& relative) const { return m_dir.exists(relative); }


    TempDir m_dir;
    PhonebookTestServer m_server;
    ProfileConfig m_profile;
    TagExpander m_tags;
    RecordingFrontEnd m_frontEnd;
    RecordingObserver m_observer;
};

} // namespace tarvo::test
