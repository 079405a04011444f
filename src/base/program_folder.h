#pragma once

#include <filesystem>

namespace halvera {

// The folder of the running executable holds db/, tmp/, log/, bin/, Kelvane.ini and
// maclist.ini. Tests and `halvera-cli --home` point the same code at another folder.
std::filesystem::path ProgramFolder();

// Replaces the program folder for the rest of the process (tests, --home).
void SetProgramFolder(const std::filesystem::path& folder);

// Paths below the program folder.
std::filesystem::path DbFolder();
std::filesystem::path TmpFolder();
std::filesystem::path LogFolder();
std::filesystem::path BinFolder();

// Creates db/, tmp/, log/ and bin/ when missing. An existing folder is no error; a folder
// that cannot be created shows itself later when its files cannot be opened.
void CreateWorkingFolders();

}  // namespace halvera
