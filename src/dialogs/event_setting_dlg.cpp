#include "dialogs/event_setting_dlg.h"

#include <QHeaderView>
#include <QPushButton>

#include <utility>
#include <vector>

#include "base/ip_address.h"
#include "dialogs/action_range_dlg.h"
#include "dialogs/event_action_dlg.h"
#include "dialogs/sniff_setting_dlg.h"
#include "store/event_kind.h"
#include "ui_event_setting_dlg.h"
#include "views/event_images.h"
#include "views/grid_line_delegate.h"
#include "views/qt_text.h"

namespace halvera {
namespace {

enum EventColumn { COL_EVENT, COL_ENABLED, COL_INFO };
constexpr int EVENT_COLUMN_WIDTHS[] = {110, 70, 130};
constexpr int RANGE_COLUMN_WIDTH = 120;

QString EnabledText(std::int32_t enabled) {
    return enabled != 0 ? QStringLiteral("有効") : QStringLiteral("無効");
}

// A report list as the dialogs show it: grid lines and headers that can be dragged.
void SetUpList(QTreeWidget* list) {
    list->setItemDelegate(new GridLineDelegate(list));
    list->header()->setSectionsMovable(true);
    list->header()->setStretchLastSection(false);
}

QTreeWidgetItem* RangeRow(const IpRange& range) {
    return new QTreeWidgetItem({QString::fromStdString(FormatIp(range.start)),
                                QString::fromStdString(FormatIp(range.end))});
}

}  // namespace

CEventSettingDlg::CEventSettingDlg(Engine& engine, Prompt& prompt,
                                   std::function<void(QWidget* owner)> openMailSettings,
                                   QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CEventSettingDlg>()),
      m_engine(engine),
      m_prompt(prompt),
      m_openMailSettings(std::move(openMailSettings)) {
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("Halvera: Event Setting"));
    m_ui->buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("ｷｬﾝｾﾙ"));
    SetUpList(m_ui->events);
    for (int column = COL_EVENT; column <= COL_INFO; ++column) {
        m_ui->events->setColumnWidth(column, EVENT_COLUMN_WIDTHS[column]);
    }
    m_ui->events->headerItem()->setTextAlignment(COL_ENABLED, Qt::AlignCenter);
    SetUpList(m_ui->ranges);
    m_ui->ranges->setColumnWidth(0, RANGE_COLUMN_WIDTH);
    m_ui->ranges->setColumnWidth(1, RANGE_COLUMN_WIDTH);

    FillEvents();
    const bool allNodes = m_engine.Settings().App().ALLEVENT != 0;
    (allNodes ? m_ui->allNodes : m_ui->someNodes)->setChecked(true);
    EnableRanges(!allNodes);
    FillRanges();

    connect(m_ui->events, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { EditEvent(m_ui->events->indexOfTopLevelItem(item)); });
    connect(m_ui->someNodes, &QRadioButton::toggled, this, &CEventSettingDlg::EnableRanges);
    connect(m_ui->sniff, &QPushButton::clicked, this, &CEventSettingDlg::EditSniffing);
    connect(m_ui->mail, &QPushButton::clicked, this, [this] {
        if (m_openMailSettings) {
            m_openMailSettings(this);
        }
    });
    connect(m_ui->add, &QPushButton::clicked, this, &CEventSettingDlg::AddRange);
    connect(m_ui->remove, &QPushButton::clicked, this, &CEventSettingDlg::DeleteRanges);
    connect(m_ui->buttons, &QDialogButtonBox::accepted, this, &CEventSettingDlg::accept);
    connect(m_ui->buttons, &QDialogButtonBox::rejected, this, &CEventSettingDlg::reject);
}

CEventSettingDlg::~CEventSettingDlg() = default;

QTreeWidget* CEventSettingDlg::EventList() const {
    return m_ui->events;
}
QPushButton* CEventSettingDlg::SniffButton() const {
    return m_ui->sniff;
}
QPushButton* CEventSettingDlg::MailButton() const {
    return m_ui->mail;
}
QRadioButton* CEventSettingDlg::AllNodesButton() const {
    return m_ui->allNodes;
}
QRadioButton* CEventSettingDlg::SomeNodesButton() const {
    return m_ui->someNodes;
}
QTreeWidget* CEventSettingDlg::RangeList() const {
    return m_ui->ranges;
}
QPushButton* CEventSettingDlg::AddButton() const {
    return m_ui->add;
}
QPushButton* CEventSettingDlg::DeleteButton() const {
    return m_ui->remove;
}

void CEventSettingDlg::FillEvents() {
    const QList<QPixmap> images = EventImages();
    for (int kind = 0; kind < EVENT_KIND_COUNT; ++kind) {
        auto* row = new QTreeWidgetItem(m_ui->events);
        row->setIcon(COL_EVENT, images.value(kind));
        row->setText(COL_ENABLED, EnabledText(m_engine.ReadEventSettings(kind).enabled));
        row->setTextAlignment(COL_ENABLED, Qt::AlignCenter);
        row->setText(COL_INFO, FromCp932(EventKindText(kind)));
    }
}

void CEventSettingDlg::FillRanges() {
    for (const IpRange& range : m_engine.ListRanges(RangeList::Action)) {
        m_ui->ranges->addTopLevelItem(RangeRow(range));
    }
}

void CEventSettingDlg::EditEvent(int kind) {
    if (kind < 0) {
        return;
    }
    CEventActionDlg dialog(m_engine, m_prompt, kind, this);
    if (dialog.exec() == QDialog::Accepted) {
        m_ui->events->topLevelItem(kind)->setText(COL_ENABLED,
                                                  EnabledText(dialog.Record().enabled));
    }
}

void CEventSettingDlg::EnableRanges(bool someNodes) {
    m_ui->ranges->setEnabled(someNodes);
    m_ui->add->setEnabled(someNodes);
    m_ui->remove->setEnabled(someNodes);
}

void CEventSettingDlg::AddRange() {
    CActionRangeDlg dialog(m_prompt, this);
    if (dialog.exec() == QDialog::Accepted) {
        m_ui->ranges->addTopLevelItem(RangeRow(dialog.Range()));
        m_rangesChanged = true;
    }
}

void CEventSettingDlg::DeleteRanges() {
    qDeleteAll(m_ui->ranges->selectedItems());
    m_rangesChanged = true;
}

void CEventSettingDlg::EditSniffing() {
    CSniffSettingDlg dialog(m_engine, this);
    dialog.exec();
}

void CEventSettingDlg::accept() {
    std::optional<std::vector<IpRange>> ranges;
    if (m_rangesChanged) {
        ranges.emplace();
        for (int i = 0; i < m_ui->ranges->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = m_ui->ranges->topLevelItem(i);
            ranges->push_back(
                {InetAddr(row->text(0).toStdString()), InetAddr(row->text(1).toStdString())});
        }
    }
    const CommandResult change = m_engine.ApplyEventNodes(m_ui->allNodes->isChecked(), ranges);
    if (change.outcome == CommandResult::REFUSED) {
        ShowStop(m_prompt, change.message);
        return;
    }
    if (change.outcome == CommandResult::DONE) {
        QDialog::accept();
    }
}

}  // namespace halvera
