#pragma once

#include <QHeaderView>
#include <QTableView>

namespace quarvel {

class RecordGridDelegate;
class RecordGridModel;

/// The row header of the record grid: the two fixed columns "Linia" (line number) and "Status" (glyphs)
/// side by side in every section. Being a header, they stay put when the cells scroll sideways and can
/// never be selected.
class RecordRowHeader final : public QHeaderView {
    Q_OBJECT

public:
    explicit RecordRowHeader(const RecordGridModel& model, QWidget* parent = nullptr);

    /// Widths of the line-number and status parts: the logic's column set-up, the line numbers' part
    /// widened where the longest line number of the rows would not fit.
    int lineWidth() const { return m_lineWidth; }
    int statusWidth() const;
    /// Measures the line numbers of the rows now held, in the header's font and style.
    void fitLineNumbers();

    QSize sizeHint() const override;

    /// Paints the two header cells of the fixed columns into `area` (the view's top-left corner).
    void paintCorner(QPainter& painter, const QRect& area) const;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    void paintPlainSection(QPainter& painter, const QRect& rect, const QString& text) const;

    const RecordGridModel& m_model;
    int m_lineWidth = 0;
};

/// The record grid: one current cell, no editing, no range or row selection, uniform row heights.
/// It reports the user's choice of a cell in grid coordinates (column 2 and row 1 are the first field
/// cell) and lets the window set the current cell without being told back.
class RecordGridView final : public QTableView {
    Q_OBJECT

public:
    explicit RecordGridView(RecordGridModel& model, QWidget* parent = nullptr);

    /// Applies the column widths of the logic's set-up and the uniform row height, after a refill.
    void applyColumns();
    /// Makes the grid cell (column, row) current without reporting it; anything else clears the current cell.
    void showCurrentCell(int column, int row);

    RecordRowHeader* rowHeader() const { return m_rowHeader; }
    int rowHeight() const { return m_rowHeight; }

signals:
    /// The user chose a cell, by mouse or keyboard, also the one that was already current.
    void cellSelected(int column, int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void onCurrentChanged(const QModelIndex& current);

    RecordGridModel& m_model;
    RecordGridDelegate* m_delegate = nullptr;
    RecordRowHeader* m_rowHeader = nullptr;
    QWidget* m_corner = nullptr;
    int m_rowHeight = 18;
    bool m_settingCurrent = false;
};

} // namespace quarvel
