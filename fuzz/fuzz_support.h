#pragma once

// What the fuzz targets share: the check that aborts, and for the targets that drive a store
// over its real file, a program folder of their own and the ports a store reports through.
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/file_opener.h"
#include "base/program_folder.h"
#include "lists/error_log.h"
#include "lists/prompt.h"

namespace halvera::fuzz {

// A broken property: libFuzzer keeps the input, the replay test fails on it. Says where.
inline void Check(bool holds, const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
    if (!holds) {
        std::fprintf(stderr, "check failed at %s:%d\n", file, line);
        std::abort();
    }
}

// A fresh program folder for the life of the process, used as the program and data folder
// for every input, removed at exit; in memory where the system offers a folder there, since
// a disk's folder operations would take most of each run. Opening never waits.
class FuzzFolder {
  public:
    FuzzFolder() {
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = base / "halvera-fuzz-XXXXXX";
        Check(::mkdtemp(pattern.data()) != nullptr);
        m_folder = pattern;
    }
    ~FuzzFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_folder, ec);
    }
    FuzzFolder(const FuzzFolder&) = delete;
    FuzzFolder& operator=(const FuzzFolder&) = delete;

    // Takes the folder for the next input (another target in the same process may have
    // taken its own), with empty db/, tmp/ and log/.
    void Enter() const {
        SetProgramFolder(m_folder);
        SetRetryWait([](std::chrono::milliseconds) {});
        std::error_code ec;
        for (const char* sub : {"db", "tmp", "log"}) {
            std::filesystem::create_directory(m_folder / sub, ec);
            for (const auto& entry : std::filesystem::directory_iterator(m_folder / sub, ec)) {
                std::filesystem::remove_all(entry.path(), ec);
            }
        }
    }

    const std::filesystem::path& Path() const { return m_folder; }

  private:
    std::filesystem::path m_folder;
};

inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Check(static_cast<bool>(out.flush()));
}

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A store over a file it can always open never needs to ask the user anything.
class NoPrompt : public Prompt {
  public:
    PromptResult ShowMessage(std::string_view, PromptIcon, PromptButtons) override { std::abort(); }
};

// Keeps the error log's lines.
class KeptErrorLog : public ErrorLog {
  public:
    void WriteErrorLog(std::string_view tag, std::string_view message) override {
        lines.push_back(std::string(tag) + "," + std::string(message));
    }
    std::vector<std::string> lines;
};

}  // namespace halvera::fuzz
