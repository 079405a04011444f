#include "support/temp_program_folder.h"

#include <cstdlib>
#include <string>
#include <system_error>

#include "base/program_folder.h"

namespace halvera::test {

TempProgramFolder::TempProgramFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "halvera-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    m_path = pattern;
    SetProgramFolder(m_path);
    CreateWorkingFolders();
}

TempProgramFolder::~TempProgramFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

}  // namespace halvera::test
