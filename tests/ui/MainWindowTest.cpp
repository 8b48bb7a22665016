#include "UiTestSupport.h"

#include "CodePageList.h"
#include "MainWindowPresenter.h"
#include "ProgramIcon.h"
#include "RecordGrid.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QLabel>

#include <gtest/gtest.h>

#include <set>

namespace quarvel::test {
namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A control's caption as shown, without the mark of its accelerator.
QString Shown(const QAbstractButton& control) {
    return QString(control.text()).remove(QLatin1Char('&'));
}

QColor BackgroundOf(const QWidget* widget) {
    return widget->palette().color(QPalette::Window);
}

TEST(MainWindow, StartsCompactWithNothingLoaded) {
    Windows w;
    EXPECT_EQ(w.mainWindow.windowTitle(), U("Vexa Quarvel v.1.0 (alfa '2006)"));
    EXPECT_EQ(w.mainWindow.height(), kCompactClientHeight);
    EXPECT_FALSE(w.find<QFrame>("detailsPanel")->isVisible());

    EXPECT_EQ(Shown(*w.find<QPushButton>("openButton")), U("Wczytaj plik do konwersji"));
    EXPECT_TRUE(w.find<QPushButton>("openButton")->isEnabled());
    EXPECT_EQ(Shown(*w.find<QPushButton>("saveButton")), U("Zapisz tylko prawidłowe wiersze"));
    EXPECT_FALSE(w.find<QPushButton>("saveButton")->isEnabled());
    EXPECT_EQ(w.find<QPushButton>("showLogButton")->text(), U("Pokaż plik &LOG"));
    EXPECT_FALSE(w.find<QPushButton>("showLogButton")->isEnabled());

    EXPECT_EQ(w.text("fileNameLabel"), U("[BRAK]"));
    EXPECT_EQ(w.text("kindPanel"), U("BRAK"));
    EXPECT_EQ(w.text("allCountLabel"), U("0"));
    EXPECT_EQ(w.text("invalidCountLabel"), U("0"));

    const auto* codePages = w.find<QComboBox>("codePageList");
    ASSERT_EQ(codePages->count(), 9);
    EXPECT_EQ(codePages->itemText(0), U("MAZOVIA"));
    EXPECT_EQ(codePages->itemText(7), U("WINDOWS_EE"));
    EXPECT_EQ(codePages->itemText(8), U("UTF-8"));
    EXPECT_EQ(codePages->currentIndex(), -1);
    EXPECT_FALSE(w.find<QWidget>("otherCodePageMarker")->isVisible());

    EXPECT_TRUE(w.find<QCheckBox>("trimFieldsOption")->isChecked());
    EXPECT_EQ(Shown(*w.find<QCheckBox>("replaceControlOption")), U("Zamień niedozwolone znaki na znak \"?\""));
    EXPECT_FALSE(w.find<QCheckBox>("replaceControlOption")->isChecked());
    EXPECT_FALSE(w.find<QCheckBox>("showDetailsOption")->isChecked());
}

TEST(MainWindow, CancelledOpenDialogChangesNothing) {
    Windows w;
    w.click("openButton"); // no answer queued: the dialog is cancelled
    EXPECT_EQ(w.answers.lastOpenFilters, QStringList({U("Pliki TXT (*.txt)"), U("Wszystkie pliki (*)")}));
    EXPECT_EQ(w.text("fileNameLabel"), U("[BRAK]"));
    EXPECT_EQ(w.text("kindPanel"), U("BRAK"));
    EXPECT_TRUE(w.answers.messages.empty());
}

TEST(MainWindow, LoadedOrdersShowKindCodePageAndStatistics) {
    Windows w;
    w.open(w.example("zlecenia_ibm_latin2.txt"));

    EXPECT_EQ(w.text("fileNameLabel"), U("zlecenia_ibm_latin2.txt"));
    const auto* kind = w.find<QLabel>("kindPanel");
    EXPECT_EQ(kind->text(), U("ZLECENIA"));
    EXPECT_EQ(BackgroundOf(kind), QColor(0, 0, 255));
    EXPECT_TRUE(kind->autoFillBackground());
    EXPECT_EQ(kind->palette().color(QPalette::WindowText), QColor(255, 255, 255));

    const auto* codePages = w.find<QComboBox>("codePageList");
    EXPECT_EQ(codePages->currentText(), U("IBM_LATIN2"));
    EXPECT_EQ(codePages->palette().color(QPalette::Button), QColor(0, 128, 0));
    // The header reader's choice of the identified code page is no user change: no marker, no re-run.
    EXPECT_FALSE(w.find<QWidget>("otherCodePageMarker")->isVisible());

    // Of the seven orders, a comma amount, a year-first date, a letter in an account and a tab are faulty.
    EXPECT_EQ(w.text("allCountLabel"), U("7"));
    EXPECT_EQ(w.text("validCountLabel"), U("3"));
    EXPECT_EQ(w.text("invalidCountLabel"), U("4"));
    EXPECT_EQ(w.find<QLabel>("invalidCountLabel")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    const auto* total = w.find<QLabel>("validTotalLabel");
    EXPECT_TRUE(total->isVisible());
    EXPECT_TRUE(total->text().contains(U("1 738"))) << total->text().toStdString();
    EXPECT_TRUE(total->text().endsWith(U(" PLN")));
    EXPECT_TRUE(w.find<QPushButton>("saveButton")->isEnabled());
    EXPECT_FALSE(w.find<QPushButton>("showLogButton")->isEnabled());
}

TEST(MainWindow, OptionsRerunCorrectionAndValidation) {
    Windows w;
    w.open(w.example("zlecenia_ibm_latin2.txt"));

    // Replacing control characters makes the order with a tab in its title valid.
    w.click("replaceControlOption");
    EXPECT_TRUE(w.mainWindow.session().state.replaceControl.checked);
    EXPECT_EQ(w.text("validCountLabel"), U("4"));
    EXPECT_EQ(w.text("invalidCountLabel"), U("3"));
    EXPECT_TRUE(w.text("validTotalLabel").contains(U("1 780")));
    w.click("replaceControlOption");
    EXPECT_EQ(w.text("validCountLabel"), U("3"));

    // A value too long for its field is valid only while the trim option cuts it.
    const auto file = w.dir.write("dlugie.txt", "KONTRAHENCI|WINDOWS_EE\r\n"
                                                "Firma|Jan Nowak|ul. Polna 1|00-001 Warszawa|61109010140000071219812874|"
                                                "Bank|Oddzial|ul. Prosta 2|00-002 Warszawa|LOGO|5260000000|"
                                                "+48 22 000 00 02 wew. 12, 13 lub 14|\r\n");
    w.open(file);
    EXPECT_EQ(w.text("validCountLabel"), U("1"));
    w.click("trimFieldsOption");
    EXPECT_FALSE(w.mainWindow.session().state.trimFields.checked);
    EXPECT_EQ(w.text("validCountLabel"), U("0"));
    EXPECT_EQ(w.text("invalidCountLabel"), U("1"));
    EXPECT_FALSE(w.find<QPushButton>("saveButton")->isEnabled());
    // A contractors file has no total.
    EXPECT_FALSE(w.find<QLabel>("validTotalLabel")->isVisible());
}

TEST(MainWindow, TheNrbOptionStandsUnderTheOtherTwoAndRerunsTheChecks) {
    Windows w;
    const auto* trim = w.find<QCheckBox>("trimFieldsOption");
    const auto* replace = w.find<QCheckBox>("replaceControlOption");
    const auto* nrb = w.find<QCheckBox>("checkNrbDigitsOption");
    ASSERT_NE(nrb, nullptr);
    EXPECT_EQ(Shown(*nrb), U("Sprawdzaj cyfry kontrolne numerów NRB"));
    EXPECT_FALSE(nrb->isChecked());
    EXPECT_TRUE(nrb->isVisible());
    // A third row of the same column, as far below the second as the second is below the first, whole
    // inside the top strip.
    EXPECT_EQ(nrb->x(), replace->x());
    EXPECT_EQ(nrb->y() - replace->y(), replace->y() - trim->y());
    EXPECT_GE(nrb->width(), nrb->sizeHint().width());
    EXPECT_LE(nrb->geometry().bottom(), nrb->parentWidget()->height() - 1);
    EXPECT_EQ(w.mainWindow.height(), kCompactClientHeight);

    std::string orders = ReadFile(ExamplePath("zlecenia_ibm_latin2.txt"));
    orders[orders.find("PL27114020040000300201355387") + 27] = '8';
    w.open(w.dir.write("zlecenia.txt", orders));
    EXPECT_EQ(w.text("validCountLabel"), U("3"));
    w.click("checkNrbDigitsOption");
    EXPECT_TRUE(w.mainWindow.session().state.checkNrbDigits.checked);
    EXPECT_EQ(w.text("validCountLabel"), U("2"));
    EXPECT_EQ(w.text("invalidCountLabel"), U("5"));
    // It stays on for the next file, as the trim option does.
    w.open(w.dir.write("zlecenia2.txt", orders));
    EXPECT_TRUE(nrb->isChecked());
    EXPECT_EQ(w.text("validCountLabel"), U("2"));
    w.click("checkNrbDigitsOption");
    EXPECT_EQ(w.text("validCountLabel"), U("3"));
}

TEST(MainWindow, TheNipOptionStandsUnderTheNrbOneAndRerunsTheChecks) {
    Windows w;
    const auto* nrb = w.find<QCheckBox>("checkNrbDigitsOption");
    const auto* nip = w.find<QCheckBox>("checkNipDigitsOption");
    ASSERT_NE(nip, nullptr);
    EXPECT_EQ(Shown(*nip), U("Sprawdzaj cyfry kontrolne numerów NIP"));
    EXPECT_FALSE(nip->isChecked());
    EXPECT_TRUE(nip->isVisible());
    EXPECT_EQ(nip->x(), nrb->x());
    EXPECT_EQ(nip->y() - nrb->y(), kOptionRowHeight);
    EXPECT_GE(nip->width(), nip->sizeHint().width());
    EXPECT_LE(nip->geometry().bottom(), nip->parentWidget()->height() - 1);

    const std::string contractor = "Firma|Jan Nowak|ul. Polna 1|00-001 Warszawa|61109010140000071219812874|"
                                   "Bank|Oddzial|ul. Prosta 2|00-002 Warszawa|LOGO|";
    const auto file = w.dir.write("nip.txt", "KONTRAHENCI|WINDOWS_EE\r\n" + contractor + "526-000-00-00|\r\n" +
                                                 contractor + "PL1234563218|\r\n");
    w.open(file);
    EXPECT_EQ(w.text("validCountLabel"), U("2"));
    w.click("checkNipDigitsOption");
    EXPECT_TRUE(w.mainWindow.session().state.checkNipDigits.checked);
    EXPECT_EQ(w.text("validCountLabel"), U("1"));
    EXPECT_EQ(w.text("invalidCountLabel"), U("1"));
    w.open(file);
    EXPECT_TRUE(nip->isChecked()) << "kept for the next file";
    EXPECT_EQ(w.text("validCountLabel"), U("1"));
}

TEST(MainWindow, AnotherCodePageReconvertsAndShowsTheMarker) {
    Windows w;
    w.open(w.example("zlecenia_ibm_latin2.txt"));
    auto* codePages = w.find<QComboBox>("codePageList");
    codePages->setCurrentIndex(0); // as choosing MAZOVIA in the list does
    Settle();
    EXPECT_TRUE(w.find<QWidget>("otherCodePageMarker")->isVisible());
    EXPECT_EQ(w.mainWindow.session().file.conversionSource(), CodePage::Mazovia);

    // The same steps without any window give the same statistics.
    TestSession plain;
    plain.ui.nextFile = w.dir.path() / "zlecenia_ibm_latin2.txt";
    chooseAndOpenFile(plain.session);
    plain.state().codePageList.selected = 0;
    codePageChosen(plain.session);
    EXPECT_EQ(w.text("validCountLabel").toStdString(), plain.state().validCountLabel.text);
    EXPECT_EQ(w.text("invalidCountLabel").toStdString(), plain.state().invalidCountLabel.text);

    codePages->setCurrentIndex(5);
    Settle();
    EXPECT_FALSE(w.find<QWidget>("otherCodePageMarker")->isVisible());
    EXPECT_EQ(w.text("validCountLabel"), U("3"));
}

TEST(MainWindow, ANewLoadSwitchesTheReplaceOptionOff) {
    Windows w;
    w.open(w.example("zlecenia_ibm_latin2.txt"));
    w.click("replaceControlOption");
    w.open(w.example("kontrahenci_mazovia.txt"));
    EXPECT_FALSE(w.find<QCheckBox>("replaceControlOption")->isChecked());
    EXPECT_EQ(w.text("kindPanel"), U("KONTRAHENCI"));
    EXPECT_EQ(BackgroundOf(w.find<QLabel>("kindPanel")), QColor(0, 128, 0));
}

TEST(MainWindow, HeaderWithoutKeywordIsReportedAndShowsNoKind) {
    Windows w;
    w.open(w.dir.write("zly.txt", "NAGLOWEK\r\na|b\r\n"));
    ASSERT_EQ(w.answers.messages.size(), 1U);
    EXPECT_TRUE(w.answers.messages[0].contains(U("KONTRAHENCI")));
    EXPECT_EQ(w.answers.messageKinds, std::vector{MessageKind::Warning});
    EXPECT_EQ(w.text("fileNameLabel"), U("zly.txt"));
    EXPECT_EQ(w.text("kindPanel"), U("BRAK"));
    EXPECT_EQ(BackgroundOf(w.find<QLabel>("kindPanel")), QColor(255, 0, 0));
    EXPECT_EQ(w.text("allCountLabel"), U("0"));
}

TEST(MainWindow, DetailsSetClientHeightAndCentreVertically) {
    Windows w;
    const int screenHeight = w.mainWindow.screen()->geometry().height();
    w.click("showDetailsOption");
    EXPECT_EQ(w.mainWindow.height(), kDetailsClientHeight);
    EXPECT_TRUE(w.find<QFrame>("detailsPanel")->isVisible());
    EXPECT_EQ(w.mainWindow.y(), screenHeight / 2 - kDetailsClientHeight / 2);
    w.click("showDetailsOption");
    EXPECT_EQ(w.mainWindow.height(), kCompactClientHeight);
    EXPECT_FALSE(w.find<QFrame>("detailsPanel")->isVisible());
    EXPECT_EQ(w.mainWindow.y(), screenHeight / 2 - kCompactClientHeight / 2);
}

TEST(MainWindow, DetailsInAMaximisedWindowKeepItMaximised) {
    Windows w;
    w.mainWindow.showMaximized();
    Settle();
    ASSERT_TRUE(w.mainWindow.isMaximized());
    w.click("showDetailsOption");
    EXPECT_TRUE(w.mainWindow.isMaximized());
    EXPECT_TRUE(w.find<QFrame>("detailsPanel")->isVisible());
    w.mainWindow.showNormal();
    Settle();
    EXPECT_EQ(w.mainWindow.height(), kDetailsClientHeight);
}

TEST(MainWindow, TheOpenDialogStartsInTheFolderOfTheFileLoadedLast) {
    Windows w;
    w.click("openButton");
    EXPECT_EQ(w.answers.lastOpenFolder, QString());
    std::filesystem::create_directory(w.dir.path() / "przelewy");
    w.open(w.dir.write("przelewy/zlecenia.txt", "ZLECENIA\r\n"));
    w.click("openButton");
    EXPECT_EQ(w.answers.lastOpenFolder, qStringFromPath(w.dir.path() / "przelewy"));
}

TEST(MainWindow, TheCodePageListShowsItsColoursFlatWithAVisibleFocus) {
    Windows w;
    auto* list = w.find<CodePageList>("codePageList");
    const std::string orders = ReadFile(ExamplePath("zlecenia_ibm_latin2.txt"));
    const auto withHeader = [&](const char* header) { return header + orders.substr(orders.find('\r')); };
    w.mainWindow.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.mainWindow));

