#pragma once

#include <filesystem>

namespace halvera {

// The program folder, the folder of the running executable, holds what the program only
// reads: bin/ (the popup program, the capture helper), maclist.ini, back.jpg.
std::filesystem::path ProgramFolder();

// The data folder holds what the program writes: Kelvane.ini, db/, tmp/, log/ and the
// exports. It is $STATE_DIRECTORY when a service manager gives one, else the program folder
// when this user may write it and it is no installed system folder (a build tree, as
// always), else $XDG_DATA_HOME/halvera. The folder lock and the single-instance key follow
// it, so two data folders are two monitors.
std::filesystem::path DataFolder();

// The data folder for a program folder by the rule above (creating $XDG_DATA_HOME/halvera
// when it comes to that).
std::filesystem::path ChooseDataFolder(const std::filesystem::path& programFolder);

// Replaces both folders for the rest of the process (tests).
void SetProgramFolder(const std::filesystem::path& folder);

// Replaces the data folder alone (halvera-cli --home).
void SetDataFolder(const std::filesystem::path& folder);

// Paths below the data folder.
std::filesystem::path DbFolder();
std::filesystem::path TmpFolder();
std::filesystem::path LogFolder();
// Below the program folder.
std::filesystem::path BinFolder();

// Creates the data folder's db/, tmp/ and log/ when missing (and bin/ when the program
// folder is the data folder). An existing folder is no error;
// a folder that cannot be created shows itself later when its files cannot be opened.
void CreateWorkingFolders();

}  // namespace halvera
