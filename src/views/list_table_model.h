#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QPixmap>
#include <QStringList>

#include <deque>
#include <mutex>
#include <vector>

#include "lists/list_table.h"
#include "views/list_colours.h"

namespace halvera {

// Mirrors one core ListTable for a view. It copies the table's rows and subscribes in one
// step, then applies every published change on the GUI thread, in order: a writer only
// queues the change and wakes the GUI thread, so it never waits for the GUI, and the view
// never reads a half-changed table. What the user changes (a check box) goes to the core
// table and comes back as a change.
class ListTableModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit ListTableModel(ListTable& table, QObject* parent = nullptr);
    ~ListTableModel() override;

    ListTable& Table() const { return m_table; }

    void SetHeaders(QStringList headers);
    // The column whose cells carry the row's check box; -1 (the default) for none.
    void SetCheckColumn(int column);
    // Pictures shown in column 0 by the row's image index.
    void SetImages(QList<QPixmap> images);
    void SetColours(const ListColours& colours);

  public slots:
    // Applies the changes queued so far, so that the view's row numbers are the table's.
    // Commands call it before they turn selected view rows into table rows.
    void ApplyPendingChanges();

  public:
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  signals:
    // The table asked its views to bring this row into view.
    void ScrollRequested(int row);

  protected:
    // Text and background colour of one cell; the defaults use the list's text colour and
    // leave the background to the view.
    virtual QVariant Foreground(int row, int column) const;
    virtual QVariant Background(int row, int column) const;

    const ListColours& Colours() const { return m_colours; }
    QString CellText(int row, int column) const;
    int RowTone(int row) const;
    // Where the user's check box goes: the table's check box unless a list keeps it elsewhere.
    virtual bool WriteChecked(int row, bool checked);

  private:
    struct Row {
        QStringList cells;
        bool checked = false;
        int image = -1;
        int tone = 0;
    };

    static Row ToRow(const ListRow& row);
    void Queue(const ListChange& change);
    void Apply(const ListChange& change);
    bool IsRow(int row) const;
    void RowChanged(int row);

    ListTable& m_table;
    QStringList m_headers;
    std::vector<Row> m_rows;
    int m_listener = 0;
    std::mutex m_pendingMutex;
    std::deque<ListChange> m_pending;
    int m_checkColumn = -1;
    QList<QPixmap> m_images;
    ListColours m_colours;
};

}  // namespace halvera
