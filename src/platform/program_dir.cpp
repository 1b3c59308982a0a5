#include "platform/program_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace vellisk {

std::filesystem::path UserDataProgramDir() {
    namespace fs = std::filesystem;
    fs::path base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg && fs::path(xdg).is_absolute()) {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = fs::path(home) / ".local" / "share";
    } else {
        return {};
    }
    return base / "vellisk";
}

std::filesystem::path ResolveProgramDir() {
    namespace fs = std::filesystem;
    if (const char* env = std::getenv(kProgramDirVariable); env && *env) return fs::path(env);
    std::error_code ec;
    const auto exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && exe.has_parent_path()) {
        const fs::path folder = exe.parent_path();
        if (::access(folder.c_str(), W_OK) == 0) return folder;
        // An installed program: its folder is not the user's to write.
        const fs::path data = UserDataProgramDir();
        if (!data.empty()) {
            fs::create_directories(data, ec);
            if (!ec || fs::is_directory(data)) return data;
        }
        return folder;
    }
    const auto cwd = fs::current_path(ec);
    return ec ? fs::path(".") : cwd;
}

}  // namespace vellisk
