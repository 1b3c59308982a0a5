// Files are made durable before they replace the old ones: the new bytes are synced, renamed
// over the old file, and the folder synced, so a power cut leaves the old file or the new one,
// never an empty or short one. The machine job keeps the old "out.cnx" until the new one is
// whole; only a save that fails removes it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "drawing_files/job_sink.h"
#include "model/core_error.h"
#include "platform/whole_file.h"
#include "support/test_support.h"

using namespace vellisk;

namespace {

// Records the steps of the whole-file layer for the object's lifetime.
struct StepLog {
    StepLog() {
        WatchFileSteps([this](std::string_view step, const std::filesystem::path& p) {
            steps.push_back(std::string(step) + " " + p.filename().string());
        });
    }
    ~StepLog() { WatchFileSteps(nullptr); }
    std::vector<std::string> steps;
};

}  // namespace

TEST(DurableWrites, AWholeFileIsSyncedBeforeItsRenameAndTheFolderAfter) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "base.txt", "old");
    StepLog log;
    std::string why;
    ASSERT_TRUE(WriteWholeFile(dir / "base.txt", "new", &why)) << why;
    const std::string folder = dir.path().filename().string();
    EXPECT_EQ(log.steps, (std::vector<std::string>{"write base.txt.part", "sync base.txt.part", "rename base.txt",
                                                   "sync folder " + folder}));
    EXPECT_EQ(test::ReadFileBytes(dir / "base.txt"), "new");
    EXPECT_FALSE(std::filesystem::exists(dir / "base.txt.part"));
}

TEST(DurableWrites, TheJobFileKeepsTheOldJobUntilTheNewOneIsWhole) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "out.cnx", "old job");
    {
        StepLog log;
        FileJobSink sink(dir / "out.cnx");
        sink.Write("new job");
        EXPECT_EQ(test::ReadFileBytes(dir / "out.cnx"), "old job");
        sink.Commit();
        EXPECT_EQ(log.steps, (std::vector<std::string>{"sync out.cnx.part", "rename out.cnx",
                                                       "sync folder " + dir.path().filename().string()}));
    }
    EXPECT_EQ(test::ReadFileBytes(dir / "out.cnx"), "new job");
    // A save that breaks off leaves no earlier job to be taken for this one.
    {
        FileJobSink sink(dir / "out.cnx");
        sink.Write("half");
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "out.cnx"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.cnx.part"));
    // An export to the operator's own file keeps the old one when it fails.
    test::WriteFileBytes(dir / "mine.cnc", "mine");
    { FileJobSink sink(dir / "mine.cnc", false); }
    EXPECT_EQ(test::ReadFileBytes(dir / "mine.cnc"), "mine");
}

TEST(DurableWrites, AFileThatCouldNotBeReadIsKeptAsideUnderAFreeName) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "Settings.vks", "first");
    ASSERT_EQ(KeepAside(dir / "Settings.vks"), dir / "Settings.vks.bad");
    std::filesystem::remove(dir / "Settings.vks");  // replaced later by a new file
    test::WriteFileBytes(dir / "Settings.vks", "second");
    ASSERT_EQ(KeepAside(dir / "Settings.vks"), dir / "Settings.vks.bad2");
    EXPECT_EQ(test::ReadFileBytes(dir / "Settings.vks.bad"), "first");
    EXPECT_EQ(test::ReadFileBytes(dir / "Settings.vks.bad2"), "second");
    std::filesystem::create_directory(dir / "folder.vks");
    EXPECT_FALSE(KeepAside(dir / "folder.vks"));
    EXPECT_FALSE(KeepAside(dir / "none.vks"));
}