    for (const auto& [header, colour] : {std::pair{"ZLECENIA|IBM_LATIN2", QColor(0x00, 0x80, 0x00)},
                                         std::pair{"ZLECENIA|MAZOVIA", QColor(0xFF, 0x00, 0x00)}}) {
        w.open(w.dir.write("zlecenia.txt", withHeader(header)));
        w.mainWindow.setFocus();
        Settle();
        const QImage face = list->grab().toImage();
        const QRect frame = QRect(QPoint(2, 2), QPoint(list->width() - 3, list->height() - 3));
        // The face is the colour itself, not a shade of it: beside the text and around the arrow.
        for (const QPoint at : {QPoint(3, list->height() / 2), QPoint(list->width() - 3, 3),
                                QPoint(list->width() - 3, list->height() - 4)}) {
            EXPECT_EQ(face.pixelColor(at), colour) << header << " at " << at.x() << "," << at.y();
        }
        EXPECT_TRUE(HasColour(face, frame, Qt::white)) << header << ": white text";

        // The keyboard's focus: a frame in the text colour, where the unfocused face has none. Only the
        // active window has a focused widget, and opening the file may have passed the activation on.
        EXPECT_TRUE(list->focusFrame().isEmpty());
        w.mainWindow.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w.mainWindow));
        list->setFocus(Qt::TabFocusReason);
        Settle();
        ASSERT_TRUE(list->hasFocus());
        const QRect focus = list->focusFrame();
        const QImage focused = list->grab().toImage();
        EXPECT_EQ(focused.pixelColor(focus.left(), focus.center().y()), QColor(Qt::white)) << header;
        EXPECT_EQ(face.pixelColor(focus.left(), focus.center().y()), colour) << header;
    }
}

