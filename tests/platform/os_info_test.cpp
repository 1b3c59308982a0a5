#include <gtest/gtest.h>

#include "machine_link/lpt_transport.h"
#include "platform/os_info.h"
#include "platform/port_io.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

TEST(OsInfo, ProductNameFromTheReleaseFile) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "os-release",
                         "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 13 (trixie)\"\nID=debian\n");
    EXPECT_EQ(OsProductName(dir / "os-release"), "Debian GNU/Linux 13 (trixie)");
    test::WriteFileBytes(dir / "only-name", "NAME=Fedora\n");
    EXPECT_EQ(OsProductName(dir / "only-name"), "Fedora");
    EXPECT_EQ(OsProductName(dir / "missing"), "");
}

TEST(OsInfo, NoParallelPortWhereTheDeviceCannotBeOpened) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "os-release", "PRETTY_NAME=\"Test OS 1\"\n");
    const OsVersion v = OsVersionText((dir / "no-such-port").string(), dir / "os-release");
    EXPECT_TRUE(v.NoParallelPort);
    EXPECT_EQ(v.Text.rfind("Test OS 1 [ver. ", 0), 0u);
    EXPECT_EQ(v.Text.substr(v.Text.size() - 3), "]\r\n");
    EXPECT_EQ(OpenParallelPort((dir / "no-such-port").string()), nullptr);
    EXPECT_EQ(LptTransport::Open((dir / "no-such-port").string()), nullptr);
    // A file that is not a parallel port opens but cannot be claimed.
    EXPECT_EQ(OpenParallelPort((dir / "os-release").string()), nullptr);
}

}  // namespace
}  // namespace vellisk
