#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/program_dir.h"
#include "support/test_support.h"

using namespace vellisk;

namespace {

// Sets an environment variable for the object's lifetime and puts the old value back.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old, had_ = true;
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    ~EnvVar() {
        if (had_) ::setenv(name_, old_.c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

}  // namespace

TEST(ProgramDir, TheVariableWinsAndTheUserDataFolderFollowsXdg) {
    test::TempDir dir;
    {
        EnvVar v(kProgramDirVariable, dir.path().c_str());
        EXPECT_EQ(ResolveProgramDir(), dir.path());
    }
    {
        EnvVar xdg("XDG_DATA_HOME", (dir.path() / "data").c_str());
        EXPECT_EQ(UserDataProgramDir(), dir.path() / "data" / "vellisk");
    }
    {
        EnvVar xdg("XDG_DATA_HOME", "relative/is/ignored");
        EnvVar home("HOME", "/home/op");
        EXPECT_EQ(UserDataProgramDir(), std::filesystem::path("/home/op/.local/share/vellisk"));
    }
    // Without the variable: the program's own folder, which the build can write.
    EnvVar none(kProgramDirVariable, nullptr);
    EXPECT_EQ(ResolveProgramDir(), std::filesystem::read_symlink("/proc/self/exe").parent_path());
}