TEST(MainWindow, TitlesAndItemsFitTheirGroups) {
    Windows w;
    w.click("showDetailsOption");
    for (const QGroupBox* group : w.mainWindow.findChildren<QGroupBox*>()) {
        EXPECT_GE(group->width(), group->fontMetrics().horizontalAdvance(group->title()))
            << group->title().toStdString();
    }
    const auto* filter = w.find<QGroupBox>("recordFilter");
    const QRect inside = filter->contentsRect();
    // At the design's width the four filters in bold fit no row together: each keeps its whole caption.
    for (const QRadioButton* item : filter->findChildren<QRadioButton*>()) {
        EXPECT_GE(item->geometry().top(), inside.top() + 2) << item->text().toStdString();
        EXPECT_LE(item->geometry().bottom(), inside.bottom() - 2) << item->text().toStdString();
        EXPECT_LE(item->sizeHint().width(), item->width()) << item->text().toStdString();
        EXPECT_LE(item->geometry().right(), inside.right()) << item->text().toStdString();
    }
}

TEST(MainWindow, BothWindowsShowTheProgramsOwnIcon) {
    Windows w;
    const QImage drawn = QImage(programIconResource(32)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_FALSE(drawn.isNull()) << "no icon among the resources";
    for (const QWidget* window : {static_cast<const QWidget*>(&w.mainWindow), static_cast<const QWidget*>(&w.log)}) {
        const QIcon icon = window->windowIcon();
        ASSERT_FALSE(icon.isNull()) << window->objectName().toStdString();
        EXPECT_EQ(icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), drawn)
            << window->objectName().toStdString();
    }
}

