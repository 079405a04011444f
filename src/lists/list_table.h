#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace halvera {

// One row of a list: CP932 cell texts, the check box, the image index (-1 none) and the
// tone the list draws it in (the node list: its NodeRowColour; 0 elsewhere).
struct ListRow {
    std::vector<std::string> cells;
    bool checked = false;
    int image = -1;
    int tone = 0;

    bool operator==(const ListRow&) const = default;
};

// A change published by a ListTable. Inserted and RowChanged carry the row as it now is,
// CellChanged the new text, Reset every row, so a listener never reads the table back.
struct ListChange {
    enum Kind { Inserted, Removed, RowChanged, CellChanged, Reset, ScrollTo };
    Kind kind = Reset;
    int row = -1;
    int column = -1;
    ListRow data;
    std::string text;
    std::vector<ListRow> rows;
};

// A list the views show (node list, event list, event log, error log, settings
// information). Any thread may change it; every change is published, in order, to the
// listeners while the table's lock is held, so listeners must only queue the change (the
// Qt models post it to the GUI thread) and never call back into the table.
class ListTable {
  public:
    using Listener = std::function<void(const ListChange&)>;

    explicit ListTable(int columnCount);
    ListTable(const ListTable&) = delete;
    ListTable& operator=(const ListTable&) = delete;

    int ColumnCount() const { return m_columnCount; }
    int RowCount() const;

    // Appends a row (cells padded or cut to the column count); returns its index.
    int AppendRow(ListRow row);
    // Inserts before index (clamped to 0..RowCount()); returns the index used.
    int InsertRow(int index, ListRow row);
    // Removes one row; an index out of range does nothing and returns false.
    bool RemoveRow(int index);
    // Removes the given rows (any order, duplicates ignored).
    void RemoveRows(std::vector<int> rows);
    void Clear();
    // Replaces the whole content at once.
    void Reset(std::vector<ListRow> rows);

    bool GetRow(int index, ListRow& row) const;
    std::string Cell(int row, int column) const;
    bool IsChecked(int row) const;
    int Image(int row) const;
    bool SetCell(int row, int column, std::string text);
    bool SetChecked(int row, bool checked);
    bool SetRow(int index, ListRow row);

    // First row whose cell equals text, or -1.
    int FindRow(int column, const std::string& text) const;

    // Asks the views to bring a row into view.
    void ScrollTo(int row);

    // Sorts the rows with a strict weak order; stable, published as a reset.
    void Sort(const std::function<bool(const ListRow&, const ListRow&)>& less);

    std::vector<ListRow> Snapshot() const;

    // Copies the rows and subscribes in one step, so no change is lost or seen twice.
    std::vector<ListRow> SnapshotAndSubscribe(Listener listener, int& id);
    int Subscribe(Listener listener);
    void Unsubscribe(int id);

  private:
    void Publish(const ListChange& change);
    void Fit(ListRow& row) const;

    const int m_columnCount;
    mutable std::mutex m_mutex;
    std::vector<ListRow> m_rows;
    std::vector<std::pair<int, Listener>> m_listeners;
    int m_nextListener = 1;
};

}  // namespace halvera
