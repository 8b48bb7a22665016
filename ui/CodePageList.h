#pragma once

#include <QColor>
#include <QComboBox>

namespace quarvel {

/// The code-page list of the main window: a drop-down list without free text whose face shows the colours
/// the logic gives it exactly, flat, as the toolkit's styles would shade and lighten them. The keyboard
/// focus is drawn in the text colour, which the logic always chooses to stand out from the background.
class CodePageList final : public QComboBox {
    Q_OBJECT

public:
    explicit CodePageList(QWidget* parent = nullptr);

    /// Colours of the face and of the open list.
    void setColours(const QColor& background, const QColor& text);
    QColor background() const { return m_background; }
    QColor textColour() const { return m_text; }

    /// Where the focus frame is drawn, inside the face; empty while the list has no focus.
    QRect focusFrame() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect textArea() const;

    QColor m_background = Qt::white;
    QColor m_text = Qt::black;
};

} // namespace quarvel
