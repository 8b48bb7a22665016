#include "AccountTotalsDialog.h"

#include "QtUserInterface.h"
#include "ViewTexts.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace quarvel {
namespace {

QTableWidgetItem* makeCell(const std::string& text, Qt::Alignment alignment) {
    auto* cell = new QTableWidgetItem(displayText(text));
    cell->setTextAlignment(alignment | Qt::AlignVCenter);
    cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return cell;
}

} // namespace

AccountTotalsDialog::AccountTotalsDialog(const std::vector<AccountTotalsRow>& rows, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("accountTotalsDialog"));
    setWindowTitle(displayText(texts::kAccountTotalsTitle));
    setSizeGripEnabled(true);

    auto* layout = new QVBoxLayout(this);
    m_table = new QTableWidget(static_cast<int>(rows.size()), static_cast<int>(texts::kAccountTotalsColumns.size()), this);
    m_table->setObjectName(QStringLiteral("accountTotalsTable"));
    m_table->setAccessibleName(windowTitle());
    QStringList headers;
    for (const std::string& header : texts::kAccountTotalsColumns) headers << displayText(header);
    m_table->setHorizontalHeaderLabels(headers);
    m_table->verticalHeader()->setVisible(false);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false);
    m_table->setWordWrap(false);
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const int row = static_cast<int>(k);
        m_table->setItem(row, 0, makeCell(rows[k].account, Qt::AlignLeft));
        m_table->setItem(row, 1, makeCell(rows[k].records, Qt::AlignRight));
        m_table->setItem(row, 2, makeCell(rows[k].total, Qt::AlignRight));
    }
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(displayText(texts::kClose), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("bZamknij"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // Wide enough for every column, and tall enough for the rows the screen has room for.
    int width = m_table->frameWidth() * 2 + 24;
    for (int column = 0; column < m_table->columnCount(); ++column) width += m_table->columnWidth(column);
    const int rowsShown = std::clamp(m_table->rowCount(), 3, 20);
    int height = m_table->horizontalHeader()->sizeHint().height() + rowsShown * m_table->verticalHeader()->defaultSectionSize() +
                 m_table->frameWidth() * 2 + buttons->sizeHint().height() + 40;
    if (const QScreen* screen = parent != nullptr ? parent->screen() : this->screen()) {
        const QRect area = screen->availableGeometry();
        width = std::min(width, area.width());
        height = std::min(height, area.height() * 3 / 4);
    }
    resize(std::max(width, buttons->sizeHint().width()), height);
    m_table->setFocus();
}

} // namespace quarvel
