#pragma once

#include "AccountTotalsTable.h"

#include <QDialog>

#include <vector>

class QTableWidget;

namespace quarvel {

/// The totals of the valid payment orders per debited account, one row per account: the batches the bank
/// makes and asks the user to confirm. It shows the rows it is given and closes with Esc or its button.
class AccountTotalsDialog final : public QDialog {
public:
    AccountTotalsDialog(const std::vector<AccountTotalsRow>& rows, QWidget* parent);

private:
    QTableWidget* m_table = nullptr;
};

} // namespace quarvel
