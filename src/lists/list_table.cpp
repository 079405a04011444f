#include "lists/list_table.h"

#include <algorithm>
#include <utility>

namespace halvera {

ListTable::ListTable(int columnCount) : m_columnCount(columnCount) {}

int ListTable::RowCount() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_rows.size());
}

void ListTable::Fit(ListRow& row) const {
    row.cells.resize(static_cast<std::size_t>(m_columnCount));
}

int ListTable::AppendRow(ListRow row) {
    std::lock_guard lock(m_mutex);
    Fit(row);
    m_rows.push_back(row);
    int index = static_cast<int>(m_rows.size()) - 1;
    Publish({ListChange::Inserted, index, -1, std::move(row), {}, {}});
    return index;
}

int ListTable::InsertRow(int index, ListRow row) {
    std::lock_guard lock(m_mutex);
    Fit(row);
    index = std::clamp(index, 0, static_cast<int>(m_rows.size()));
    m_rows.insert(m_rows.begin() + index, row);
    Publish({ListChange::Inserted, index, -1, std::move(row), {}, {}});
    return index;
}

bool ListTable::RemoveRow(int index) {
    std::lock_guard lock(m_mutex);
    if (index < 0 || index >= static_cast<int>(m_rows.size())) {
        return false;
    }
    m_rows.erase(m_rows.begin() + index);
    Publish({ListChange::Removed, index, -1, {}, {}, {}});
    return true;
}

void ListTable::RemoveRows(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::lock_guard lock(m_mutex);
    // From the last row backwards, so the earlier indexes stay valid.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        if (*it >= 0 && *it < static_cast<int>(m_rows.size())) {
            m_rows.erase(m_rows.begin() + *it);
            Publish({ListChange::Removed, *it, -1, {}, {}, {}});
        }
    }
}

void ListTable::Clear() {
    Reset({});
}

void ListTable::Reset(std::vector<ListRow> rows) {
    std::lock_guard lock(m_mutex);
    for (auto& row : rows) {
        Fit(row);
    }
    m_rows = std::move(rows);
    Publish({ListChange::Reset, -1, -1, {}, {}, m_rows});
}

bool ListTable::GetRow(int index, ListRow& row) const {
    std::lock_guard lock(m_mutex);
    if (index < 0 || index >= static_cast<int>(m_rows.size())) {
        return false;
    }
    row = m_rows[static_cast<std::size_t>(index)];
    return true;
}

std::string ListTable::Cell(int row, int column) const {
    std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0 ||
        column >= m_columnCount) {
        return {};
    }
    return m_rows[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)];
}

bool ListTable::IsChecked(int row) const {
    std::lock_guard lock(m_mutex);
    return row >= 0 && row < static_cast<int>(m_rows.size()) &&
           m_rows[static_cast<std::size_t>(row)].checked;
}

int ListTable::Image(int row) const {
    std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size())) {
        return -1;
    }
    return m_rows[static_cast<std::size_t>(row)].image;
}

bool ListTable::SetCell(int row, int column, std::string text) {
    std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0 ||
        column >= m_columnCount) {
        return false;
    }
    auto& cell = m_rows[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)];
    if (cell == text) {
        return true;
    }
    cell = text;
    Publish({ListChange::CellChanged, row, column, {}, std::move(text), {}});
    return true;
}

bool ListTable::SetChecked(int row, bool checked) {
    std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size())) {
        return false;
    }
    auto& stored = m_rows[static_cast<std::size_t>(row)];
    if (stored.checked != checked) {
        stored.checked = checked;
        Publish({ListChange::RowChanged, row, -1, stored, {}, {}});
    }
    return true;
}

bool ListTable::SetRow(int index, ListRow row) {
    std::lock_guard lock(m_mutex);
    if (index < 0 || index >= static_cast<int>(m_rows.size())) {
        return false;
    }
    Fit(row);
    m_rows[static_cast<std::size_t>(index)] = row;
    Publish({ListChange::RowChanged, index, -1, std::move(row), {}, {}});
    return true;
}

int ListTable::FindRow(int column, const std::string& text) const {
    std::lock_guard lock(m_mutex);
    if (column < 0 || column >= m_columnCount) {
        return -1;
    }
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].cells[static_cast<std::size_t>(column)] == text) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void ListTable::ScrollTo(int row) {
    std::lock_guard lock(m_mutex);
    Publish({ListChange::ScrollTo, row, -1, {}, {}, {}});
}

void ListTable::Sort(const std::function<bool(const ListRow&, const ListRow&)>& less) {
    std::lock_guard lock(m_mutex);
    std::stable_sort(m_rows.begin(), m_rows.end(), less);
    Publish({ListChange::Reset, -1, -1, {}, {}, m_rows});
}

std::vector<ListRow> ListTable::Snapshot() const {
    std::lock_guard lock(m_mutex);
    return m_rows;
}

std::vector<ListRow> ListTable::SnapshotAndSubscribe(Listener listener, int& id) {
    std::lock_guard lock(m_mutex);
    id = m_nextListener++;
    m_listeners.emplace_back(id, std::move(listener));
    return m_rows;
}

int ListTable::Subscribe(Listener listener) {
    std::lock_guard lock(m_mutex);
    int id = m_nextListener++;
    m_listeners.emplace_back(id, std::move(listener));
    return id;
}

void ListTable::Unsubscribe(int id) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_listeners, [id](const auto& entry) { return entry.first == id; });
}

void ListTable::Publish(const ListChange& change) {
    for (const auto& [id, listener] : m_listeners) {
        listener(change);
    }
}

}  // namespace halvera
