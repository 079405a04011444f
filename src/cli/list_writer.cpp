#include "cli/list_writer.h"

#include "cli/tsv.h"

namespace halvera {

void ListWriter::Table(const std::vector<ListField>& fields, const std::vector<ListCells>& rows) {
    if (m_form == ListForm::Json) {
        nlohmann::ordered_json document = nlohmann::ordered_json::array();
        for (const ListCells& row : rows) {
            nlohmann::ordered_json object = nlohmann::ordered_json::object();
            for (std::size_t i = 0; i < fields.size() && i < row.size(); ++i) {
                object[fields[i].key] = row[i].value;
            }
            document.push_back(std::move(object));
        }
        WriteJson(document);
        return;
    }
    std::vector<std::string> header;
    for (const ListField& field : fields) {
        header.push_back(field.header);
    }
    m_console.Out(TsvLine(header));
    for (const ListCells& row : rows) {
        std::vector<std::string> cells;
        for (const ListCell& cell : row) {
            cells.push_back(cell.text);
        }
        m_console.Out(TsvLine(cells));
    }
}

void ListWriter::Values(const NamedCells& values) {
    if (m_form == ListForm::Json) {
        nlohmann::ordered_json document = nlohmann::ordered_json::object();
        for (const auto& [name, cell] : values) {
            document[name] = cell.value;
        }
        WriteJson(document);
        return;
    }
    m_console.Out(TsvLine({"KEY", "VALUE"}));
    for (const auto& [name, cell] : values) {
        m_console.Out(TsvLine({name, cell.text}));
    }
}

void ListWriter::WriteJson(const nlohmann::ordered_json& document) {
    // A text that is no UTF-8 (a lossy conversion's leftovers) must not end the listing.
    m_console.Out(document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
}

}  // namespace halvera
