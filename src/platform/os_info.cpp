#include "platform/os_info.h"

#include <sys/utsname.h>

#include <cctype>
#include <fstream>

#include "platform/port_io.h"

namespace vellisk {

namespace {

std::string Unquote(std::string v) {
    while (!v.empty() && (v.back() == '\r' || v.back() == ' ')) v.pop_back();
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '\\' && i + 1 < v.size()) ++i;
        out.push_back(v[i]);
    }
    return out;
}

}  // namespace

std::string OsProductName(const std::filesystem::path& releaseFile) {
    std::ifstream in(releaseFile);
    if (!in) return {};
    std::string line, pretty, name;
    while (std::getline(in, line)) {
        if (line.rfind("PRETTY_NAME=", 0) == 0)
            pretty = Unquote(line.substr(12));
        else if (line.rfind("NAME=", 0) == 0)
            name = Unquote(line.substr(5));
    }
    return pretty.empty() ? name : pretty;
}

OsVersion OsVersionText(const std::string& device, const std::filesystem::path& releaseFile) {
    OsVersion v;
    std::string version;
    utsname u{};
    if (uname(&u) == 0) {
        // major.minor of the kernel release
        std::string r = u.release;
        std::size_t dots = 0, end = 0;
        while (end < r.size() && (std::isdigit(static_cast<unsigned char>(r[end])) || r[end] == '.')) {
            if (r[end] == '.' && ++dots == 2) break;
            ++end;
        }
        version = r.substr(0, end);
    }
    v.Text = OsProductName(releaseFile) + " [ver. " + version + "]\r\n";
    v.NoParallelPort = !ParallelPortAvailable(device);
    return v;
}

}  // namespace vellisk
