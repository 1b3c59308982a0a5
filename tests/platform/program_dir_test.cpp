#include <gtest/gtest.h>

#include "platform/program_dir.h"
#include "support/test_support.h"

using namespace vellisk;

TEST(ProgramDir, TheVariableWinsAndTheUserDataFolderFollowsXdg) {
    test::TempDir dir;
    {
        test::EnvVar v(kProgramDirVariable, dir.path().c_str());
        EXPECT_EQ(ResolveProgramDir(), dir.path());
    }
    {
        test::EnvVar xdg("XDG_DATA_HOME", (dir.path() / "data").c_str());
        EXPECT_EQ(UserDataProgramDir(), dir.path() / "data" / "vellisk");
    }
    {
        test::EnvVar xdg("XDG_DATA_HOME", "relative/is/ignored");
        test::EnvVar home("HOME", "/home/op");
        EXPECT_EQ(UserDataProgramDir(), std::filesystem::path("/home/op/.local/share/vellisk"));
    }
    // Without the variable: the program's own folder, which the build can write.
    test::EnvVar none(kProgramDirVariable, nullptr);
    EXPECT_EQ(ResolveProgramDir(), std::filesystem::read_symlink("/proc/self/exe").parent_path());
}
