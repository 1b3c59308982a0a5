// The developer tool "drawing" prints what the program's readers make of a drawing.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <tuple>

#include "support/test_support.h"

namespace {

// Output and exit status of the tool run on `args`.
std::pair<std::string, int> RunTool(const std::string& args) {
    std::string cmd = std::string(VELLISK_TOOLS_DIR) + "/drawing " + args + " 2>/dev/null";
    std::FILE* p = popen(cmd.c_str(), "r");
    if (!p) return {"", -1};
    std::string out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int rc = pclose(p);
    return {out, WIFEXITED(rc) ? WEXITSTATUS(rc) : -1};
}

}  // namespace

TEST(DrawingTool, PrintsFiguresAndTheDrawingBox) {
    if (!std::filesystem::exists(std::string(VELLISK_TOOLS_DIR) + "/drawing"))
        GTEST_SKIP() << "the tools are not built";
    vellisk::test::TempDir dir;
    vellisk::test::WriteFileBytes(dir / "two.plt",
                                  "IN;SP1;PU0,0;PD400,0,400,400,0,400,0,0;PU;SP3;PU-40,10;PD800,20;PU;PD;\n");
    auto [out, rc] = RunTool((dir / "two.plt").string());
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(out,
              "figure 1  layer 1  closed  points 5  box (0.000, 0.000) - (400.000, 400.000)\n"
              "figure 2  layer 3  open  points 2  box (-40.000, 10.000) - (800.000, 20.000)\n"
              "figures 2  box (-40.000, 0.000) - (800.000, 400.000)\n");
    // A file that breaks off: the figures before the fault, then status 1.
    vellisk::test::WriteFileBytes(dir / "bad.plt", "PD0,0,10,0;PU;PD5,1-2;");
    std::tie(out, rc) = RunTool((dir / "bad.plt").string());
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(out,
              "figure 1  layer 0  open  points 2  box (0.000, 0.000) - (10.000, 0.000)\n"
              "figures 1  box (0.000, 0.000) - (10.000, 0.000)\n");
    // The kind can be given: the same text read as HPGL under another name.
    std::filesystem::copy_file(dir / "two.plt", dir / "two.txt");
    EXPECT_EQ(RunTool((dir / "two.txt").string() + " --kind 1").first, RunTool((dir / "two.plt").string()).first);
    EXPECT_EQ(RunTool((dir / "missing.plt").string()).second, 2);
}
