#include "Batch.h"

#include "Session.h"
#include "Typy/Windows1250.h"
#include "load/InputReader.h"
#include "load/LoadDriver.h"
#include "output/LogReport.h"
#include "output/OutputWriter.h"

#include <algorithm>
#include <optional>
#include <ostream>

namespace quarvel {
namespace {

constexpr const char* kVersion = "1.0.0";

constexpr const char* kHelp =
    "Użycie: quarvel-cli [OPCJE] PLIK\n"
    "\n"
    "Wczytuje plik kontrahentów lub zleceń, rozpoznaje jego stronę kodową, poprawia i sprawdza dane,\n"
    "zapisuje prawidłowe rekordy w ISO-8859-2 do pliku <nazwa>_doVexa.txt obok pliku wejściowego\n"
    "oraz raport LOG (domyślnie <nazwa>_doVexa.log).\n"
    "\n"
    "Opcje:\n"
    "  --code-page NAZWA   przelicz wartości z podanej strony kodowej zamiast rozpoznanej:\n"
    "                      MAZOVIA, ISO_LATIN2, CSK, CYFROMAT, DHN, IBM_LATIN2, VENTURA, WINDOWS_EE\n"
    "  --no-trim           nie przycinaj zbyt długich pól do wymaganej długości\n"
    "  --replace-control   zamień znaki sterujące na znak \"?\"\n"
    "  --dry-run           nie zapisuj żadnego pliku; wypisz raport LOG na standardowe wyjście\n"
    "  --log ŚCIEŻKA       zapisz raport LOG pod tą ścieżką\n"
    "  --help              pokaż tę pomoc\n"
    "  --version           pokaż wersję programu\n"
    "\n"
    "Kod wyjścia: 0 – zapisano wszystkie rekordy, 1 – pominięto błędne rekordy (lub żaden nie był\n"
    "prawidłowy i zapisano tylko raport LOG), 2 – błąd (złe wywołanie, pliku nie można odczytać ani\n"
    "zapisać, brak nagłówka).\n";

// Messages the logic shows go to the error stream; a carriage return there starts a new line.
class ConsoleUi final : public UserInterface {
public:
    explicit ConsoleUi(std::ostream& err) : m_err(err) {}
    void showMessage(std::string_view text) override {
        std::string utf8 = Utf8FromCp1250(text);
        std::replace(utf8.begin(), utf8.end(), '\r', '\n');
        m_err << utf8 << '\n';
        ++m_shown;
    }
    void setBusy(bool) override {}
    std::optional<std::filesystem::path> chooseFileToOpen(const std::vector<FileFilter>&) override { return {}; }
    int shown() const { return m_shown; }

private:
    std::ostream& m_err;
    int m_shown = 0;
};

struct Options {
    std::optional<CodePageId> codePage;
    bool trim = true;
    bool replaceControl = false;
    bool dryRun = false;
    std::optional<std::filesystem::path> log;
    std::optional<std::filesystem::path> file;
};

std::optional<CodePageId> codePageNamed(const std::string& name) {
    const std::string upper = UpperAscii(name);
    for (CodePageId p = 0; p < kCodePageCount; ++p) {
        if (CodePageNames[p] == upper) return p;
    }
    return std::nullopt;
}

std::string utf8(const std::filesystem::path& path) {
    return path.string();
}

} // namespace

int runBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Options options;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (arg == "--help" || arg == "-h") {
            out << kHelp;
            return kBatchAllWritten;
        }
        if (arg == "--version") {
            out << "quarvel-cli " << kVersion << '\n';
            return kBatchAllWritten;
        }
        if (arg == "--no-trim") {
            options.trim = false;
        } else if (arg == "--replace-control") {
            options.replaceControl = true;
        } else if (arg == "--dry-run") {
            options.dryRun = true;
        } else if (arg == "--code-page" || arg == "--log") {
            if (k + 1 >= args.size()) {
                err << "Opcja " << arg << " wymaga wartości.\n" << "Pomoc: quarvel-cli --help\n";
                return kBatchError;
            }
            const std::string& value = args[++k];
            if (arg == "--log") {
                options.log = value;
            } else if (!(options.codePage = codePageNamed(value))) {
                err << "Nieznana strona kodowa: " << value << "\n";
                return kBatchError;
            }
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
            err << "Nieznana opcja: " << arg << "\n" << "Pomoc: quarvel-cli --help\n";
            return kBatchError;
        } else if (!options.file) {
            options.file = arg == "--" && k + 1 < args.size() ? args[++k] : arg;
        } else {
            err << "Podaj dokładnie jeden plik.\n" << "Pomoc: quarvel-cli --help\n";
            return kBatchError;
        }
    }
    if (!options.file) {
        err << "Nie podano pliku.\n" << "Pomoc: quarvel-cli --help\n";
        return kBatchError;
    }

    ConsoleUi ui(err);
    Session session(ui);
    session.state.cbPrzytnijPola.checked = options.trim;
    const std::filesystem::path input = std::filesystem::absolute(*options.file);
    session.file.fileName = input;
    // The options as a user would set them after the load; given to the load, they spare a re-run.
    switch (WczytajDane(session, input, LoadSettings{options.codePage, options.replaceControl})) {
    case LoadOutcome::Missing:
        err << "Nie ma takiego pliku: " << utf8(input) << "\n";
        return kBatchError;
    case LoadOutcome::OpenFailed:
    case LoadOutcome::ReadFailed:
        return kBatchError;
    case LoadOutcome::Stopped:
        if (ui.shown() == 0) err << "Plik jest pusty: " << utf8(input) << "\n";
        return kBatchError;
    case LoadOutcome::Loaded:
        break;
    }
    const LoadedFile& file = session.file;
    const WindowState& state = session.state;
    const CodePageId used = state.ComboBoxStrona.selected >= 0 ? state.ComboBoxStrona.selected : file.identifiedCodePage;
    out << "Plik: " << utf8(input) << "\n";
    out << "Rodzaj: " << (file.kind == FileKind::Contractors ? "KONTRAHENCI" : "ZLECENIA") << "\n";
    out << "Strona kodowa: rozpoznana " << CodePageNames[file.identifiedCodePage] << ", zadeklarowana "
        << CodePageNames[file.declaredCodePage] << ", użyta " << CodePageNames[used] << "\n";
    out << "Ilość wszystkich danych wejściowych: " << file.records.size() << "\n";
    out << "Ilość danych prawidłowych: " << file.validCount << "\n";
    out << "Ilość danych nieprawidłowych: " << file.invalidCount << "\n";
    if (file.kind == FileKind::Orders) out << "Suma kwot prawidłowych zleceń: " << Utf8FromCp1250(state.LabelStatOKKwota.text) << "\n";

    const int status = file.invalidCount == 0 && file.validCount > 0 ? kBatchAllWritten : kBatchSkipped;
    if (options.dryRun) {
        out << "\n";
        for (const std::string& line : LogReportLines(file)) out << Utf8FromCp1250(line) << "\n";
        return status;
    }

    const std::filesystem::path output = OutputFileName(input);
    if (file.validCount > 0) {
        const WriteResult written = SaveValidRecords(file, session.writeFaults);
        if (!written.ok) {
            ui.showMessage(written.message);
            return kBatchError;
        }
        out << "Zapisano plik wyjściowy: " << utf8(output) << "\n";
    } else {
        out << "Brak prawidłowych rekordów: plik wyjściowy nie został zapisany.\n";
    }
    const std::filesystem::path logPath = options.log ? *options.log : std::filesystem::path(output).replace_extension(".log");
    const WriteResult logged = SaveLogReport(file, logPath, session.writeFaults);
    if (!logged.ok) {
        ui.showMessage(logged.message);
        return kBatchError;
    }
    out << "Zapisano plik LOG: " << utf8(logPath) << "\n";
    return status;
}

} // namespace quarvel
