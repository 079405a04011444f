#include "dialogs/color_button.h"

#include <qdrawutil.h>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace halvera {
namespace {

// The caption and the focus rectangle lie this far inside the border.
constexpr int INSET = 4;

}  // namespace

CColorButton::CColorButton(QWidget* parent) : QPushButton(parent) {}

void CColorButton::SetFaceColour(const QColor& colour) {
    m_face = colour;
    update();
}

void CColorButton::SetTextColour(const QColor& colour) {
    m_text = colour;
    update();
}

void CColorButton::SetDisabledTextColour(const QColor& colour) {
    m_disabledText = colour;
    update();
}

void CColorButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect whole = rect();
    painter.fillRect(whole, m_face);
    const QRect inner = whole.adjusted(INSET, INSET, -INSET, -INSET);
    if (!text().isEmpty()) {
        painter.setPen(m_text);
        painter.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, text());
    }
    const bool sunken = hasFocus() && isDown();
    qDrawWinPanel(&painter, whole, palette(), sunken);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = inner;
        focus.backgroundColor = m_face;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    } else if (!isEnabled() && !text().isEmpty()) {
        painter.setPen(m_disabledText);
        painter.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, text());
    }
}

}  // namespace halvera
