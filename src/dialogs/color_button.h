#pragma once

#include <QColor>
#include <QPushButton>

namespace halvera {

// A push button drawn as a filled face of one colour: the colour dialog shows each list
// colour on one. The caption, when there is one, is drawn centred in the text colour.
class CColorButton : public QPushButton {
    Q_OBJECT

  public:
    explicit CColorButton(QWidget* parent = nullptr);

    QColor FaceColour() const { return m_face; }
    void SetFaceColour(const QColor& colour);
    void SetTextColour(const QColor& colour);
    void SetDisabledTextColour(const QColor& colour);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor m_text{0, 0, 0};
    QColor m_face{192, 192, 192};
    QColor m_disabledText{128, 128, 128};
};

}  // namespace halvera
