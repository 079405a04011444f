#pragma once

#include <string>
#include <utility>
#include <vector>

#include "cli/console.h"
#include "cli/list_cell.h"

namespace halvera {

// The two forms a listing of halvera-cli takes.
enum class ListForm {
    Tsv,   // UTF-8 tab-separated text with a header line
    Json,  // --json: one JSON document for the command
};

// A column of a table listing: its name in JSON and its header in the TSV form.
struct ListField {
    std::string key;
    std::string header;
};

using ListCells = std::vector<ListCell>;
using NamedCells = std::vector<std::pair<std::string, ListCell>>;

// A table listing: its fields and its rows of cells.
struct Listing {
    std::vector<ListField> fields;
    std::vector<ListCells> rows;
};

// Writes every listing of halvera-cli in the form asked for, so that each listing is one
// table of cells whichever form is printed.
class ListWriter {
  public:
    ListWriter(Console& console, ListForm form) : m_console(console), m_form(form) {}

    // A table: the header line and a line a row, or an array with an object a row keyed by
    // the fields' names.
    void Table(const std::vector<ListField>& fields, const std::vector<ListCells>& rows);
    void Table(const Listing& listing) { Table(listing.fields, listing.rows); }
    // Named values: KEY and VALUE rows under that header, or one object.
    void Values(const NamedCells& values);

  private:
    void WriteJson(const nlohmann::ordered_json& document);

    Console& m_console;
    ListForm m_form;
};

}  // namespace halvera
