// Writes pictures of the windows for a look by eye, in a real X server under a window manager (run through
// scripts/screenshot, which starts them):
//   quarvel_screenshots FOLDER          the windows one by one, the code-page list in both colours, a large
//                                      total, a control byte, a million records, the maximised window
//                                      with details, message boxes;
//   quarvel_screenshots FOLDER screen NAME
//                                      the whole screen, as small and as scaled as it is: the window at
//                                      start, with details, maximised with details, and restored; the
//                                      files' names begin with NAME.

#include "UiTestSupport.h"
#include "WindowTestSupport.h"

#include "ProgramWindows.h"
#include "QtUserInterface.h"
#include "RecordGridModel.h"
#include "RecordGridView.h"
#include "MainWindow.h"
#include "LogWindow.h"

#include "support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>

namespace {

using namespace quarvel;
using test::WaitUntil;

void settle() {
    for (int k = 0; k < 5; ++k)
        QApplication::processEvents();
    test::FinishWork();
    for (int k = 0; k < 5; ++k)
        QApplication::processEvents();
}

class Pictures {
public:
    explicit Pictures(QString folder) : m_folder(std::move(folder)) {}

    // The widget as it paints itself, at `zoom` times its size (pixels kept sharp), for a close look.
    void widget(QWidget& widget, const char* name, int zoom = 1) {
        settle();
        QImage image = widget.grab().toImage();
        if (zoom > 1) image = image.scaled(image.size() * zoom, Qt::KeepAspectRatio, Qt::FastTransformation);
        write(image, name);
    }
    // What the screen shows in `area` (all of it when empty), window manager's frames included, in the
    // screen's own pixels.
    void screen(const char* name, const QRect& area = {}) {
        settle();
        QScreen* screen = QGuiApplication::primaryScreen();
        const QRect part = area.isEmpty() ? screen->geometry() : area;
        write(screen->grabWindow(0, part.x(), part.y(), part.width(), part.height()).toImage(), name);
    }
    // Runs `open`, which shows a modal dialog, takes the dialog once it is up and closes it as a cancel
    // would.
    void modal(const char* name, const std::function<void()>& open) {
        bool taken = false;
        QTimer poll;
        poll.setInterval(50);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (dialog == nullptr) return;
            poll.stop();
            widget(*dialog, name);
            taken = true;
            if (auto* asked = qobject_cast<QDialog*>(dialog)) asked->reject();
        });
        poll.start();
        open();
        if (!taken) m_ok = false;
    }
    bool ok() const { return m_ok; }

private:
    void write(const QImage& image, const char* name) {
        const QString file = QDir(m_folder).filePath(QString::fromLatin1(name));
        if (!image.save(file)) {
            std::fprintf(stderr, "Nie można zapisać %s\n", qPrintable(file));
            m_ok = false;
            return;
        }
        std::printf("%s\n", qPrintable(file));
    }

    QString m_folder;
    bool m_ok = true;
};

// The three windows as the program builds them, the dialogs answered from a queue.
struct Program {
    Program() : log(mainWindow.session().state.logText, mainWindow.userInterface(), &mainWindow, &mainWindow.session()) {
        mainWindow.userInterface().setAnswers(&answers);
        mainWindow.setLogWindow(&log);
        mainWindow.show();
        WaitUntil([this] { return mainWindow.isVisible() && test::Framed(mainWindow); });
    }
    template <typename T> T* find(const char* name) { return mainWindow.findChild<T*>(QString::fromLatin1(name)); }
    void open(const std::filesystem::path& file) {
        answers.filesToOpen.emplace_back(file);
        find<QPushButton>("openButton")->click();
        settle();
    }
    void click(const char* name) {
        find<QAbstractButton>(name)->click();
        settle();
    }
    void maximise(bool on) {
        test::AskWindowManagerToMaximise(mainWindow, on);
        // The window manager tells the new state first and the new geometry after it; the window is
        // narrower than the screen only in its normal state.
        const int screenWidth = mainWindow.screen()->availableGeometry().width();
        WaitUntil([&] { return mainWindow.isMaximized() == on && (mainWindow.frameGeometry().width() >= screenWidth) == on; });
        settle();
    }
    QRect frameOf(const QWidget& window) const { return window.frameGeometry(); }

