// tarvo-sync.exe carries its version as a Windows program does, in a
// version resource, and it reads back as the desktop reads it.
#include "support/FileVersion.h"

#include "fixtures/ChildProcess.h"

#include "BuildInfo.h"

#include <gtest/gtest.h>

using namespace tarvo;

TEST(GetFileVersionOnWindows, theProgramsVersionResourceIsRead)
{
    FileVersionInfo record;
    ASSERT_EQ(getFileVersion(test::tarvoSyncProgram().c_str(), record), 0);
    EXPECT_EQ(record.dwSignature, FileVersionInfo::kSignature);
    EXPECT_EQ(record.fileMajor(), build::kVersionMajor);
    EXPECT_EQ(record.fileMinor(), build::kVersionMinor);
    EXPECT_EQ(record.dwFileVersionLS >> 16, static_cast<unsigned>(build::kBuildNumber));
    EXPECT_EQ(record.dwFileType, FileVersionInfo::kFileTypeApp);
}
