#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace halvera::test {

// Clicks a check box or radio button on its indicator: the middle of a button laid out wider
// than its text lies beyond the text, where a click does nothing.
inline void ClickIndicator(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

// Clicks a button of the dialog's button box.
inline void ClickBox(QDialog& dialog, QDialogButtonBox::StandardButton which) {
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(which), Qt::LeftButton);
}

// Pastes over the edit's text as a user does: the edit's length limit applies.
inline void Paste(QLineEdit* edit, const QString& text) {
    QApplication::clipboard()->setText(text);
    edit->selectAll();
    edit->paste();
}

}  // namespace halvera::test
