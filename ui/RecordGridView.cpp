#include "RecordGridView.h"

#include "RecordGridDelegate.h"
#include "RecordGridModel.h"

#include <QAbstractButton>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>

#include <algorithm>

namespace quarvel {
namespace {

constexpr int kDesignRowHeight = 18;
constexpr int kDesignFixedWidth = 50;
constexpr int kDesignMinFieldWidth = 120;

} // namespace

RecordRowHeader::RecordRowHeader(const RecordGridModel& model, QWidget* parent)
    : QHeaderView(Qt::Vertical, parent), m_model(model) {
    setSectionsClickable(false);
    setHighlightSections(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setMinimumSectionSize(1);
    setSectionResizeMode(QHeaderView::Fixed);
    fitLineNumbers();
}

void RecordRowHeader::fitLineNumbers() {
    const int design = m_model.columnWidth(0) > 0 ? m_model.columnWidth(0) : kDesignFixedWidth;
    const int rows = m_model.rowCount();
    if (rows == 0) {
        m_lineWidth = design;
        return;
    }
    // The rows ascend, so the last line number has the most digits; measured as that many of the font's
    // widest digit, it holds every number of the grid.
    const qsizetype digits = m_model.headerData(rows - 1, Qt::Vertical).toString().size();
    QChar widest = QLatin1Char('0');
    for (char digit = '1'; digit <= '9'; ++digit) {
        if (fontMetrics().horizontalAdvance(QLatin1Char(digit)) > fontMetrics().horizontalAdvance(widest)) {
            widest = QLatin1Char(digit);
        }
    }
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.text = QString(digits, widest);
    option.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    const QSize needed = style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this);
    m_lineWidth = std::max(design, needed.width());
}

int RecordRowHeader::statusWidth() const {
    const int width = m_model.columnWidth(1);
    return width > 0 ? width : kDesignFixedWidth;
}

QSize RecordRowHeader::sizeHint() const {
    // The base class would measure the texts of the sections, which for a million rows is both slow and
    // not what the grid wants: the widths are the logic's.
    return QSize(lineWidth() + statusWidth(), defaultSectionSize());
}

void RecordRowHeader::paintPlainSection(QPainter& painter, const QRect& rect, const QString& text) const {
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = rect;
    option.text = text;
    option.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.position = QStyleOptionHeader::Middle;
    option.state |= QStyle::State_Enabled;
    style()->drawControl(QStyle::CE_Header, &option, &painter, this);
}

void RecordRowHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    const QRect lineRect(rect.left(), rect.top(), lineWidth(), rect.height());
    const QRect statusRect(lineRect.right() + 1, rect.top(), rect.width() - lineRect.width(), rect.height());
    painter->save();
    paintPlainSection(*painter, lineRect, m_model.headerData(logicalIndex, Qt::Vertical).toString());
    paintPlainSection(*painter, statusRect, QString());
    RecordGridDelegate::paintStatusGlyphs(*painter, statusRect, m_model.statusAppearance(logicalIndex));
    painter->restore();
}

void RecordRowHeader::paintCorner(QPainter& painter, const QRect& area) const {
    const QRect lineRect(area.left(), area.top(), lineWidth(), area.height());
    const QRect statusRect(lineRect.right() + 1, area.top(), area.width() - lineRect.width(), area.height());
    paintPlainSection(painter, lineRect, m_model.headerText(0));
    paintPlainSection(painter, statusRect, m_model.headerText(1));
}

RecordGridView::RecordGridView(RecordGridModel& model, QWidget* parent) : QTableView(parent), m_model(model) {
    m_rowHeader = new RecordRowHeader(model, this);
    setVerticalHeader(m_rowHeader);
    setModel(&model);
    m_delegate = new RecordGridDelegate(model, this);
    setItemDelegate(m_delegate);

    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);

    QHeaderView* columns = horizontalHeader();
    columns->setSectionsClickable(false);
    columns->setHighlightSections(false);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setMinimumSectionSize(1);
    columns->setDefaultSectionSize(kDesignMinFieldWidth);
    columns->setSectionResizeMode(QHeaderView::Fixed);

    // The top-left corner holds the header cells of the two fixed columns.
    m_corner = findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
    if (m_corner) m_corner->installEventFilter(this);

    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) { onCurrentChanged(current); });
    applyColumns();
}

void RecordGridView::applyColumns() {
    m_rowHeight = std::max(kDesignRowHeight, fontMetrics().height() + 4);
    if (m_rowHeader->defaultSectionSize() != m_rowHeight) m_rowHeader->setDefaultSectionSize(m_rowHeight);
    horizontalHeader()->setFixedHeight(m_rowHeight);
    QHeaderView* columns = horizontalHeader();
    for (int c = 0; c < m_model.columnCount(); ++c) {
        const int width = m_model.columnWidth(RecordGridModel::gridColumn(c));
        if (width > 0 && columns->sectionSize(c) != width) columns->resizeSection(c, width);
    }
    m_rowHeader->fitLineNumbers();
    m_rowHeader->updateGeometry();
    updateGeometries();
    if (m_corner) m_corner->update();
}

void RecordGridView::showCurrentCell(int column, int row) {
    QModelIndex wanted;
    if (row >= 1 && column >= RecordGridModel::kFixedColumns) {
        wanted = m_model.index(row - 1, column - RecordGridModel::kFixedColumns);
    }
    if (selectionModel()->currentIndex() == wanted) return;
    m_settingCurrent = true;
    if (wanted.isValid()) {
        selectionModel()->setCurrentIndex(wanted, QItemSelectionModel::ClearAndSelect);
    } else {
        selectionModel()->clear();
    }
    m_settingCurrent = false;
}

void RecordGridView::onCurrentChanged(const QModelIndex& current) {
    if (m_settingCurrent || !current.isValid()) return;
    emit cellSelected(RecordGridModel::gridColumn(current.column()), RecordGridModel::gridRow(current.row()));
}

void RecordGridView::mousePressEvent(QMouseEvent* event) {
    const QModelIndex before = currentIndex();
    QTableView::mousePressEvent(event);
    // Choosing the cell that is already current changes nothing in the selection model, but it is still
    // the user's choice of that cell: it shows the details, as after a refill.
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (hit.isValid() && hit == before && hit == currentIndex()) {
        emit cellSelected(RecordGridModel::gridColumn(hit.column()), RecordGridModel::gridRow(hit.row()));
    }
}

bool RecordGridView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_corner && event->type() == QEvent::Paint) {
        QPainter painter(m_corner);
        m_rowHeader->paintCorner(painter, m_corner->rect());
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

} // namespace quarvel