// Whether a label shows its whole text inside its group, on the window.
void ExpectShownWhole(const QLabel& label, const QString& text) {
    EXPECT_EQ(label.text(), text);
    EXPECT_TRUE(label.toolTip().isEmpty());
    EXPECT_LE(label.fontMetrics().horizontalAdvance(label.text()), label.width()) << text.toStdString();
    const QWidget& group = *label.parentWidget();
    EXPECT_LE(label.geometry().right(), group.width() - 3) << text.toStdString();
    EXPECT_LE(group.geometry().right(), group.parentWidget()->width() - 1) << text.toStdString();
}

TEST(MainWindow, LargeTotalsAreShownWhole) {
    Windows w;
    const auto order = [](const char* amount) {
        return std::string("1/5/27|") + amount +
               "|61109010140000071219812874|27114020040000300201355387|Czynsz|Lokal||||\r\n";
    };
    const auto* total = w.find<QLabel>("validTotalLabel");
    // An everyday total in the design's 10 points; the largest the pattern writes, whole, if smaller.
    for (const auto& [amount, points] :
         {std::pair{"1234.5", 10.0}, {"8999999999999.91", 8.0}, {"-999999999999999", 8.0}}) {
        w.open(w.dir.write("zlecenia.txt", "ZLECENIA|WINDOWS_EE\r\n" + order(amount)));
        ASSERT_EQ(w.text("validCountLabel"), U("1")) << amount;
        ExpectShownWhole(*total, displayText(w.mainWindow.session().state.validTotalLabel.text));
        EXPECT_GE(total->font().pointSizeF(), points) << amount;
    }
    // Past the pattern's fifteen digit places, nothing of a total may be cut unseen: the front gives way to
    // an ellipsis, and the tooltip holds the whole of it.
    w.open(w.dir.write("zlecenia.txt", "ZLECENIA|WINDOWS_EE\r\n" + order("1e40")));
    const QString whole = displayText(w.mainWindow.session().state.validTotalLabel.text);
    EXPECT_EQ(total->toolTip(), whole);
    EXPECT_TRUE(total->text().startsWith(QChar(0x2026))) << total->text().toStdString();
    EXPECT_TRUE(whole.endsWith(total->text().mid(1)));
    EXPECT_LE(total->fontMetrics().horizontalAdvance(total->text()), total->width());
}

