#pragma once
// Where a job file's bytes go. Every write is checked; a failure throws CoreError(InputOutput).
// The file sink writes to a temporary name beside the target, syncs it and renames it over the
// old file only when the whole job was written, so neither a failed save nor a power cut leaves a
// file that looks like a complete job.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace vellisk {

class JobSink {
public:
    virtual ~JobSink() = default;
    // Appends one command (raw bytes, any value including NUL and line ends).
    virtual void Write(std::string_view bytes) = 0;
    // Ends the output: everything written is stored. No writes may follow.
    virtual void Commit() = 0;
};

// Collects the bytes in memory (tests, benchmarks).
class MemoryJobSink : public JobSink {
public:
    void Write(std::string_view bytes) override { data.append(bytes); }
    void Commit() override { committed = true; }
    std::string data;
    bool committed = false;
};

class FileJobSink : public JobSink {
public:
    // Creates "<target>.part". The old target stays until the new one replaces it; with
    // `removeOldTarget` (machine jobs) a save that fails removes it, so that no earlier job can
    // be taken for this one; without it (exports to a file of the user's) it stays.
    // Throws CoreError(InputOutput) when it cannot.
    explicit FileJobSink(std::filesystem::path target, bool removeOldTarget = true);
    // Without Commit the temporary file is removed.
    ~FileJobSink() override;
    FileJobSink(const FileJobSink&) = delete;
    FileJobSink& operator=(const FileJobSink&) = delete;

    void Write(std::string_view bytes) override;
    void Commit() override;

    const std::filesystem::path& Target() const { return target_; }
    const std::filesystem::path& TemporaryPath() const { return temp_; }

private:
    void Flush();
    void Discard() noexcept;
    void DropOldTarget() noexcept;

    std::filesystem::path target_;
    std::filesystem::path temp_;
    bool removeOldTarget_;
    std::FILE* file_ = nullptr;
    std::string buffer_;
    std::size_t written_ = 0;     // bytes handed to the file
    std::size_t sentToDisk_ = 0;  // of them, the ones the disk was asked to take
};

}  // namespace vellisk
