#include "drawing_files/job_sink.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "model/core_error.h"

namespace vellisk {

namespace {
constexpr std::size_t kBufferSize = 1 << 16;

std::string SystemText(int err) { return std::generic_category().message(err); }
}  // namespace

FileJobSink::FileJobSink(std::filesystem::path target, bool removeOldTarget)
    : target_(std::move(target)) {
    temp_ = target_;
    temp_ += ".part";
    if (removeOldTarget) {
        std::error_code ec;
        std::filesystem::remove(target_, ec);
        if (ec) throw CoreError::io("cannot replace " + target_.string() + ": " + ec.message());
    }
    errno = 0;
    file_ = std::fopen(temp_.c_str(), "wb");
    if (!file_)
        throw CoreError::io("cannot create " + temp_.string() + ": " + SystemText(errno));
    buffer_.reserve(kBufferSize);
}

FileJobSink::~FileJobSink() { Discard(); }

void FileJobSink::Discard() noexcept {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
        std::error_code ec;
        std::filesystem::remove(temp_, ec);
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
    buffer_.clear();
}

void FileJobSink::Commit() {
    // Committed already, or dropped after a failed write: nothing is left to store.
    if (!file_) throw CoreError::io("the job file " + target_.string() + " is no longer open");
    Flush();
    errno = 0;
    int rc = std::fclose(file_);
    file_ = nullptr;
    if (rc != 0) {
        int err = errno;
        std::error_code ec;
        std::filesystem::remove(temp_, ec);
        throw CoreError::io("cannot write " + temp_.string() + ": " + SystemText(err));
    }
    std::error_code ec;
    std::filesystem::rename(temp_, target_, ec);
    if (ec) {
        std::string why = ec.message();
        std::filesystem::remove(temp_, ec);
        throw CoreError::io("cannot store " + target_.string() + ": " + why);
    }
}

}  // namespace vellisk
