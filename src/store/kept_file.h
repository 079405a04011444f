#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "base/busy_flag.h"
#include "base/file_opener.h"

namespace halvera {

// A data file whose handle stays open between operations (null while closed), with its busy
// flag and the way its store reports a file that cannot be opened. Callers hold the busy flag
// while they use the handle.
class KeptFile {
  public:
    using FolderFn = std::filesystem::path (*)();

    KeptFile(FolderFn folder, std::string name, FileFamily family,
             std::function<void()> reportOpenFailure);
    ~KeptFile();
    KeptFile(const KeptFile&) = delete;
    KeptFile& operator=(const KeptFile&) = delete;

    // The file below its working folder, resolved at each call so that a changed program
    // folder is followed.
    std::filesystem::path Path() const;

    // Opens a new handle that the caller owns: `path`, or the file's own path when empty.
    // A failure after all the opener's attempts is reported.
    std::FILE* Open(const std::filesystem::path& path, int openMode);

    // The kept handle, opened with openMode first when closed; nullptr when that failed.
    std::FILE* Kept(int openMode);

    void Close();

    BusyFlag& Busy() { return m_busy; }
    bool IsBusy() const { return m_busy.IsBusy(); }

  private:
    FolderFn m_folder;
    std::string m_name;
    FileFamily m_family;
    std::function<void()> m_reportOpenFailure;
    std::FILE* m_file = nullptr;
    BusyFlag m_busy;
};

}  // namespace halvera
