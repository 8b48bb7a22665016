#pragma once

#include "RecordGrid.h"

#include <QAbstractTableModel>

namespace quarvel {

/// The field cells of the record grid, read from the session on demand: no item object and no copy of a
/// value per cell, so a million records show at once. Model row r is grid row r + 1 (grid row 0 is the
/// header) and model column c is grid column c + 2; the two fixed grid columns, line number and status,
/// are drawn by the view's row header.
class RecordGridModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kFixedColumns = 2;

    explicit RecordGridModel(const Session& session, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    /// Call before the logic rebuilds the grid's rows or columns.
    void beginRefill();
    /// Call after it: the model takes over the grid's new size.
    void endRefill();

    static int gridRow(int modelRow) { return modelRow + 1; }
    static int gridColumn(int modelColumn) { return modelColumn + kFixedColumns; }

    /// How the logic says the cell is painted.
    CellAppearance appearance(const QModelIndex& index) const;
    /// The status cell of a model row.
    CellAppearance statusAppearance(int modelRow) const;
    /// Header text of a grid column, fixed ones included.
    QString headerText(int gridColumn) const;
    /// Width of a grid column as the logic set it up; 0 when there is no such column.
    int columnWidth(int gridColumn) const;

    const Session& session() const { return m_session; }

private:
    const Session& m_session;
    // The size the views were told at the last refill; the logic's own lists may already have changed
    // while a command runs.
    int m_rows = 0;
    int m_columns = 0;
    bool m_refilling = false;
};

/// Keeps the model in a reset for the length of a command that may rebuild the grid.
class GridRefill {
public:
    explicit GridRefill(RecordGridModel& model) : m_model(model) { m_model.beginRefill(); }
    ~GridRefill() { m_model.endRefill(); }
    GridRefill(const GridRefill&) = delete;
    GridRefill& operator=(const GridRefill&) = delete;

private:
    RecordGridModel& m_model;
};

} // namespace quarvel
