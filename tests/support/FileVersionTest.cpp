#include "support/FileVersion.h"
#include "support/InstalledData.h"
#include "support/NativePath.h"

#include "fixtures/TempDir.h"

#include "BuildInfo.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tarvo;

namespace {

TEST(GetFileVersion, ownFileCarriesTheBuildVersion)
{
    FileVersionInfo record;
    ASSERT_EQ(getFileVersion(nullptr, record), 0);
    EXPECT_EQ(record.dwSignature, 0xFEEF04BDU);
    EXPECT_EQ(record.dwFileVersionMS, build::kVersionMajor * 65536U + build::kVersionMinor);
    EXPECT_EQ(record.fileMajor(), build::kVersionMajor);
    EXPECT_EQ(record.fileMinor(), build::kVersionMinor);

    // The running program named by its path is the program itself.
    FileVersionInfo byPath;
    std::string self = pathText(InstalledData::runningProgram());
    ASSERT_EQ(getFileVersion(self.c_str(), byPath), 0);
    EXPECT_EQ(byPath.dwFileVersionMS, record.dwFileVersionMS);
}

TEST(GetFileVersion, otherFilesHaveNoVersionRecord)
{
    tarvo::test::TempDir dir;
    dir.write("pbook.txt", "not a program\n");
    FileVersionInfo record;
    ASSERT_EQ(getFileVersion(nullptr, record), 0);
    EXPECT_NE(getFileVersion(dir.file("pbook.txt").c_str(), record), 0);
    EXPECT_EQ(record.dwSignature, 0U) << "a failed call must not leave a stale record";
    EXPECT_EQ(record.dwFileVersionMS, 0U);
    EXPECT_NE(getFileVersion(dir.file("absent.exe").c_str(), record), 0);
}

} // namespace
