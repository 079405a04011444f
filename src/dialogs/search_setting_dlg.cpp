#include "dialogs/search_setting_dlg.h"

#include <QHeaderView>
#include <QPushButton>

#include "base/ip_address.h"
#include "dialogs/search_address_dlg.h"
#include "lists/list_table.h"
#include "store/search_settings_check.h"
#include "ui_search_setting_dlg.h"
#include "views/grid_line_delegate.h"
#include "views/qt_text.h"

namespace halvera {
namespace {

constexpr int RANGE_COLUMN_WIDTH = 130;

// In the order of POLL_UNITS.
const QString UNIT_NAMES[POLL_UNIT_COUNT] = {QStringLiteral("分"), QStringLiteral("時"),
                                             QStringLiteral("日")};

void FillUnits(QComboBox* list, int selected) {
    for (const QString& name : UNIT_NAMES) {
        list->addItem(name);
    }
    list->setCurrentIndex(selected);
}

}  // namespace

CSearchSettingDlg::CSearchSettingDlg(Engine& engine, Prompt& prompt, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CSearchSettingDlg>()),
      m_engine(engine),
      m_prompt(prompt) {
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("Halvera: Search Option"));
    QFont bold = m_ui->heading->font();
    bold.setBold(true);
    m_ui->heading->setFont(bold);
    m_ui->buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("ｷｬﾝｾﾙ"));
    m_ui->ranges->setItemDelegate(new GridLineDelegate(m_ui->ranges));
    m_ui->ranges->header()->setSectionsMovable(true);
    m_ui->ranges->header()->setStretchLastSection(false);
    m_ui->ranges->setColumnWidth(0, RANGE_COLUMN_WIDTH);
    m_ui->ranges->setColumnWidth(1, RANGE_COLUMN_WIDTH);

    FillAdapters();
    FillPolling();
    FillRanges();

    connect(m_ui->add, &QPushButton::clicked, this, &CSearchSettingDlg::AddRange);
    connect(m_ui->remove, &QPushButton::clicked, this, &CSearchSettingDlg::DeleteRanges);
    connect(m_ui->buttons, &QDialogButtonBox::accepted, this, &CSearchSettingDlg::accept);
    connect(m_ui->buttons, &QDialogButtonBox::rejected, this, &CSearchSettingDlg::reject);
}

CSearchSettingDlg::~CSearchSettingDlg() = default;

QComboBox* CSearchSettingDlg::AdapterList() const {
    return m_ui->adapter;
}
QLabel* CSearchSettingDlg::RightsHint() const {
    return m_ui->rightsHint;
}
QCheckBox* CSearchSettingDlg::NewEnableBox() const {
    return m_ui->newEnable;
}
QLineEdit* CSearchSettingDlg::NewTimeEdit() const {
    return m_ui->newTime;
}
QComboBox* CSearchSettingDlg::NewUnitList() const {
    return m_ui->newUnit;
}
QCheckBox* CSearchSettingDlg::LookEnableBox() const {
    return m_ui->lookEnable;
}
QLineEdit* CSearchSettingDlg::LookTimeEdit() const {
    return m_ui->lookTime;
}
QComboBox* CSearchSettingDlg::LookUnitList() const {
    return m_ui->lookUnit;
}
QCheckBox* CSearchSettingDlg::NodeDispBox() const {
    return m_ui->nodeDisp;
}
QLineEdit* CSearchSettingDlg::TimeoutEdit() const {
    return m_ui->timeout;
}
QLineEdit* CSearchSettingDlg::RetryEdit() const {
    return m_ui->retry;
}
QLineEdit* CSearchSettingDlg::SendRateEdit() const {
    return m_ui->sendRate;
}
std::vector<std::pair<std::string_view, QLineEdit*>> CSearchSettingDlg::NumberEdits() const {
    return {{"TIMEOUT", m_ui->timeout}, {"RETRY", m_ui->retry}, {"SENDRATE", m_ui->sendRate}};
}
QTreeWidget* CSearchSettingDlg::RangeList() const {
    return m_ui->ranges;
}
QPushButton* CSearchSettingDlg::AddButton() const {
    return m_ui->add;
}
QPushButton* CSearchSettingDlg::DeleteButton() const {
    return m_ui->remove;
}

