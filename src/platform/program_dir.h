#pragma once
// The program folder: where the program keeps "Quarnell.cfg", "DADudavu.txt", "out.cnx",
// "typ.txt" and its other data files. It is the folder of the program file unless the
// environment variable VELLISK_PROGRAM_DIR names another (an installed program's folder may be
// read-only, and tests give each case a folder of its own).
#include <filesystem>

namespace vellisk {

inline constexpr const char* kProgramDirVariable = "VELLISK_PROGRAM_DIR";

// VELLISK_PROGRAM_DIR when set and not empty, else the folder of the running program file,
// else the current folder.
std::filesystem::path ResolveProgramDir();

}  // namespace vellisk
