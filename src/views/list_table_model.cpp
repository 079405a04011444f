#include "views/list_table_model.h"

#include <algorithm>
#include <utility>

#include "views/qt_text.h"

namespace halvera {

ListTableModel::ListTableModel(ListTable& table, QObject* parent)
    : QAbstractTableModel(parent), m_table(table) {
    const auto rows = m_table.SnapshotAndSubscribe(
        [this](const ListChange& change) { Queue(change); }, m_listener);
    m_rows.reserve(rows.size());
    for (const auto& row : rows) {
        m_rows.push_back(ToRow(row));
    }
}

ListTableModel::~ListTableModel() {
    // Once this returns no listener call is running; a wake-up already posted dies with us.
    m_table.Unsubscribe(m_listener);
}

void ListTableModel::Queue(const ListChange& change) {
    // Runs on the writer's thread with the table locked. The first change of a burst wakes
    // the GUI thread; the wake-up carries nothing, the changes stay in the queue.
    bool wake = false;
    {
        std::lock_guard lock(m_pendingMutex);
        wake = m_pending.empty();
        m_pending.push_back(change);
    }
    if (wake) {
        QMetaObject::invokeMethod(this, "ApplyPendingChanges", Qt::QueuedConnection);
    }
}

void ListTableModel::SetHeaders(QStringList headers) {
    m_headers = std::move(headers);
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void ListTableModel::SetCheckColumn(int column) {
    m_checkColumn = column;
}

void ListTableModel::SetImages(QList<QPixmap> images) {
    m_images = std::move(images);
    if (!m_rows.empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DecorationRole});
    }
}

void ListTableModel::SetColours(const ListColours& colours) {
    m_colours = colours;
    if (!m_rows.empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::ForegroundRole, Qt::BackgroundRole});
    }
}

void ListTableModel::ApplyPendingChanges() {
    std::deque<ListChange> changes;
    {
        std::lock_guard lock(m_pendingMutex);
        changes.swap(m_pending);
    }
    for (const auto& change : changes) {
        Apply(change);
    }
}

int ListTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ListTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_table.ColumnCount();
}

QVariant ListTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !IsRow(index.row())) {
        return {};
    }
    const Row& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return CellText(index.row(), index.column());
        case Qt::DecorationRole:
            if (index.column() == 0 && row.image >= 0 && row.image < m_images.size()) {
                return m_images[row.image];
            }
            return {};
        case Qt::CheckStateRole:
            if (index.column() == m_checkColumn) {
                return row.checked ? Qt::Checked : Qt::Unchecked;
            }
            return {};
        case Qt::ForegroundRole:
            return Foreground(index.row(), index.column());
        case Qt::BackgroundRole:
            return Background(index.row(), index.column());
        default:
            return {};
    }
}

QVariant ListTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_headers.size()) {
        return m_headers[section];
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags ListTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == m_checkColumn) {
        flags |= Qt::ItemIsUserCheckable;
    }
    return flags;
}

bool ListTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != m_checkColumn) {
        return false;
    }
    return WriteChecked(index.row(), static_cast<Qt::CheckState>(value.toInt()) == Qt::Checked);
}

bool ListTableModel::WriteChecked(int row, bool checked) {
    return m_table.SetChecked(row, checked);
}

QVariant ListTableModel::Foreground(int, int) const {
    return m_colours.text;
}

QVariant ListTableModel::Background(int, int) const {
    return {};
}

QString ListTableModel::CellText(int row, int column) const {
    if (!IsRow(row)) {
        return {};
    }
    const auto& cells = m_rows[static_cast<std::size_t>(row)].cells;
    return column >= 0 && column < cells.size() ? cells[column] : QString();
}

int ListTableModel::RowTone(int row) const {
    return IsRow(row) ? m_rows[static_cast<std::size_t>(row)].tone : 0;
}

ListTableModel::Row ListTableModel::ToRow(const ListRow& row) {
    Row converted;
    converted.cells.reserve(static_cast<qsizetype>(row.cells.size()));
    for (const auto& cell : row.cells) {
        converted.cells.push_back(FromCp932(cell));
    }
    converted.checked = row.checked;
    converted.image = row.image;
    converted.tone = row.tone;
    return converted;
}

bool ListTableModel::IsRow(int row) const {
    return row >= 0 && row < static_cast<int>(m_rows.size());
}

void ListTableModel::RowChanged(int row) {
    // A cell can change the colour of its whole row (the "ST" mark), so the row repaints.
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void ListTableModel::Apply(const ListChange& change) {
    // Changes arrive in the table's order, so each index is valid for the mirrored rows.
    switch (change.kind) {
        case ListChange::Inserted: {
            const int row = std::clamp(change.row, 0, rowCount());
            beginInsertRows(QModelIndex(), row, row);
            m_rows.insert(m_rows.begin() + row, ToRow(change.data));
            endInsertRows();
            break;
        }
        case ListChange::Removed:
            if (IsRow(change.row)) {
                beginRemoveRows(QModelIndex(), change.row, change.row);
                m_rows.erase(m_rows.begin() + change.row);
                endRemoveRows();
            }
            break;
        case ListChange::RowChanged:
            if (IsRow(change.row)) {
                m_rows[static_cast<std::size_t>(change.row)] = ToRow(change.data);
                RowChanged(change.row);
            }
            break;
        case ListChange::CellChanged:
            if (IsRow(change.row) && change.column >= 0 &&
                change.column < m_rows[static_cast<std::size_t>(change.row)].cells.size()) {
                m_rows[static_cast<std::size_t>(change.row)].cells[change.column] =
                    FromCp932(change.text);
                RowChanged(change.row);
            }
            break;
        case ListChange::Reset:
            beginResetModel();
            m_rows.clear();
            m_rows.reserve(change.rows.size());
            for (const auto& row : change.rows) {
                m_rows.push_back(ToRow(row));
            }
            endResetModel();
            break;
        case ListChange::ScrollTo:
            if (IsRow(change.row)) {
                emit ScrollRequested(change.row);
            }
            break;
    }
}

}  // namespace halvera
