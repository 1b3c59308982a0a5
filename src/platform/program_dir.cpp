#include "platform/program_dir.h"

#include <cstdlib>
#include <system_error>

namespace vellisk {

std::filesystem::path ResolveProgramDir() {
    if (const char* env = std::getenv(kProgramDirVariable); env && *env) return std::filesystem::path(env);
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && exe.has_parent_path()) return exe.parent_path();
    const auto cwd = std::filesystem::current_path(ec);
    return ec ? std::filesystem::path(".") : cwd;
}

}  // namespace vellisk
