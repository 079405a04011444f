#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "store/app_settings.h"
#include "support/cli_process.h"
#include "support/temp_program_folder.h"

namespace halvera::test {

// A fresh program folder for halvera-cli in the lab's own host: the settings with ADPNUM on
// the own host's segment adapter (the rest as the settings dialog leaves them by default,
// unless changed), every event kind the runs raise on screen and in the log with the
// message "%IP", and one search range from 198.18.7.0 to lastAddress (the lab's /24 by
// default). Prepare it from the own host's namespace.
class CliLabFolder {
  public:
    // False, with the reason in Failure(), when the folder could not be set up.
    bool Prepare(const std::function<void(AppSettings&)>& change = {},
                 const char* lastAddress = "198.18.7.255");
    const std::string& Failure() const { return m_failure; }

    // "--home", the folder, then the command.
    std::vector<std::string> Args(std::initializer_list<std::string> command) const;
    // Runs halvera-cli with the command on this folder and expects it to succeed.
    CliResult Cli(std::initializer_list<std::string> command) const;
    const std::filesystem::path& Path() const { return m_folder.Path(); }

  private:
    TempProgramFolder m_folder;
    std::string m_failure;
};

// The rows of tab-separated output after its header line, split into cells.
std::vector<std::vector<std::string>> TsvRows(const std::string& text);

}  // namespace halvera::test
