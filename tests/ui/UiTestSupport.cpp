#include "UiTestSupport.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace quarvel::test {

Windows::Windows()
    : mainWindow(main), log(mainWindow.session().state.logText, mainWindow.userInterface(), &mainWindow, &mainWindow.session()) {
    mainWindow.userInterface().setAnswers(&answers);
    mainWindow.setLogWindow(&log);
    mainWindow.show();
    if (!QTest::qWaitForWindowExposed(&mainWindow)) ADD_FAILURE() << "the main window was never shown";
}

Windows::~Windows() {
    mainWindow.userInterface().setAnswers(nullptr);
}

std::filesystem::path Windows::example(const std::string& name) const {
    const std::filesystem::path copy = dir.path() / name;
    std::filesystem::copy_file(ExamplePath(name), copy, std::filesystem::copy_options::overwrite_existing);
    return copy;
}

void Windows::open(const std::filesystem::path& file) {
    answers.filesToOpen.emplace_back(file);
    click("openButton");
}

void Windows::click(const char* name) const {
    auto* button = find<QAbstractButton>(name);
    if (!button) {
        ADD_FAILURE() << "no control " << name;
        return;
    }
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    Settle();
}

QString Windows::text(const char* labelName) const {
    const auto* label = find<QLabel>(labelName);
    return label ? label->text() : QStringLiteral("<no label>");
}

RecordGridView* Windows::grid() const {
    return find<RecordGridView>("recordGrid");
}

RecordGridModel* Windows::model() const {
    return static_cast<RecordGridModel*>(grid()->model());
}

int Windows::rowOfLine(int lineNumber) const {
    const RecordGridModel* m = model();
    for (int row = 0; row < m->rowCount(); ++row) {
        if (m->headerData(row, Qt::Vertical).toString() == QString::number(lineNumber)) return row;
    }
    return -1;
}

void Windows::clickCell(int modelRow, int modelColumn) const {
    RecordGridView* view = grid();
    const QModelIndex index = model()->index(modelRow, modelColumn);
    view->scrollTo(index);
    Settle();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    Settle();
}

void FinishWork() {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<MainWindow*>(top)) {
            if (!QTest::qWaitFor([window] { return !window->isWorking(); }, 120000)) {
                ADD_FAILURE() << "a command's work never ended";
            }
        }
    }
}

void Settle() {
    for (int k = 0; k < 3; ++k) QApplication::processEvents();
    FinishWork();
    for (int k = 0; k < 3; ++k) QApplication::processEvents();
}

QColor PixelOf(QWidget& widget, QPoint at) {
    const QImage image = widget.grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    return image.pixelColor(QPoint(static_cast<int>(at.x() * ratio), static_cast<int>(at.y() * ratio)));
}

bool HasColour(const QImage& image, const QRect& area, const QColor& colour) {
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (image.pixelColor(x, y).rgb() == colour.rgb()) return true;
        }
    }
    return false;
}

} // namespace quarvel::test