void CSearchSettingDlg::FillAdapters() {
    // The adapter is chosen for searching; a user who may not search learns why before
    // choosing one in vain.
    const std::string advice = m_engine.SearchRightsAdvice();
    m_ui->rightsHint->setText(FromCp932(advice));
    m_ui->rightsHint->setVisible(!advice.empty());
    const auto adapters = m_engine.ListAdapters();
    if (!adapters) {
        return;
    }
    for (const CaptureAdapter& adapter : *adapters) {
        m_ui->adapter->addItem(FromCp932(AdapterDisplayName(adapter)));
    }
    const int adpnum = m_engine.Settings().App().ADPNUM;
    m_ui->adapter->setCurrentIndex(adpnum < m_ui->adapter->count() ? adpnum : -1);
}

void CSearchSettingDlg::FillPolling() {
    const SearchSettingsEntry entry = SearchSettingsEntryOf(m_engine.Settings().App());
    m_ui->newEnable->setChecked(entry.newEnable);
    m_ui->newTime->setText(QString::fromStdString(entry.newTime));
    FillUnits(m_ui->newUnit, entry.newUnit);
    m_ui->lookEnable->setChecked(entry.lookEnable);
    m_ui->lookTime->setText(QString::fromStdString(entry.lookTime));
    FillUnits(m_ui->lookUnit, entry.lookUnit);
    m_ui->nodeDisp->setChecked(entry.nodeDisp);
    for (const auto& [key, edit] : NumberEdits()) {
        edit->setText(QString::fromStdString(entry.numbers.find(key)->second));
    }
}

void CSearchSettingDlg::FillRanges() {
    for (const IpRange& range : m_engine.ListRanges(RangeList::Search)) {
        m_ui->ranges->addTopLevelItem(
            new QTreeWidgetItem({QString::fromStdString(FormatIp(range.start)),
                                 QString::fromStdString(FormatIp(range.end))}));
    }
}

void CSearchSettingDlg::AddRange() {
    const LocalAdapterInfo local = m_engine.LocalAdapter();
    CSearchAddressDlg dialog(m_prompt, local.ownAddress, local.subnetMask, this);
    if (dialog.exec() == QDialog::Accepted) {
        const IpRange range = dialog.Range();
        m_ui->ranges->addTopLevelItem(
            new QTreeWidgetItem({QString::fromStdString(FormatIp(range.start)),
                                 QString::fromStdString(FormatIp(range.end))}));
    }
    // A cancelled range dialog still has OK rewrite the range file, with the same rows.
    m_rangesChanged = true;
}

void CSearchSettingDlg::DeleteRanges() {
    qDeleteAll(m_ui->ranges->selectedItems());
    m_rangesChanged = true;
}

SearchSettingsEntry CSearchSettingDlg::Entry() const {
    SearchSettingsEntry entry;
    if (m_ui->adapter->currentIndex() >= 0) {
        entry.adapter = m_ui->adapter->currentIndex();
    }
    entry.newEnable = m_ui->newEnable->isChecked();
    entry.newTime = m_ui->newTime->text().toStdString();
    entry.newUnit = m_ui->newUnit->currentIndex();
    entry.lookEnable = m_ui->lookEnable->isChecked();
    entry.lookTime = m_ui->lookTime->text().toStdString();
    entry.lookUnit = m_ui->lookUnit->currentIndex();
    entry.nodeDisp = m_ui->nodeDisp->isChecked();
    for (const auto& [key, edit] : NumberEdits()) {
        entry.numbers[std::string(key)] = edit->text().toStdString();
    }
    if (m_rangesChanged) {
        std::vector<IpRange> ranges;
        for (int i = 0; i < m_ui->ranges->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = m_ui->ranges->topLevelItem(i);
            ranges.push_back(
                {InetAddr(row->text(0).toStdString()), InetAddr(row->text(1).toStdString())});
        }
        entry.ranges = std::move(ranges);
    }
    return entry;
}

void CSearchSettingDlg::accept() {
    const CommandResult change = m_engine.ApplySearchSettings(Entry());
    if (change.outcome == CommandResult::REFUSED) {
        ShowStop(m_prompt, change.message);
        return;
    }
    if (change.outcome == CommandResult::DONE) {
        QDialog::accept();
    }
}

}  // namespace halvera
