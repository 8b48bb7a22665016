#pragma once

#include <QDialog>

class QCloseEvent;
class QShowEvent;
class QLabel;
class QProgressBar;
class QPushButton;

namespace quarvel {

/// The progress window of a transfer into Selvik7: built at start-up and kept hidden, since no operation
/// of the tool shows it. Once shown, it refuses to close until its "OK" button was pressed.
class TFormProces final : public QDialog {
    Q_OBJECT

public:
    explicit TFormProces(QWidget* parent = nullptr);

    /// "OK": sets the done flag and closes the window.
    void OKBtnClick();
    /// Whether the window may close now.
    bool FormCloseQuery() const;

    bool isDone() const { return m_done; }

public slots:
    /// Escape and every other way of dismissing the dialog pass the closing rule.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool m_done = false;
    /// The closing rule's second condition; nothing sets it during a run.
    bool m_closeWithoutDone = false;

    QProgressBar* m_gauge1 = nullptr;
    QPushButton* m_okBtn = nullptr;
};

} // namespace quarvel
