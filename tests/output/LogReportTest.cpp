#include "LogReport.h"

#include "Pipeline.h"
#include "OutputWriter.h"
#include "support/TestSupport.h"
#include "MainWindowPresenter.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quarvel {
namespace {

using test::W;

const std::string kNrb = "12345678901234567890123456";
const std::string kHead = "Statystyki\n------------------\n";
const std::string kTildes(93, '~');
const std::string kRule(65, '-');

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) out += line + "\n";
    return out;
}

struct Logged {
    test::TempDir dir;
    test::TestSession t;
    explicit Logged(std::string_view bytes, bool trim = true) {
        const auto input = dir.write("dane.txt", bytes);
        t.state().trimFields.checked = trim;
        t.file().fileName = input;
        loadIntoWindow(t.session, input);
        buildLogReport(t.session);
    }
    std::string log() { return joined(t.state().logText.lines); }
};

std::string contractor() {
    return "Firma|Druga|Ulica 1|Miasto|" + kNrb + "|Bank|Oddzial|Adres 1|Adres 2\r\n";
}

TEST(LogReport, FollowsTheWorkedExampleLineByLine) {
    const std::string line3 = std::string(20, 'x') + "\t" + std::string(20, 'y') + "|n2|a1|a2|" + kNrb + "|b1|b2|b3";
    Logged l("KONTRAHENCI\r\n" + contractor() + line3 + "\r\n" + contractor() + "\r\n", false);
    EXPECT_EQ(l.log(), kHead + W("Ilość wszystkich danych wejściowych: 4\n"
                                 "Ilość błędnych danych pominiętych przy zapisie do nowego zbioru wyjściowego: 2\n"
                                 "Ilość danych zapisanych do nowego zbioru wyjściowego: 2\n") +
                           kTildes + "\n\n" +
                           W("Szczegółowy opis błędnych linii, które zostały pominięte w pliku wyjściowym:\n\n"
                             "Błędy dla linii: 3\n"
                             "Błędy w polach dla linii: \n"
                             "NAZWA1: Pole posiada zbyt dużą ilość znaków = 41. Maksymalna ilość dla tego pola = 35\n"
                             "NAZWA1: Pole zawiera znaki niezgodne z Windows\n"
                             "ADRES BANKU2: Wymagane pole jest puste\n\n\n") +
                           kRule + "\n" +
                           W("Błędy dla linii: 5\n"
                             "Błędy dla całej linii: \n"
                             "1. Brak danych w linii nr 5\n\n") +
                           kRule + "\n\nKoniec pliku LOG\n");
}

TEST(LogReport, SaysSoWhenNothingWasSkipped) {
    Logged l("KONTRAHENCI\r\n" + contractor() + contractor());
    EXPECT_EQ(l.log(), kHead + W("Ilość wszystkich danych wejściowych: 2\n"
                                 "Ilość błędnych danych pominiętych przy zapisie do nowego zbioru wyjściowego: 0\n"
                                 "Ilość danych zapisanych do nowego zbioru wyjściowego: 2\n") +
                           kTildes + "\n\n" +
                           W("Szczegółowy opis błędnych linii, które zostały pominięte w pliku wyjściowym:\n\n"
                             "BRAK BŁĘDÓW W PLIKU WEJŚCIOWYCH. NIE POMINIĘTO ŻADNEJ LINII\n\nKoniec pliku LOG\n"));
}

TEST(LogReport, PutsLineAndFieldErrorsUnderOneHeading) {
    Logged l("ZLECENIA\r\n12/24/26|1,5|" + kNrb + "|x|T1|T2|||||||extra\r\n");
    const auto& lines = l.t.state().logText.lines;
    const std::vector<std::string> block(lines.begin() + 9, lines.end() - 2);
    EXPECT_EQ(block, (std::vector<std::string>{W("Błędy dla linii: 2"), W("Błędy dla całej linii: "),
                                               W("1. Zbyt duża ilość pól w linii nr 2"), W("Błędy w polach dla linii: "),
                                               W("KWOTA: Nieprawidłowa kwota zlecenia"),
                                               W("NUMER KONTA UZNAWANEGO: Nieprawidłowy numer NRB"), "", "", kRule}));
}

TEST(LogReport, ASecondSaveRebuildsItFromNothing) {
    test::TempDir dir;
    test::TestSession t;
    const auto input = dir.write("dane.txt", "KONTRAHENCI\r\n" + contractor() + "\r\n\r\n");
    t.file().fileName = input;
    loadIntoWindow(t.session, input);
    ASSERT_TRUE(saveValidRecordsAndLog(t.session).ok);
    const auto first = t.state().logText.lines;
    ASSERT_TRUE(saveValidRecordsAndLog(t.session).ok);
    EXPECT_EQ(t.state().logText.lines, first);
    EXPECT_EQ(std::count(first.begin(), first.end(), kRule), 2);
    EXPECT_EQ(first[first.size() - 5], "1. Brak danych w linii nr 4") << "numbering restarts in every block";
}

} // namespace
} // namespace quarvel
