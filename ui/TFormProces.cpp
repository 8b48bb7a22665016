#include "TFormProces.h"

#include "WindowDecorations.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace quarvel {
namespace {

QLabel* makeLabel(QWidget* parent, const QString& text, QPoint at) {
    auto* label = new QLabel(text, parent);
    label->move(at);
    label->adjustSize();
    return label;
}

// A count: bold, right-aligned to x 280 of the group.
QLabel* makeValue(QWidget* parent, const char* name, int y) {
    auto* label = new QLabel(QStringLiteral("0"), parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    label->setGeometry(200, y, 80, label->sizeHint().height());
    return label;
}

void makeSeparator(QWidget* parent, int y) {
    auto* line = new QFrame(parent);
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    line->setGeometry(20, y, 261, 2);
}

} // namespace

TFormProces::TFormProces(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("TFormProces"));
    setWindowTitle(QStringLiteral("Doczytywanie do Selvik7"));
    setFixedSize(324, 249);
    // The design's positions assume the 8-point default font of the program's other windows.
    QFont font = this->font();
    font.setPointSize(8);
    setFont(font);

    auto* group = new QGroupBox(QStringLiteral("Proces zaawansowania doczytywania do Selvik7"), this);
    group->setGeometry(12, 12, 301, 185);

    m_gauge1 = new QProgressBar(group);
    m_gauge1->setObjectName(QStringLiteral("Gauge1"));
    m_gauge1->setGeometry(20, 24, 261, 17);
    m_gauge1->setRange(0, 100);
    m_gauge1->setValue(0);
    m_gauge1->setTextVisible(true);
    m_gauge1->setAlignment(Qt::AlignCenter);
    QPalette gaugeColours = m_gauge1->palette();
    gaugeColours.setColor(QPalette::Highlight, QColor(0xC0, 0xDC, 0xC0));
    gaugeColours.setColor(QPalette::Base, QColor(0xFF, 0xFB, 0xF0));
    gaugeColours.setColor(QPalette::Window, QColor(0xFF, 0xFB, 0xF0));
    m_gauge1->setPalette(gaugeColours);

    auto* labelProces = new QLabel(QStringLiteral("0/0"), group);
    labelProces->setObjectName(QStringLiteral("LabelProces"));
    QFont bold = labelProces->font();
    bold.setBold(true);
    labelProces->setFont(bold);
    labelProces->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    labelProces->setGeometry(16, 48, 269, labelProces->sizeHint().height());

    makeSeparator(group, 68);
    makeLabel(group, QString::fromUtf8("Ilość wszystkich danych wejściowych"), {20, 84});
    makeValue(group, "LabelWszystkieDane", 84);
    makeLabel(group, QString::fromUtf8("Ilość danych doczytanych prawidłowo"), {20, 100});
    makeValue(group, "LabelDaneDoczytaneOK", 100);
    makeLabel(group, QString::fromUtf8("Ilość danych nie doczytanych prawidłowo"), {20, 116});
    makeValue(group, "LabelDaneDoczytaneZle", 116);
    makeSeparator(group, 134);
    makeLabel(group, QString::fromUtf8("Wszystkich danych przetworzono łącznie"), {20, 144});
    makeValue(group, "LabelWszystkiePrzetworozneDane", 144);
    makeLabel(group, QString::fromUtf8("Różnica DaneWejściowe-Doczytane = "), {20, 160});
    makeValue(group, "LabelRoznica", 160);

    m_okBtn = new QPushButton(QStringLiteral("OK"), this);
    m_okBtn->setObjectName(QStringLiteral("OKBtn"));
    m_okBtn->setGeometry(123, 212, 75, 25);
    m_okBtn->setDefault(true);
    m_okBtn->setVisible(false);
    connect(m_okBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
}

void TFormProces::OKBtnClick() {
    m_done = true;
    accept();
}

bool TFormProces::FormCloseQuery() const {
    return m_done || m_closeWithoutDone;
}

void TFormProces::reject() {
    if (FormCloseQuery()) QDialog::reject();
}

void TFormProces::showEvent(QShowEvent* event) {
    // Before the window is mapped, so that the window manager frames it without buttons from the start.
    setTitleBarWithoutButtons(*this);
    QDialog::showEvent(event);
}

void TFormProces::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace quarvel
