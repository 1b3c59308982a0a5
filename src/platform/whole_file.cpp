#include "platform/whole_file.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace vellisk {

bool ReadWholeFile(const std::filesystem::path& path, std::string* text) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    try {
        // the stream buffer throws when the read itself fails (a folder, a device error)
        std::string bytes{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
        if (f.bad()) return false;
        *text = std::move(bytes);
        return true;
    } catch (const std::ios_base::failure&) {
        return false;
    }
}

bool WriteWholeFile(const std::filesystem::path& path, const std::string& bytes, std::string* why) {
    std::filesystem::path temp = path;
    temp += ".part";
    std::error_code ec;
    {
        std::ofstream f(temp, std::ios::binary | std::ios::trunc);
        if (!f) {
            if (why) *why = "cannot create " + path.string();
            return false;
        }
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        f.close();
        if (!f) {
            std::filesystem::remove(temp, ec);
            if (why) *why = "cannot write " + path.string();
            return false;
        }
    }
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        if (why) *why = "cannot write " + path.string() + ": " + ec.message();
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

}  // namespace vellisk
