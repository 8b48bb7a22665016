// Writes pictures of the windows, for a look by eye: the compact main window before and after a load, the
// details of a contractors file with faulty, corrected and optional cells, the log window and the
// progress window, and two of Qt's own dialogs in Polish (the open dialog and a message box).
// Usage: quarvel_screenshots [FOLDER]   (default: build/screenshots)

#include "ProgramWindows.h"
#include "RecordGridModel.h"
#include "RecordGridView.h"
#include "TFormGlow.h"
#include "TFormLOG.h"
#include "TFormProces.h"

#include "support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>

namespace {

using namespace quarvel;

void settle() {
    for (int k = 0; k < 5; ++k) QApplication::processEvents();
}

bool save(QWidget& window, const QString& folder, const char* name) {
    settle();
    const QString file = QDir(folder).filePath(QString::fromLatin1(name));
    if (!window.grab().save(file)) {
        std::fprintf(stderr, "Nie można zapisać %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

// Runs `open`, which shows a modal dialog, photographs the dialog once it is up and closes it as a
// cancel would.
bool saveModal(const QString& folder, const char* name, const std::function<void()>& open) {
    bool saved = false;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog) return;
        poll.stop();
        saved = save(*dialog, folder, name);
        if (auto* asked = qobject_cast<QDialog*>(dialog)) asked->reject();
    });
    poll.start();
    open();
    return saved;
}

// The first field cell, from column `fromColumn` on, whose look and record status pass `wanted`.
template <typename Wanted>
QModelIndex firstCell(const RecordGridModel& model, Wanted wanted, int fromColumn) {
    for (int row = 0; row < model.rowCount(); ++row) {
        const Glyph status = model.statusAppearance(row).left;
        for (int column = std::max(0, fromColumn); column < model.columnCount(); ++column) {
            const QModelIndex index = model.index(row, column);
            if (wanted(model.appearance(index), status)) return index;
        }
    }
    return {};
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    InstallToolkitTranslation(application);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("build/screenshots");
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "Nie można utworzyć folderu %s\n", qPrintable(folder));
        return 1;
    }

    // The examples are copied, since saving writes its output beside the input. The contractors get two
    // more records, so that every glyph and colour shows: one that needs no correction (green tick) and
    // one whose over-long phone number the trim option cuts (light yellow beside the grey optional cells).
    const test::TempDir dir;
    std::filesystem::copy_file(test::ExamplePath("zlecenia_ibm_latin2.txt"), dir.path() / "zlecenia_ibm_latin2.txt");
    dir.write("kontrahenci_mazovia.txt",
              test::ReadFile(test::ExamplePath("kontrahenci_mazovia.txt")) +
                  "Kwiaciarnia Roza|Ewa Lis|ul. Polna 1|00-001 Warszawa|61109010140000071219812874|Bank Polski|"
                  "Oddzial 2|ul. Prosta 2|00-002 Warszawa|ROZA|5260000000|+48 22 000 00 00|+48 22 000 00 01\r\n"
                  "Kwiaciarnia Lilia|Jan Lis|ul. Polna 3|00-001 Warszawa|61109010140000071219812874|Bank Polski|"
                  "Oddzial 2|ul. Prosta 2|00-002 Warszawa|LILIA|5260000001|+48 22 000 00 02 wew. 12, 13 lub 14|\r\n");

    QueuedAnswers answers;
    TFormGlow glow(test::kDecember7);
    glow.userInterface().setAnswers(&answers);
    TFormProces proces(&glow);
    TFormLOG log(glow.session().state.RichEditLOG, glow.userInterface(), &glow);
    glow.setLogWindow(&log);
    glow.show();

    bool ok = save(glow, folder, "01_glowne_start.png");

    answers.filesToOpen.emplace_back(dir.path() / "zlecenia_ibm_latin2.txt");
    glow.findChild<QPushButton*>(QStringLiteral("bOtworzPlik"))->click();
    ok = save(glow, folder, "02_glowne_zlecenia.png") && ok;

    answers.filesToOpen.emplace_back(dir.path() / "kontrahenci_mazovia.txt");
    glow.findChild<QPushButton*>(QStringLiteral("bOtworzPlik"))->click();
    glow.findChild<QCheckBox*>(QStringLiteral("cbPokazSzczegoly"))->click();
    glow.findChild<QRadioButton*>(QStringLiteral("RadioGroupRodzajDanych0"))->click();
    auto* grid = glow.findChild<RecordGridView*>(QStringLiteral("StringGridWczytane"));
    const auto* model = static_cast<const RecordGridModel*>(grid->model());
    grid->setFocus();
    // Scrolled to the last columns, where faulty, optional and trimmed cells meet.
    const int firstShown = std::max(0, model->columnCount() - 5);
    grid->horizontalScrollBar()->setValue(grid->horizontalHeader()->sectionPosition(firstShown));
    const QModelIndex faulty = firstCell(*model, [](const CellAppearance& look, Glyph status) {
        return status == Glyph::Cross && look.background == kCellInvalid;
    }, firstShown);
    if (faulty.isValid()) grid->selectionModel()->setCurrentIndex(faulty, QItemSelectionModel::ClearAndSelect);
    ok = save(glow, folder, "03_szczegoly_kontrahenci.png") && ok;

    const QModelIndex trimmed = firstCell(*model, [](const CellAppearance& look, Glyph) {
        return look.background == kCellChanged;
    }, firstShown);
    if (trimmed.isValid()) grid->selectionModel()->setCurrentIndex(trimmed, QItemSelectionModel::ClearAndSelect);
    ok = save(glow, folder, "04_szczegoly_wartosc_oryginalna.png") && ok;

    glow.findChild<QPushButton*>(QStringLiteral("bZapiszTylkoPrawidlowe"))->click();
    log.show();
    ok = save(log, folder, "05_plik_log.png") && ok;
    log.hide();

    proces.show();
    ok = save(proces, folder, "06_proces.png") && ok;
    proces.hide();

    // Qt's own dialogs, with nobody answering in the user's place.
    glow.userInterface().setAnswers(nullptr);
    ok = saveModal(folder, "07_okno_otwierania.png", [&] { glow.bOtworzPlikClick(); }) && ok;
    const std::filesystem::path twice = dir.path() / "zlecenia_ibm_latin2.txt";
    ok = saveModal(folder, "08_tylko_jeden_plik.png", [&] { glow.openFiles({twice, twice}); }) && ok;
    return ok ? 0 : 1;
}