    QueuedAnswers answers;
    WindowSession main{test::kDecember7};
    MainWindow mainWindow{main};
    LogWindow log;
};

// The first field cell, from column `fromColumn` on, whose look and record status pass `wanted`.
template <typename Wanted> QModelIndex firstCell(const RecordGridModel& model, Wanted wanted, int fromColumn) {
    for (int row = 0; row < model.rowCount(); ++row) {
        const Glyph status = model.statusAppearance(row).left;
        for (int column = std::max(0, fromColumn); column < model.columnCount(); ++column) {
            const QModelIndex index = model.index(row, column);
            if (wanted(model.appearance(index), status)) return index;
        }
    }
    return {};
}

std::string replaceHeader(const std::string& bytes, const std::string& header) {
    return header + bytes.substr(bytes.find('\n') - 1);
}

bool windowsOneByOne(Pictures& take, const test::TempDir& dir) {
    Program p;
    auto* grid = p.find<RecordGridView>("recordGrid");
    const auto* model = static_cast<const RecordGridModel*>(grid->model());
    auto* codePages = p.find<QComboBox>("codePageList");
    QWidget* codePageGroup = codePages->parentWidget();

    take.widget(p.mainWindow, "01_glowne_start.png");

    // Orders whose header names the code page they are written in: the list on green.
    const std::string orders = test::ReadFile(test::ExamplePath("zlecenia_ibm_latin2.txt"));
    p.open(dir.write("zlecenia_ibm_latin2.txt", orders));
    take.widget(p.mainWindow, "02_glowne_zlecenia.png");
    take.widget(*codePageGroup, "03_strona_kodowa_zielona_x3.png", 3);

    // The same orders under a header naming another code page: on red, with the keyboard's focus.
    p.open(dir.write("zlecenia_naglowek_mazovia.txt", replaceHeader(orders, "ZLECENIA|MAZOVIA")));
    p.mainWindow.activateWindow();
    codePages->setFocus(Qt::TabFocusReason);
    WaitUntil([&] { return codePages->hasFocus(); });
    take.widget(*codePageGroup, "04_strona_kodowa_czerwona_fokus_x3.png", 3);
    p.mainWindow.setFocus();

    // A large total beside the count of valid data: sixteen characters of amount, read before the trim.
    p.open(dir.write(
        "zlecenia_duza_suma.txt",
        "ZLECENIA|WINDOWS_EE\r\n"
        "1/5/27|8999999999999.91|61109010140000071219812874|27114020040000300201355387|Czynsz|Lokal||||\r\n"));
    take.widget(p.mainWindow, "05_duza_suma.png");

    // Contractors with faulty, corrected and optional cells, and every glyph.
    dir.write("kontrahenci_mazovia.txt",
              test::ReadFile(test::ExamplePath("kontrahenci_mazovia.txt")) +
                  "Kwiaciarnia Roza|Ewa Lis|ul. Polna 1|00-001 Warszawa|61109010140000071219812874|Bank Polski|"
                  "Oddzial 2|ul. Prosta 2|00-002 Warszawa|ROZA|5260000000|+48 22 000 00 00|+48 22 000 00 01\r\n"
                  "Kwiaciarnia Lilia|Jan Lis|ul. Polna 3|00-001 Warszawa|61109010140000071219812874|Bank Polski|"
                  "Oddzial 2|ul. Prosta 2|00-002 Warszawa|LILIA|5260000001|+48 22 000 00 02 wew. 12, 13 lub 14|\r\n");
    p.open(dir.path() / "kontrahenci_mazovia.txt");
    p.click("showDetailsOption");
    p.click("recordFilter0");
    grid->setFocus();
    const int firstShown = std::max(0, model->columnCount() - 5);
    grid->horizontalScrollBar()->setValue(grid->horizontalHeader()->sectionPosition(firstShown));
    const QModelIndex faulty = firstCell(
        *model,
        [](const CellAppearance& look, Glyph status) {
            return status == Glyph::Cross && look.background == kCellInvalid;
        },
        firstShown);
    if (faulty.isValid()) grid->selectionModel()->setCurrentIndex(faulty, QItemSelectionModel::ClearAndSelect);
    take.widget(p.mainWindow, "06_szczegoly_kontrahenci.png");
    const QModelIndex trimmed = firstCell(
        *model, [](const CellAppearance& look, Glyph) { return look.background == kCellChanged; }, firstShown);
    if (trimmed.isValid()) grid->selectionModel()->setCurrentIndex(trimmed, QItemSelectionModel::ClearAndSelect);
    take.widget(p.mainWindow, "07_szczegoly_wartosc_oryginalna.png");

    // A tab inside a value, which only the replace option would turn into "?".
    p.open(dir.write("kontrahenci_tabulator.txt",
                     "KONTRAHENCI|WINDOWS_EE\r\n"
                     "Firma\tJan|Jan Nowak|ul. Polna 1|00-001 Warszawa|61109010140000071219812874|Bank|Oddzial|"
                     "ul. Prosta 2|00-002 Warszawa|LOGO|5260000000||\r\n"));
    grid->selectionModel()->setCurrentIndex(model->index(0, 0), QItemSelectionModel::ClearAndSelect);
    take.widget(p.mainWindow, "08_znak_sterujacy.png");

    // Notes on payment orders, with the fourth option on: a repeated order and holidays, the noted record
    // selected so that its details tell its notes.
    p.click("checkNipDigitsOption");
    const std::string rent = "|250|61109010140000071219812874|27114020040000300201355387|Czynsz|Lokal 5||||\r\n";
    p.open(dir.write("zlecenia_uwagi.txt", "ZLECENIA|WINDOWS_EE\r\n1/5/27" + rent + "12/24/26" + rent +
                                               "12/31/99|100,50|61109010140000071219812874|"
                                               "27114020040000300201355387|Skladka|Styczen||||\r\n"
                                               "1/6/27|90|61109010140000071219812874|27114020040000300201355387|"
                                               "Prad|Licznik 2||||\r\n"));
    p.click("recordFilter0");
    const QModelIndex noted =
        firstCell(*model, [](const CellAppearance&, Glyph status) { return status == Glyph::Note; }, 0);
    if (noted.isValid()) grid->selectionModel()->setCurrentIndex(noted, QItemSelectionModel::ClearAndSelect);
    take.widget(p.mainWindow, "19_uwagi_i_opcja_nip.png");

    // The totals per debited account, as the button beside the statistics shows them: three accounts.
    std::string batches = "ZLECENIA|WINDOWS_EE\r\n";
    for (const char* account : {"61109010140000071219812874", "27114020040000300201355387", "61109010140000071219812874",
                                "83101010230000261395100000", "27114020040000300201355387", "61109010140000071219812874"})
        batches += std::string("1/5/27|1234.56|") + account + "|10105000997603123456789123|Faktura|FV 12/2026||||\r\n";
    p.open(dir.write("zlecenia_rachunki.txt", batches));
    p.click("accountTotalsButton");
    if (auto* totals = p.mainWindow.findChild<QDialog*>(QStringLiteral("accountTotalsDialog"))) {
        settle();
        take.widget(*totals, "20_sumy_wg_rachunkow.png");
        totals->close();
    }
    p.click("checkNipDigitsOption");

    // A million records, scrolled to the last.
    const std::string line = "1/5/27|250|61109010140000071219812874|27114020040000300201355387|Czynsz|Lokal 5||||\r\n";
    std::string million = "ZLECENIA|WINDOWS_EE\r\n";
    million.reserve(million.size() + line.size() * 1'000'000);
    for (int k = 0; k < 1'000'000; ++k)
        million += line;
    p.open(dir.write("milion.txt", million));
    million.clear();
    grid->scrollToBottom();
    take.widget(p.mainWindow, "09_milion_koniec.png");

    // Maximised with the details shown, then restored: as the screen shows them.
    p.open(dir.path() / "kontrahenci_mazovia.txt");
    p.click("showDetailsOption");
    p.maximise(true);
    p.click("showDetailsOption");
    WaitUntil([&] { return p.find<QWidget>("detailsPanel")->isVisible(); });
    take.screen("10_maksymalizowane_szczegoly.png");
    p.maximise(false);
    take.screen("11_przywrocone_szczegoly.png");

    p.click("saveButton");
    p.log.show();
    take.widget(p.log, "12_plik_log.png");
    p.log.hide();

    const auto failure = makeMessageBox(MessageKind::Error,
                                        QString::fromUtf8("Nie można zapisać pliku: /tmp/zlecenia_doVexa.txt\n"
                                                          "Przyczyna: brak miejsca na dysku"),
                                        &p.mainWindow);
    failure->show();
    take.widget(*failure, "14_komunikat_bledu.png");
    failure->hide();
    const auto saved =
        makeMessageBox(MessageKind::Information,
                       QString::fromUtf8("Dane zostały zapisane do pliku: \n/tmp/zlecenia_doVexa.txt"), &p.mainWindow);
    saved->show();
    take.widget(*saved, "15_komunikat_zapisu.png");
    saved->hide();

    // A UTF-8 export: its Polish letters decoded, a character Windows-1250 lacks shown as the replacement
    // character in the grid, the details and the original value; the NRB option on.
    p.click("checkNrbDigitsOption");
    p.open(dir.write("zlecenia_utf8.txt",
                     test::ReadFile(test::ExamplePath("zlecenia_utf8.txt")) +
                         "12/31/99|99|61109010140000071219812874|27114020040000300201355387|Zapłata za kurs "
                         "\xD0\x96 ąę|Opłata „kursowa” 2026 r. - bardzo długi tytuł||||\r\n"));
    if (!p.find<QCheckBox>("showDetailsOption")->isChecked()) p.click("showDetailsOption");
    p.click("recordFilter1");
    // The last invalid record is the added one; its title holds the foreign character.
    const QModelIndex foreign = model->index(model->rowCount() - 1, 4);
    grid->setFocus();
    grid->selectionModel()->setCurrentIndex(foreign, QItemSelectionModel::ClearAndSelect);
    settle();
    take.widget(p.mainWindow, "18_utf8_szczegoly.png");
    p.click("checkNrbDigitsOption");

    // Qt's own dialogs in Polish, with nobody answering in the user's place.
    p.mainWindow.userInterface().setAnswers(nullptr);
    take.modal("16_okno_otwierania.png", [&] { p.mainWindow.chooseAndOpenFile(); });
    const std::filesystem::path twice = dir.path() / "zlecenia_ibm_latin2.txt";
    take.modal("17_tylko_jeden_plik.png", [&] { p.mainWindow.openFiles({twice, twice}); });
    return take.ok();
}

