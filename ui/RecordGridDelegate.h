#pragma once

#include "RecordGrid.h"

#include <QStyledItemDelegate>

class QPainter;

namespace quarvel {

class RecordGridModel;

/// Paints the field cells of the record grid as the logic describes them: the background over the whole
/// cell (covering the view's own selection highlight), the text in black 2 pixels in from the left and top
/// edges, and a one-pixel frame inside the cell, black on the selected cell and white on all others.
class RecordGridDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit RecordGridDelegate(const RecordGridModel& model, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    /// Size of a status glyph, in pixels.
    static constexpr int kGlyphSize = 10;

    /// Draws one 10 x 10 status glyph with its top-left corner at `topLeft`; Glyph::None draws nothing.
    static void paintGlyph(QPainter& painter, Glyph glyph, QPoint topLeft);
    /// Draws the glyphs of a status cell whose rectangle is `cell`, where the logic places them.
    static void paintStatusGlyphs(QPainter& painter, const QRect& cell, const CellAppearance& look);

private:
    const RecordGridModel& m_model;
};

} // namespace quarvel
