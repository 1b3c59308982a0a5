#pragma once
// The program folder: where the program keeps "Quarnell.cfg", "DADudavu.txt", "out.cnx",
// "typ.txt" and its other data files. It is the folder of the program file when the user may
// write there; an installed program (folder not writable) keeps them in the user's data folder
// $XDG_DATA_HOME/vellisk (default ~/.local/share/vellisk), made at the first start. The
// environment variable VELLISK_PROGRAM_DIR names another folder (tests give each case a folder
// of its own).
#include <filesystem>

namespace vellisk {

inline constexpr const char* kProgramDirVariable = "VELLISK_PROGRAM_DIR";

// VELLISK_PROGRAM_DIR when set and not empty; else the folder of the running program file when
// it can be written, else the user's data folder (created); else the current folder.
std::filesystem::path ResolveProgramDir();

// $XDG_DATA_HOME/vellisk, or ~/.local/share/vellisk when XDG_DATA_HOME is unset or relative;
// empty when neither is known.
std::filesystem::path UserDataProgramDir();

}  // namespace vellisk
