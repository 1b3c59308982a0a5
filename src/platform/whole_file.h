#pragma once
// Whole small files as the program keeps them (settings, the address file, calibration, a job
// to stream): read at once, and written beside the old file and put in its place only once
// whole and on the disk, so that a full disk, a broken write or a power cut never leaves a file
// cut short: the new bytes are synced before the rename, and the folder after it.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vellisk {

// Reads a whole file; false when it cannot be opened or read (*text is then left alone).
bool ReadWholeFile(const std::filesystem::path& path, std::string* text);

// Writes the bytes to path + ".part", syncs it, renames it over path and syncs the folder.
// False, with the reason in *why, when it could not be done; the old file then stays as it was
// and no ".part" is left.
bool WriteWholeFile(const std::filesystem::path& path, const std::string& bytes, std::string* why);

// The steps that make a written file durable, for writers that fill their ".part" themselves:
// syncs an open file's bytes to the disk; renames a finished file over its target and syncs the
// folder that holds it. False (with the reason) when a step fails.
bool SyncOpenFile(int fd, const std::filesystem::path& path, std::string* why);
bool RenameSynced(const std::filesystem::path& from, const std::filesystem::path& to, std::string* why);

// How a file that could not be read is kept.
enum class KeepHow {
    Beside,        // a second name of the same bytes, or a copy; the file stays where it is
    BesideOrMove,  // the same, else (a file nobody but its owner may read or link) moved aside:
                   // for a file about to be replaced anyway
};

// Keeps the operator's file that the program could not read beside it before anything replaces
// it: path + ".bad" (or ".bad2", ".bad3", ... when that is taken). The name kept, or nothing when
// it could not be kept (a folder in its place, no such file, no room).
std::optional<std::filesystem::path> KeepAside(const std::filesystem::path& path, KeepHow how = KeepHow::BesideOrMove);

// Tests watch the order of the steps: "write", "sync", "rename" and "sync folder", each with the
// file it acts on. An empty function stops the watching.
void WatchFileSteps(std::function<void(std::string_view step, const std::filesystem::path&)> watcher);

}  // namespace vellisk
