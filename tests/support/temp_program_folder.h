#pragma once

#include <filesystem>

namespace halvera::test {

// A fresh program folder below the system's temporary folder, made the process's program
// folder for the life of the object and removed afterwards. No test touches the user's
// home or the source tree.
class TempProgramFolder {
  public:
    TempProgramFolder();
    ~TempProgramFolder();
    TempProgramFolder(const TempProgramFolder&) = delete;
    TempProgramFolder& operator=(const TempProgramFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

  private:
    std::filesystem::path m_path;
};

}  // namespace halvera::test
