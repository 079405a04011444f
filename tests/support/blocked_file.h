#pragma once

#include <chrono>
#include <filesystem>

#include "base/file_opener.h"

namespace halvera::test {

// Puts a folder where a data file belongs, so every open of it fails, and lets the opener
// retry without waiting, for the life of the object.
class BlockedFile {
  public:
    explicit BlockedFile(const std::filesystem::path& path) {
        std::filesystem::create_directories(path);
        SetRetryWait([](std::chrono::milliseconds) {});
    }
    ~BlockedFile() { SetRetryWait(nullptr); }
    BlockedFile(const BlockedFile&) = delete;
    BlockedFile& operator=(const BlockedFile&) = delete;
};

}  // namespace halvera::test