TEST(Keyboard, EveryControlHasItsOwnAcceleratorAndTheUsualKeysOpenAndSave) {
    Windows w;
    for (QWidget* window : {static_cast<QWidget*>(&w.mainWindow), static_cast<QWidget*>(&w.log)}) {
        QStringList captions;
        // The buttons of this window (the log window is the main window's child), not the grid's corner.
        for (const QAbstractButton* control : window->findChildren<QAbstractButton*>()) {
            if (control->window() == window && !control->text().isEmpty()) captions << control->text();
        }
        // A group's accelerator moves the focus to the control in it (the code-page list).
        for (const QGroupBox* group : window->findChildren<QGroupBox*>()) {
            if (group->findChildren<QComboBox*>().size() == 1) captions << group->title();
        }
        std::set<int> keys;
        for (const QString& caption : captions) {
            const QKeySequence key = QKeySequence::mnemonic(caption);
            EXPECT_FALSE(key.isEmpty()) << caption.toStdString();
            if (!key.isEmpty()) {
                EXPECT_TRUE(keys.insert(key[0].toCombined()).second) << caption.toStdString();
            }
        }
    }
    w.mainWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.mainWindow));
    w.answers.filesToOpen.push_back(w.dir.write("zlecenia.txt", "ZLECENIA|WINDOWS_EE\r\n1/5/27|1|61109010140000071219812874|27114020040000300201355387|C|L||||\r\n"));
    QTest::keyClick(&w.mainWindow, Qt::Key_O, Qt::ControlModifier);
    Settle();
    EXPECT_EQ(w.text("validCountLabel"), U("1"));
    // Saving builds the log report, which the log button then shows.
    ASSERT_FALSE(w.find<QPushButton>("showLogButton")->isEnabled());
    QTest::keyClick(&w.mainWindow, Qt::Key_S, Qt::ControlModifier);
    Settle();
    EXPECT_TRUE(w.find<QPushButton>("showLogButton")->isEnabled());
}

