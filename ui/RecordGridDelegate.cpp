#include "RecordGridDelegate.h"

#include "QtUserInterface.h"
#include "RecordGridModel.h"

#include <QPainter>
#include <QPolygon>

#include <array>

namespace quarvel {
namespace {

constexpr QColor kCyan{0x00, 0xFF, 0xFF};
constexpr QColor kTeal{0x00, 0x80, 0x80};
constexpr QColor kPurple{0x80, 0x00, 0x80};
constexpr QColor kMagenta{0xFF, 0x00, 0xFF};
constexpr QColor kLime{0x00, 0xFF, 0x00};
constexpr QColor kDarkGreen{0x00, 0x80, 0x00};
constexpr QColor kOlive{0x80, 0x80, 0x00};
constexpr QColor kYellow{0xFF, 0xFF, 0x00};

// The glyphs are pixel images; smoothing would blur them into the cell colour.
void paintTick(QPainter& p, const QColor& body, const QColor& shade) {
    const QPolygon tick(QList<QPoint>{{0, 4}, {3, 7}, {9, 1}, {9, 3}, {3, 9}, {0, 6}});
    p.setPen(shade);
    p.setBrush(body);
    p.drawPolygon(tick);
}

void paintCross(QPainter& p) {
    QPen body(kPurple, 3, Qt::SolidLine, Qt::SquareCap);
    p.setPen(body);
    p.drawLine(2, 2, 7, 7);
    p.drawLine(7, 2, 2, 7);
    p.setPen(QPen(kMagenta, 1));
    p.drawLine(2, 2, 7, 7);
    p.drawLine(7, 2, 2, 7);
}

void paintExclamation(QPainter& p) {
    p.setPen(kDarkGreen);
    p.setBrush(kOlive);
    p.drawRect(3, 0, 3, 6); // the bar, 4 x 7 with its edge
    p.drawRect(3, 8, 3, 1); // the dot, 4 x 2
    p.setPen(kYellow);
    p.drawLine(4, 1, 4, 5);
}

} // namespace

RecordGridDelegate::RecordGridDelegate(const RecordGridModel& model, QObject* parent)
    : QStyledItemDelegate(parent), m_model(model) {}

void RecordGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const CellAppearance look = m_model.appearance(index);
    if (look.kind != CellKind::Field) {
        // A row that names no record keeps the view's ordinary look.
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QRect cell = option.rect;
    painter->save();
    painter->fillRect(cell, toQColor(look.background));

    painter->setClipRect(cell);
    painter->setFont(option.font);
    painter->setPen(Qt::black);
    const QRect textArea = cell.adjusted(2, 2, 0, 0);
    painter->drawText(textArea, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, index.data(Qt::DisplayRole).toString());

    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(look.blackFrame ? Qt::black : Qt::white, 0));
    painter->drawRect(cell.adjusted(0, 0, -1, -1));
    painter->restore();
}

void RecordGridDelegate::paintGlyph(QPainter& painter, Glyph glyph, QPoint topLeft) {
    if (glyph == Glyph::None) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.translate(topLeft);
    painter.setClipRect(0, 0, kGlyphSize, kGlyphSize);
    switch (glyph) {
    case Glyph::ValidTick: paintTick(painter, kCyan, kTeal); break;
    case Glyph::Cross: paintCross(painter); break;
    case Glyph::UnchangedTick: paintTick(painter, kLime, kDarkGreen); break;
    case Glyph::Changed: paintExclamation(painter); break;
    case Glyph::None: break;
    }
    painter.restore();
}

void RecordGridDelegate::paintStatusGlyphs(QPainter& painter, const QRect& cell, const CellAppearance& look) {
    if (look.kind != CellKind::Status) return;
    const GlyphPlacement at = glyphPositions(cell.left(), cell.top(), cell.width(), cell.height());
    paintGlyph(painter, look.left, QPoint(at.leftX, at.y));
    paintGlyph(painter, look.right, QPoint(at.rightX, at.y));
}

} // namespace quarvel