bool wholeScreen(Pictures& take, const test::TempDir& dir, const std::string& prefix) {
    const auto name = [&prefix](const char* what) { return prefix + "_" + what; };

    Program p;
    p.open(dir.write("zlecenia_ibm_latin2.txt", test::ReadFile(test::ExamplePath("zlecenia_ibm_latin2.txt"))));
    take.screen(name("1_start.png").c_str());
    p.click("showDetailsOption");
    WaitUntil([&] { return p.mainWindow.height() > kCompactClientHeight; });
    take.screen(name("2_szczegoly.png").c_str());
    p.maximise(true);
    take.screen(name("3_maksymalizowane.png").c_str());
    p.maximise(false);
    take.screen(name("4_przywrocone.png").c_str());
    p.click("saveButton");
    p.log.show();
    WaitUntil([&] { return !test::XProperty(p.log, "_NET_FRAME_EXTENTS").isEmpty(); });
    take.screen(name("5_plik_log.png").c_str());
    p.log.hide();
    return take.ok();
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    installToolkitTranslation(application);
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
        std::fputs("Zdjęcia okien wymagają serwera X z menedżerem okien: uruchom scripts/screenshot.\n", stderr);
        return 1;
    }
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("build/screenshots");
    const bool screenOnly = argc > 3 && QString::fromLatin1(argv[2]) == QStringLiteral("screen");
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "Nie można utworzyć folderu %s\n", qPrintable(folder));
        return 1;
    }
    const test::TempDir dir;
    Pictures take(folder);
    return (screenOnly ? wholeScreen(take, dir, argv[3]) : windowsOneByOne(take, dir)) ? 0 : 1;
}