QString Read(QWidget* widget, QAccessible::Text what = QAccessible::Name) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face != nullptr ? face->text(what) : QString();
}

TEST(ScreenReader, FieldsAreNamedStatisticsReadWithCaptionsCellsTellTheirState) {
    Windows w;
    w.mainWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.mainWindow));
    w.open(w.example("zlecenia_ibm_latin2.txt"));
    w.click("recordFilter0");
    w.click("showDetailsOption");
    EXPECT_EQ(Read(w.find<QWidget>("recordGrid")), U("Zawartość zbioru z danymi wejściowymi"));
    EXPECT_EQ(Read(w.find<QWidget>("originalValueEdit")), U("Oryginalna wartość dla wybranego pola"));
    EXPECT_EQ(Read(w.find<QWidget>("detailsMemo")), U("Informacje dla wybranego rekordu"));
    // The list's name is its current item (under X11); its caption is its label.
    QStringList labels;
    for (const auto& [other, relation] : QAccessible::queryAccessibleInterface(w.find<QWidget>("codePageList"))
                                             ->relations(QAccessible::Label)) {
        labels << other->text(QAccessible::Name);
    }
    EXPECT_TRUE(labels.contains(U("Zidentyfikowana strona kodowa"))) << labels.join(U("|")).toStdString();
    EXPECT_EQ(Read(w.find<QWidget>("validCountLabel")), U("Ilość danych prawidłowych: ") + w.text("validCountLabel"));
    // Read as shown: whole, in whatever font the system gives the window.
    EXPECT_EQ(Read(w.find<QWidget>("validTotalLabel")), w.text("validTotalLabel").trimmed());
    EXPECT_FALSE(Read(w.find<QWidget>("validTotalLabel")).startsWith(QLatin1Char(' ')));

    // Every cell of the grid, read through the table: a faulty cell says so with its messages, a
    // changed one says it was changed, and the status of each row is told in words.
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(w.find<QWidget>("recordGrid"));
    ASSERT_NE(grid, nullptr);
    QAccessibleTableInterface* table = grid->tableInterface();
    ASSERT_NE(table, nullptr);
    const Session& session = w.mainWindow.session();
    int faulty = 0;
    for (int row = 0; row < table->rowCount(); ++row) {
        for (int column = 0; column < table->columnCount(); ++column) {
            QAccessibleInterface* cell = table->cellAt(row, column);
            ASSERT_NE(cell, nullptr);
            const QString description = cell->text(QAccessible::Description);
            const CellAppearance look = getCellAppearance(session, column + 2, row + 1);
            EXPECT_EQ(description.startsWith(U("nieprawidłowe: ")), look.background == kCellInvalid)
                << description.toStdString();
            if (look.background == kCellInvalid) ++faulty;
        }
    }
    EXPECT_GT(faulty, 0);
    auto* view = w.find<QTableView>("recordGrid");
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        const bool valid = session.file.records()[static_cast<std::size_t>(recordOfRow(session, row + 1))].isValid();
        EXPECT_EQ(view->model()->headerData(row, Qt::Vertical, Qt::AccessibleDescriptionRole).toString().startsWith(
                      U("rekord prawidłowy")),
                  valid);
    }

    // Tooltips: the whole path of the file, the long name of each code page.
    // Shown with the system's own separators.
    const QString path = w.find<QLabel>("fileNameLabel")->toolTip();
    EXPECT_TRUE(path.endsWith(U("zlecenia_ibm_latin2.txt")) && path.size() > 24) << path.toStdString();
    const auto* list = w.find<QComboBox>("codePageList");
    for (int k = 0; k < list->count(); ++k) {
        EXPECT_TRUE(list->itemData(k, Qt::ToolTipRole).toString().startsWith(list->itemText(k) + U(" — ")));
    }
}

} // namespace
} // namespace quarvel::test
