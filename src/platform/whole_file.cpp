#include "platform/whole_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <mutex>
#include <system_error>

namespace vellisk {

namespace {

std::mutex watchMutex;
std::function<void(std::string_view, const std::filesystem::path&)> watch;

void Step(std::string_view step, const std::filesystem::path& path) {
    std::lock_guard lock(watchMutex);
    if (watch) watch(step, path);
}

std::string SystemText(int err) { return std::generic_category().message(err); }

}  // namespace

void WatchFileSteps(std::function<void(std::string_view, const std::filesystem::path&)> watcher) {
    std::lock_guard lock(watchMutex);
    watch = std::move(watcher);
}

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

bool SyncOpenFile(int fd, const std::filesystem::path& path, std::string* why) {
    Step("sync", path);
    if (::fsync(fd) == 0) return true;
    if (why) *why = "cannot write " + path.string() + ": " + SystemText(errno);
    return false;
}

bool RenameSynced(const std::filesystem::path& from, const std::filesystem::path& to, std::string* why) {
    Step("rename", to);
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    if (ec) {
        if (why) *why = "cannot write " + to.string() + ": " + ec.message();
        return false;
    }
    // The rename itself is an entry of the folder: without this a power cut may bring back the
    // old entry, or none.
    std::filesystem::path folder = to.parent_path();
    if (folder.empty()) folder = ".";
    Step("sync folder", folder);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);  // some file systems cannot sync a folder; the file itself is whole
        ::close(dir);
    }
    return true;
}

bool WriteWholeFile(const std::filesystem::path& path, const std::string& bytes, std::string* why) {
    std::filesystem::path temp = path;
    temp += ".part";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (why) *why = "cannot create " + path.string() + ": " + SystemText(errno);
        return false;
    }
    Step("write", temp);
    std::size_t done = 0;
    int err = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    bool ok = err == 0;
    if (!ok && why) *why = "cannot write " + path.string() + ": " + SystemText(err);
    if (ok) ok = SyncOpenFile(fd, temp, why);
    if (::close(fd) != 0 && ok) {
        if (why) *why = "cannot write " + path.string() + ": " + SystemText(errno);
        ok = false;
    }
    if (ok) ok = RenameSynced(temp, path, why);
    if (!ok) {
        std::error_code ec;
        std::filesystem::remove(temp, ec);
    }
    return ok;
}

std::optional<std::filesystem::path> KeepAside(const std::filesystem::path& path, KeepHow how) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
    for (int i = 1; i < 100; ++i) {
        std::filesystem::path kept = path;
        kept += i == 1 ? std::string(".bad") : ".bad" + std::to_string(i);
        if (std::filesystem::exists(kept, ec) || ec) continue;
        // A second name keeps the bytes without reading them; a copy where the disk has no
        // links; a move where the system allows neither (a file of another user's).
        std::filesystem::create_hard_link(path, kept, ec);
        if (!ec) return kept;
        if (std::filesystem::copy_file(path, kept, ec) && !ec) return kept;
        std::filesystem::remove(kept, ec);
        if (how == KeepHow::BesideOrMove) {
            std::filesystem::rename(path, kept, ec);
            if (!ec) return kept;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace vellisk
