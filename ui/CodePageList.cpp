#include "CodePageList.h"

#include <QPainter>
#include <QPolygon>
#include <QStyleOptionComboBox>

namespace quarvel {
namespace {

constexpr int kArrowWidth = 7;

} // namespace

CodePageList::CodePageList(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setFocusPolicy(Qt::StrongFocus);
}

void CodePageList::setColours(const QColor& background, const QColor& text) {
    // The open list takes them from the palette; the face is painted here.
    QPalette colours = palette();
    for (const QPalette::ColorRole role : {QPalette::Button, QPalette::Base, QPalette::Window}) {
        colours.setColor(role, background);
    }
    for (const QPalette::ColorRole role : {QPalette::ButtonText, QPalette::Text, QPalette::WindowText}) {
        colours.setColor(role, text);
    }
    if (background == m_background && text == m_text) return;
    m_background = background;
    m_text = text;
    setPalette(colours);
    update();
}

QRect CodePageList::textArea() const {
    QStyleOptionComboBox option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
}

QRect CodePageList::focusFrame() const {
    if (!hasFocus()) return {};
    // Two pixels inside the border, around the text and clear of the arrow.
    return QRect(QPoint(2, 2), QPoint(textArea().right(), height() - 3));
}

void CodePageList::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect face = rect();
    painter.fillRect(face, m_background);
    painter.setPen(palette().color(QPalette::Active, QPalette::Shadow));
    painter.drawRect(face.adjusted(0, 0, -1, -1));

    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QRect arrowArea = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this);
    const QPoint centre = arrowArea.center();
    const int half = kArrowWidth / 2;
    const QPolygon arrow(QList<QPoint>{
        {centre.x() - half, centre.y() - 1}, {centre.x() + half, centre.y() - 1}, {centre.x(), centre.y() + half - 1}});
    painter.setPen(m_text);
    painter.setBrush(m_text);
    painter.drawPolygon(arrow);

    const QRect text = textArea().adjusted(2, 0, -2, 0);
    painter.setFont(font());
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     fontMetrics().elidedText(currentText(), Qt::ElideRight, text.width()));

    if (const QRect frame = focusFrame(); !frame.isEmpty()) {
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(frame.adjusted(0, 0, -1, -1));
    }
}

} // namespace quarvel
