#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>

namespace halvera {

// Open modes of the data files: 1 read, 2 write, 4 update, 5 create empty, 6 append.
enum OpenMode { OPEN_READ = 1, OPEN_WRITE = 2, OPEN_UPDATE = 4, OPEN_CREATE = 5, OPEN_APPEND = 6 };

// How a family of data files maps an open mode to an fopen mode.
enum class FileFamily {
    Binary,     // node database and name book: 1 "rb"/"wb+", 4 "rb+"/"wb+", 5 "wb+"
    Record,     // range lists and event settings: 1 "r"/"w+", 4 "r+"/"w+", 5 "w+"
    Appending,  // logs and mail queue: 1 "r", 2 "w", 5 "w+", 6 "a+"
};

// The fopen mode for an open mode, or nullptr when that mode opens nothing.
const char* FopenMode(FileFamily family, int openMode, bool exists);

// fopen ("r", "w", "a", with "+", "b", "e", "x"), except that no mode follows a symbolic
// link, neither at the file nor at its folder (ELOOP): whoever may write a working folder
// cannot make root read, cut or overwrite what a link of theirs points at. A file it creates
// gets createMode less the umask.
std::FILE* OpenFileNoFollow(const std::filesystem::path& path, const char* fopenMode,
                            mode_t createMode = 0666);

// The wait between attempts. Production sleeps; tests replace it to record the schedule.
using RetryWait = std::function<void(std::chrono::milliseconds)>;
void SetRetryWait(RetryWait wait);

// Opens a data file the way every store does: up to five attempts, waiting 5000 ms after the
// first failure and doubling after each further one (the last wait also follows the fifth
// failure, as the stores have always done). Only an error that can pass is waited for (EINTR,
// EAGAIN, EBUSY, EMFILE, ENFILE, ENOMEM, ETXTBSY); any other (a link, no right, a folder in
// the way or missing) fails at once. Returns nullptr when the mode opens nothing or the open
// failed (errno says why); the caller reports.
std::FILE* OpenDataFile(const std::filesystem::path& path, FileFamily family, int openMode);

}  // namespace halvera
