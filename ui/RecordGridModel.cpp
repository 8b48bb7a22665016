#include "RecordGridModel.h"

#include "QtUserInterface.h"

#include <QBrush>
#include <QColor>

namespace quarvel {

RecordGridModel::RecordGridModel(const Session& session, QObject* parent) : QAbstractTableModel(parent), m_session(session) {
    m_rows = gridRowCount(m_session.state) - 1;
    m_columns = std::max(0, gridColumnCount(m_session.state) - kFixedColumns);
}

int RecordGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int RecordGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columns;
}

QVariant RecordGridModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
    switch (role) {
    case Qt::DisplayRole:
        return displayText(cellText(m_session, gridColumn(index.column()), gridRow(index.row())));
    case Qt::AccessibleDescriptionRole:
    case Qt::ToolTipRole: {
        const QString text = displayText(cellDescription(m_session, gridColumn(index.column()), gridRow(index.row())));
        return text.isEmpty() ? QVariant() : QVariant(text);
    }
    case Qt::BackgroundRole: {
        const CellAppearance look = appearance(index);
        if (look.kind != CellKind::Field) return {};
        return QBrush(toQColor(look.background));
    }
    default:
        return {};
    }
}

QVariant RecordGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (section < 0) return {};
    if (orientation == Qt::Horizontal) {
        if (section >= m_columns) return {};
        if (role == Qt::DisplayRole) return headerText(gridColumn(section));
    } else {
        if (section >= m_rows) return {};
        if (role == Qt::DisplayRole) return displayText(cellText(m_session, 0, gridRow(section)));
        // The row header shows the status signs too: what they mean, in words.
        if (role == Qt::AccessibleDescriptionRole || role == Qt::ToolTipRole) {
            return displayText(cellDescription(m_session, 1, gridRow(section)));
        }
    }
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

Qt::ItemFlags RecordGridModel::flags(const QModelIndex& index) const {
    // Cells are shown and selected, never edited.
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void RecordGridModel::beginRefill() {
    if (m_refilling) return;
    m_refilling = true;
    beginResetModel();
}

void RecordGridModel::endRefill() {
    if (!m_refilling) return;
    m_rows = gridRowCount(m_session.state) - 1;
    m_columns = std::max(0, gridColumnCount(m_session.state) - kFixedColumns);
    m_refilling = false;
    endResetModel();
}

CellAppearance RecordGridModel::appearance(const QModelIndex& index) const {
    if (!index.isValid()) return {};
    return getCellAppearance(m_session, gridColumn(index.column()), gridRow(index.row()));
}

CellAppearance RecordGridModel::statusAppearance(int modelRow) const {
    if (modelRow < 0 || modelRow >= m_rows) return {};
    return getCellAppearance(m_session, 1, gridRow(modelRow));
}

QString RecordGridModel::headerText(int column) const {
    return displayText(cellText(m_session, column, 0));
}

int RecordGridModel::columnWidth(int column) const {
    const std::vector<GridColumn>& columns = m_session.state.grid.columns;
    if (column < 0 || static_cast<std::size_t>(column) >= columns.size()) return 0;
    return columns[static_cast<std::size_t>(column)].width;
}

} // namespace quarvel
