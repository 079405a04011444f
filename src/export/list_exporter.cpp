#include "export/list_exporter.h"

#include "base/atomic_replace.h"
#include "base/text_codec.h"
#include "export/csv_writer.h"
#include "export/html_writer.h"

#include <system_error>

namespace halvera {

std::filesystem::path ExportFileName(ExportFormat format) {
    return format == ExportFormat::Csv ? "Lattisk.csv" : "Lattisk.html";
}

std::string ExportText(ExportFormat format, ExportList list, const std::vector<ListRow>& rows,
                       const AppSettings& settings, std::string_view dateTime) {
    const ExportTable table = BuildExportTable(list, rows, settings.PRINT);
    return format == ExportFormat::Csv ? CsvText(table, dateTime)
                                       : HtmlText(list, table, dateTime, settings);
}

int WriteExportFile(const std::filesystem::path& path, std::string_view text, ExportFormat format,
                    Prompt& prompt, ErrorLog& errorLog) {
    const ReplaceResult result = ReplaceFileContent(path, text);
    if (result.Replaced()) {
        return 0;
    }
    const std::string failure =
        format == ExportFormat::Csv ? "CSV File Open Error" : "HTML File Open Error";
    ShowStop(prompt, failure + Sjis("。"));
    // The box keeps its short text; the log says where and why, so the user can mend it.
    errorLog.WriteErrorLog("oputd", failure + ": " + Utf8ToCp932Lossy(path.string()) + ": " +
                                        std::generic_category().message(result.error));
    return 1;
}

}  // namespace halvera
