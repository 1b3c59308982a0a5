#pragma once
// What the program tells about the system it runs on: the product name from the operating
// system's release file, the kernel version, and whether the parallel port may be used (the
// program drives the parallel port only where its device can be opened).
#include <filesystem>
#include <string>

namespace vellisk {

struct OsVersion {
    std::string Text;             // "<product name> [ver. <major>.<minor>]\r\n"
    bool NoParallelPort = false;  // the parallel-port device cannot be opened (OsIsNT)
};

// The product name of an os-release file: PRETTY_NAME, else NAME (quotes removed); empty when
// the file is missing or holds neither.
std::string OsProductName(const std::filesystem::path& releaseFile = "/etc/os-release");

// The version text and the parallel-port test for `device`.
OsVersion OsVersionText(const std::string& device = "/dev/parport0",
                        const std::filesystem::path& releaseFile = "/etc/os-release");

}  // namespace vellisk
