#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "export/export_table.h"
#include "lists/error_log.h"
#include "lists/list_table.h"
#include "lists/prompt.h"
#include "store/app_settings.h"

namespace halvera {

enum class ExportFormat { Csv, Html };

// The file an export writes, always the same name: "Lattisk.csv" or "Lattisk.html".
std::filesystem::path ExportFileName(ExportFormat format);

// The bytes of an export of these list rows (display order) as the settings ask: the node
// list's PRINT columns, the HTML colours; dateTime is the time of the export as the logs
// write it.
std::string ExportText(ExportFormat format, ExportList list, const std::vector<ListRow>& rows,
                       const AppSettings& settings, std::string_view dateTime);

// Replaces the file with the export's bytes: 0, or 1 when it cannot be written, which shows
// "CSV File Open Error。" or "HTML File Open Error。" and logs the same under "oputd" with
// the path and the system's reason ("HTML File Open Error: PATH: Permission denied"). A
// failed write leaves an earlier export whole.
int WriteExportFile(const std::filesystem::path& path, std::string_view text, ExportFormat format,
                    Prompt& prompt, ErrorLog& errorLog);

}  // namespace halvera
