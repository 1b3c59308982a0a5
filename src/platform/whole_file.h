#pragma once
// Whole small files as the program keeps them (settings, the address file, calibration, a job
// to stream): read at once, and written beside the old file and put in its place only once
// whole, so that a full disk or a broken write never leaves a file cut short.
#include <filesystem>
#include <string>

namespace vellisk {

// Reads a whole file; false when it cannot be opened or read (*text is then left alone).
bool ReadWholeFile(const std::filesystem::path& path, std::string* text);

// Writes the bytes to path + ".part" and renames that over path. False, with the reason in
// *why, when it could not be done; the old file then stays as it was and no ".part" is left.
bool WriteWholeFile(const std::filesystem::path& path, const std::string& bytes, std::string* why);

}  // namespace vellisk
