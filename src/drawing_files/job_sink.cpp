#include "drawing_files/job_sink.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "model/core_error.h"
#include "platform/whole_file.h"

namespace vellisk {

namespace {
constexpr std::size_t kBufferSize = 1 << 16;
// Written bytes that are sent on to the disk at once, without waiting for them.
constexpr std::size_t kWritebackStep = 1 << 20;

std::string SystemText(int err) { return std::generic_category().message(err); }
}  // namespace

FileJobSink::FileJobSink(std::filesystem::path target, bool removeOldTarget)
    : target_(std::move(target)), removeOldTarget_(removeOldTarget) {
    temp_ = target_;
    temp_ += ".part";
    errno = 0;
    file_ = std::fopen(temp_.c_str(), "wb");
    if (!file_) {
        const int err = errno;
        DropOldTarget();
        throw CoreError::io("cannot create " + temp_.string() + ": " + SystemText(err));
    }
    buffer_.reserve(kBufferSize);
}

void FileJobSink::DropOldTarget() noexcept {
    // The old job stays in place until the new one is whole on the disk; only a save that fails
    // removes it, so that no earlier job is taken for this one.
    if (!removeOldTarget_) return;
    std::error_code ec;
    std::filesystem::remove(target_, ec);
}

FileJobSink::~FileJobSink() { Discard(); }

void FileJobSink::Discard() noexcept {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
        std::error_code ec;
        std::filesystem::remove(temp_, ec);
        DropOldTarget();
    }
}

void FileJobSink::Write(std::string_view bytes) {
    if (!file_) throw CoreError::io("write to a closed job file " + target_.string());
    buffer_.append(bytes);
    if (buffer_.size() >= kBufferSize) Flush();
}

void FileJobSink::Flush() {
    if (buffer_.empty()) return;
    errno = 0;
    std::size_t n = std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
    if (n != buffer_.size() || std::fflush(file_) != 0) {
        int err = errno;
        Discard();
        throw CoreError::io("cannot write " + temp_.string() + ": " + SystemText(err));
    }
    written_ += buffer_.size();
    buffer_.clear();
    // The disk starts on what is written while the rest of the job is made, so that the sync
    // at the end waits for little more than the last piece. Only a hint: a system that
    // refuses it leaves everything to that sync.
    if (written_ - sentToDisk_ >= kWritebackStep) {
        sync_file_range(fileno(file_), static_cast<off_t>(sentToDisk_), static_cast<off_t>(written_ - sentToDisk_),
                        SYNC_FILE_RANGE_WRITE);
        sentToDisk_ = written_;
    }
}

void FileJobSink::Commit() {
    // Committed already, or dropped after a failed write: nothing is left to store.
    if (!file_) throw CoreError::io("the job file " + target_.string() + " is no longer open");
    Flush();
    std::string why;
    if (std::fflush(file_) != 0) why = "cannot write " + temp_.string() + ": " + SystemText(errno);
    if (why.empty()) SyncOpenFile(fileno(file_), temp_, &why);
    errno = 0;
    const int rc = std::fclose(file_);
    file_ = nullptr;
    if (rc != 0 && why.empty()) why = "cannot write " + temp_.string() + ": " + SystemText(errno);
    if (why.empty()) RenameSynced(temp_, target_, &why);
    if (!why.empty()) {
        std::error_code ec;
        std::filesystem::remove(temp_, ec);
        DropOldTarget();
        throw CoreError::io(why);
    }
}

}  // namespace vellisk
