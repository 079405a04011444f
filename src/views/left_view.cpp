#include "views/left_view.h"

#include <QImage>
#include <QMenu>
#include <QVBoxLayout>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "views/event_images.h"

namespace halvera {

namespace {

QImage LoadBannerPicture(Prompt& prompt) {
    const auto path = ProgramFolder() / "back.jpg";
    QImage picture(QString::fromStdString(path.string()));
    if (picture.isNull()) {
        ShowStop(prompt, Sjis("back image read error。"));
    }
    return picture;
}

}  // namespace

CLeftView::CLeftView(ListTable& eventList, SummaryBanner& banner, Prompt& prompt, QWidget* parent)
    : QWidget(parent) {
    m_banner = new SummaryBannerWidget(banner, LoadBannerPicture(prompt), this);

    auto* model = new ListTableModel(eventList);
    model->SetImages(EventImages());
    m_eventList = new ListControl(model, EventListColumns(), this);
    m_eventList->setIconSize(QSize(EVENT_IMAGE_WIDTH, EVENT_IMAGE_HEIGHT));
    m_eventList->EnableGridLines();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_banner);
    layout->addWidget(m_eventList);

    m_popup = new QMenu(this);
    connect(m_popup->addAction(QStringLiteral("選択データを削除する")), &QAction::triggered, this,
            &CLeftView::DeleteSelectedRows);
    connect(m_popup->addAction(QStringLiteral("すべてのデータを削除する")), &QAction::triggered,
            this, [this] { m_eventList->Model()->Table().Clear(); });
    connect(m_eventList, &ListControl::PopupRequested, this,
            [this](const QPoint& globalPos) { m_popup->popup(globalPos); });
}

void CLeftView::ApplyEventColumnMask(int elist) {
    m_eventList->ApplyColumnMask(elist);
}

void CLeftView::ApplyColours(const ListColours& colours) {
    m_eventList->ApplyColours(colours);
}

void CLeftView::DeleteSelectedRows() {
    m_eventList->Model()->Table().RemoveRows(m_eventList->SelectedRows());
}

}  // namespace halvera
