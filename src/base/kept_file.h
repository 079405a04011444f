#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "base/busy_flag.h"
#include "base/file_opener.h"

namespace halvera {

// A data file whose handle stays open between operations (null while closed), with its busy
// flag. Callers hold the flag while they use the handle. A file that cannot be opened is the
// caller's to report, once it has released the flag.
class KeptFile {
  public:
    using FolderFn = std::filesystem::path (*)();

    KeptFile(FolderFn folder, std::string name, FileFamily family);
    ~KeptFile();
    KeptFile(const KeptFile&) = delete;
    KeptFile& operator=(const KeptFile&) = delete;

    // The file below its working folder, resolved at each call so that a changed program
    // folder is followed.
    std::filesystem::path Path() const;

    // Whether the open mode opens anything for this file's family.
    bool Opens(int openMode) const;
    // Opens a new handle that the caller owns, through the data files' opener: `path`, or
    // the file's own path when empty. nullptr when the mode opens nothing or every attempt
    // failed.
    std::FILE* Open(const std::filesystem::path& path, int openMode) const;

    // The kept handle, opened with openMode first when closed; nullptr when that failed.
    std::FILE* Kept(int openMode);
    // The kept handle as it is, nullptr while closed.
    std::FILE* Handle() const { return m_file; }
    // Keeps `file` from now on, closing the handle kept so far: a file replaced as a whole
    // goes on with the new file's handle.
    void Keep(std::FILE* file);
    // Closes the kept handle. False when buffered bytes could not be written.
    bool Close();

    BusyFlag& Busy() { return m_busy; }
    bool IsBusy() const { return m_busy.IsBusy(); }

  private:
    FolderFn m_folder;
    std::string m_name;
    FileFamily m_family;
    std::FILE* m_file = nullptr;
    BusyFlag m_busy;
};

}  // namespace halvera
