#include "Batch.h"

#include "JsonReport.h"
#include "Pipeline.h"
#include "Workspace.h"
#include "Windows1250.h"
#include "Correction.h"
#include "Validation.h"
#include "AccountTotals.h"
#include "Platform.h"
#include "HeaderReader.h"
#include "Pipeline.h"
#include "LogReport.h"
#include "OutputTexts.h"
#include "OutputWriter.h"
#include "RejectedLines.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <optional>
#include <ostream>
#include <system_error>

namespace quarvel {
namespace {

constexpr const char* kVersion = QUARVEL_VERSION;

constexpr const char* kHelp =
    "Użycie: quarvel-cli [OPCJE] PLIK\n"
    "\n"
    "Wczytuje plik kontrahentów lub zleceń, rozpoznaje jego stronę kodową (jedną z ośmiu polskich albo\n"
    "UTF-8; plik UTF-16 jest najpierw zamieniany na UTF-8), poprawia i sprawdza dane,\n"
    "zapisuje prawidłowe rekordy w ISO-8859-2 do pliku <nazwa>_doVexa.txt obok pliku wejściowego\n"
    "oraz raport LOG (domyślnie <nazwa>_doVexa.log).\n"
    "\n"
    "Opcje:\n"
    "  --code-page NAZWA   przelicz wartości z podanej strony kodowej zamiast rozpoznanej:\n"
    "                      MAZOVIA, ISO_LATIN2, CSK, CYFROMAT, DHN, IBM_LATIN2, VENTURA, WINDOWS_EE,\n"
    "                      UTF-8 (plik UTF-16 jest czytany jako UTF-8)\n"
    "  --no-trim           nie przycinaj zbyt długich pól do wymaganej długości\n"
    "  --replace-control   zamień znaki sterujące na znak \"?\"\n"
    "  --check-nrb         sprawdzaj cyfry kontrolne numerów NRB (jak numeru IBAN z PL)\n"
    "  --check-nip         sprawdzaj cyfry kontrolne numerów NIP kontrahentów\n"
    "  --dry-run           nie zapisuj żadnego pliku; wypisz raport LOG na standardowe wyjście\n"
    "  --log ŚCIEŻKA       zapisz raport LOG pod tą ścieżką\n"
    "  --rejected ŚCIEŻKA  zapisz pod tą ścieżką nagłówek i pominięte wiersze, tak jak stoją w pliku\n"
    "                      wejściowym (plik UTF-16 w UTF-8), aby je poprawić i wczytać ponownie\n"
    "  --json              zamiast podsumowania wypisz raport JSON (UTF-8) na standardowe wyjście\n"
    "  -h, --help          pokaż tę pomoc\n"
    "  -V, --version       pokaż wersję programu\n"
    "(--code-page=NAZWA, --log=ŚCIEŻKA i --rejected=ŚCIEŻKA działają tak samo.)\n"
    "\n"
    "Plik wyjściowy, raport LOG i odrzucone wiersze są zapisywane razem: jeśli jednego nie da się zapisać,\n"
    "żaden wcześniejszy plik nie zostaje zastąpiony. Gdy żaden rekord nie jest prawidłowy, wcześniejszy\n"
    "plik wyjściowy obok pliku wejściowego zostaje usunięty.\n"
    "\n"
    "Kod wyjścia: 0 – zapisano wszystkie rekordy, 1 – pominięto błędne rekordy (lub żaden nie był\n"
    "prawidłowy i zapisano tylko raport LOG) albo część pliku nie została wczytana, 2 – błąd (złe\n"
    "wywołanie, pliku nie można odczytać ani zapisać, brak nagłówka).\n";

// The summary's lines of a payment-order file after its grand total.
constexpr const char* kAccountTotalPrefix = "Rachunek obciążany ";
constexpr const char* kAccountCountPrefix = ": ilość zleceń ";
constexpr const char* kAccountSumPrefix = ", suma ";
constexpr const char* kNotesCountPrefix = "Uwagi: ";
constexpr std::size_t kMaxAccountLines = 50;
constexpr const char* kTooManyAccounts =
    "Rachunków obciążanych jest więcej niż 50; liczby i sumy zleceń każdego z nich podaje raport --json.";

constexpr const char* kUsageHint = "Pomoc: quarvel-cli --help\n";

constexpr const char* kCannotPrint = "Nie można pisać na standardowe wyjście.\n";
constexpr const char* kCannotPrintAfterWriting =
    "Nie można pisać na standardowe wyjście; pliki zostały zapisane, ale raportu nie wypisano.\n";

// Messages the logic shows go to the error stream; a carriage return there starts a new line.
class ConsoleMessages final : public MessageSink {
public:
    explicit ConsoleMessages(std::ostream& err) : m_err(err) {}
    void showMessage(MessageKind, std::string_view text) override {
        std::string utf8 = utf8FromCp1250(text);
        std::replace(utf8.begin(), utf8.end(), '\r', '\n');
        m_err << utf8 << '\n';
    }

private:
    std::ostream& m_err;
};

struct Options {
    std::optional<CodePage> codePage;
    bool trim = true;
    bool replaceControl = false;
    bool checkNrb = false;
    bool checkNip = false;
    bool dryRun = false;
    bool json = false;
    std::optional<std::filesystem::path> log;
    std::optional<std::filesystem::path> rejected;
    std::optional<std::string> file;
};

std::optional<CodePage> codePageNamedInAnyCase(const std::string& name) {
    return codePageNamed(upperAsciiText(name));
}

std::string utf8(const std::filesystem::path& path) {
    return platform::utf8FromPath(path);
}

std::string utf8Message(std::string_view cp1250) {
    std::string text = utf8FromCp1250(cp1250);
    std::replace(text.begin(), text.end(), '\r', '\n');
    return text;
}

// Reads the arguments into `options`; a status when the command ends here (help, version, bad usage).
std::optional<int> parseArguments(const std::vector<std::string>& args, Options& options, std::ostream& out,
                                  std::ostream& err) {
    bool onlyFiles = false; // after "--" every argument is a file name
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (!onlyFiles && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                onlyFiles = true;
                continue;
            }
            if (arg == "--help" || arg == "-h") {
                out << kHelp;
                return kBatchAllWritten;
            }
            if (arg == "--version" || arg == "-V") {
                out << "quarvel-cli " << kVersion << '\n';
                return kBatchAllWritten;
            }
            if (arg == "--no-trim") {
                options.trim = false;
                continue;
            }
            if (arg == "--replace-control") {
                options.replaceControl = true;
                continue;
            }
            if (arg == "--check-nrb") {
                options.checkNrb = true;
                continue;
            }
            if (arg == "--check-nip") {
                options.checkNip = true;
                continue;
            }
            if (arg == "--dry-run") {
                options.dryRun = true;
                continue;
            }
            if (arg == "--json") {
                options.json = true;
                continue;
            }
            // An option with a value: "--log PATH" or "--log=PATH".
            const std::size_t equals = arg.find('=');
            const std::string name = arg.substr(0, equals);
            if (name != "--code-page" && name != "--log" && name != "--rejected") {
                err << "Nieznana opcja: " << arg << "\n" << kUsageHint;
                return kBatchError;
            }
            std::string value;
            if (equals != std::string::npos) {
                value = arg.substr(equals + 1);
            } else if (k + 1 < args.size()) {
                value = args[++k];
            } else {
                err << "Opcja " << name << " wymaga wartości.\n" << kUsageHint;
                return kBatchError;
            }
            if (name == "--log" || name == "--rejected") {
                if (value.empty()) {
                    err << "Opcja " << name << " wymaga nazwy pliku.\n" << kUsageHint;
                    return kBatchError;
                }
                (name == "--log" ? options.log : options.rejected) = platform::pathFromUtf8(value);
            } else if (!(options.codePage = codePageNamedInAnyCase(value))) {
                err << "Nieznana strona kodowa: " << value << "\n";
                return kBatchError;
            }
            continue;
        }
        if (options.file) {
            err << "Podaj dokładnie jeden plik.\n" << kUsageHint;
            return kBatchError;
        }
        options.file = arg;
    }
    if (!options.file) {
        err << "Nie podano pliku.\n" << kUsageHint;
        return kBatchError;
    }
    if (options.file->empty()) {
        err << "Nazwa pliku jest pusta.\n" << kUsageHint;
        return kBatchError;
    }
    return std::nullopt;
}

RunSettings runSettings(const Options& options) {
    return RunSettings{options.codePage, options.trim, options.replaceControl, options.checkNrb, options.checkNip};
}

void printSummary(const LoadedFile& file, const RunSettings& settings, const std::filesystem::path& input,
                  std::ostream& out) {
    const CodePage used = settings.sourceCodePage(file);
    out << "Plik: " << utf8(input) << "\n";
    out << "Rodzaj: " << (file.kind == FileKind::Contractors ? "KONTRAHENCI" : "ZLECENIA") << "\n";
    out << "Strona kodowa: rozpoznana " << nameOf(file.identifiedCodePage) << ", zadeklarowana "
        << nameOf(file.declaredCodePage) << ", użyta " << nameOf(used) << "\n";
    out << "Ilość wszystkich danych wejściowych: " << file.records().size() << "\n";
    out << "Ilość danych prawidłowych: " << file.validCount << "\n";
    out << "Ilość danych nieprawidłowych: " << file.invalidCount << "\n";
    if (file.kind == FileKind::Orders) {
        // Without records no validation ran; the total is that of no record.
        const double total = file.records().empty() ? 0.0 : file.validTotal;
        out << "Suma kwot prawidłowych zleceń: " << utf8FromCp1250(formatTotal(total)) << "\n";
        // The bank makes one batch per debited account and asks for each one's count and total.
        // A file of orders from more accounts than anyone confirms one by one gets one line instead.
        if (const auto totals = totalsPerDebitedAccount(file, kMaxAccountLines)) {
            for (const AccountTotal& batch : *totals) {
                out << kAccountTotalPrefix << utf8FromCp1250(batch.account) << kAccountCountPrefix << batch.records
                    << kAccountSumPrefix << utf8FromCp1250(batch.totalText) << "\n";
            }
        } else {
            out << kTooManyAccounts << "\n";
        }
        out << kNotesCountPrefix << file.notes.size() << "\n";
    }
}

// Warnings about a load that went through (UTF-8): a code page other than the one the header names, one
// chosen by a tie of the letter counts (unless the user chose it), part of the file left unread.
std::vector<std::string> warningsOf(const LoadedFile& file, const RunSettings& settings,
                                    const std::filesystem::path& input) {
    const bool codePageGiven = settings.codePage.has_value();
    const CodePage used = settings.sourceCodePage(file);
    std::vector<std::string> warnings;
    if (file.codePageDeclared && used != file.declaredCodePage) {
        warnings.push_back("Wartości przeliczono ze strony kodowej " + std::string(nameOf(used)) +
                           ", a nagłówek pliku deklaruje " + std::string(nameOf(file.declaredCodePage)) + ".");
    }
    if (!codePageGiven && !file.tiedCodePages.empty())
        warnings.push_back(utf8Message(tieWarningMessage(file.tiedCodePages)));
    if (file.unreadTail) warnings.push_back(utf8Message(unreadTailMessage(input, *file.unreadTail)));
    return warnings;
}

void printWarnings(const std::vector<std::string>& warnings, std::ostream& err) {
    for (std::string message : warnings) {
        message[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(message[0]))); // after "Uwaga: "
        err << "Uwaga: " << message << "\n";
    }
}

// The files a run writes besides the output beside its input, as whole paths.
struct FilePaths {
    std::filesystem::path log;
    std::optional<std::filesystem::path> rejected;
};

// What the changes of a run read: the loaded session (none to check the paths alone) and the records the
// rejected lines are of.
struct ChangeSources {
    const Workspace* session = nullptr;
    const SkippedRecords* skipped = nullptr;
};

// The changes of a run: the output (removed when no record is valid, so that no earlier one stays beside
// a log that disowns it), the log, and the rejected lines when asked for.
std::vector<FileChange> changesOf(const ChangeSources& from, const std::filesystem::path& input,
                                  const FilePaths& paths) {
    const auto anything = [](FileOutput&) {};
    const LoadedFile* file = from.session != nullptr ? &from.session->file : nullptr;
    std::vector<FileChange> changes;
    Producer output = file == nullptr ? Producer(anything) : file->validCount > 0 ? outputProducer(*file) : Producer{};
    changes.push_back({outputFileName(input), std::move(output), texts::kOutputFileRole});
    changes.push_back(
        {paths.log, file == nullptr ? Producer(anything) : logReportProducer(*file), texts::kLogFileRole});
    if (paths.rejected) {
        Producer rejected =
            file == nullptr ? Producer(anything) : rejectedLinesProducer(*file, *from.skipped, from.session->openInput);
        changes.push_back({*paths.rejected, std::move(rejected), texts::kRejectedFileRole});
    }
    return changes;
}

// Writes the output (or removes an earlier one), the log and the rejected lines, all or nothing; what was
// written, or nothing after a failure (told on `err`).
std::optional<BatchOutcome> writeFiles(const Workspace& session, const std::filesystem::path& input,
                                       const FilePaths& paths, bool summary, std::ostream& out, std::ostream& err) {
    const LoadedFile& file = session.file;
    const std::filesystem::path output = outputFileName(input);
    std::error_code ec;
    const std::filesystem::file_status earlier = std::filesystem::symlink_status(output, ec);
    const bool earlierOutput = std::filesystem::is_regular_file(earlier) || std::filesystem::is_symlink(earlier);
    const SkippedRecords skipped = paths.rejected ? currentlySkipped(file) : SkippedRecords{};
    const WriteResult written = changeFilesTogether(changesOf({&session, &skipped}, input, paths),
                                                    {{input, texts::kInputFileRole}}, session.openOutput);
    if (!written.ok) {
        err << utf8Message(written.message) << "\n";
        return std::nullopt;
    }
    BatchOutcome outcome;
    if (!written.warning.empty()) {
        outcome.warnings.push_back(utf8Message(written.warning));
        if (summary) printWarnings({outcome.warnings.back()}, err);
    }
    if (file.validCount > 0) outcome.output = output;
    outcome.log = paths.log;
    outcome.rejected = paths.rejected;
    if (!summary) return outcome;
    if (file.validCount > 0) {
        out << "Zapisano plik wyjściowy: " << utf8(output) << "\n";
    } else {
        out << "Brak prawidłowych rekordów: plik wyjściowy nie został zapisany.\n";
        if (earlierOutput) out << "Usunięto wcześniejszy plik wyjściowy: " << utf8(output) << "\n";
    }
    out << "Zapisano plik LOG: " << utf8(paths.log) << "\n";
    if (paths.rejected) {
        const auto count = std::count(skipped.begin(), skipped.end(), true);
        out << "Zapisano odrzucone wiersze (" << count << "): " << utf8(*paths.rejected) << "\n";
    }
    return outcome;
}

// A path given to an option, made whole; a status when the command ends here.
std::optional<int> absolutePath(std::filesystem::path& path, std::ostream& err) {
    if (path.is_absolute()) return std::nullopt;
    std::error_code ec;
    const std::filesystem::path whole = std::filesystem::absolute(path, ec);
    if (ec) {
        err << "Nie można ustalić pełnej ścieżki pliku " << utf8(path) << ": "
            << utf8Message(describeSystemError(platform::errorNumber(ec))) << "\n";
        return kBatchError;
    }
    path = whole;
    return std::nullopt;
}

// The input and the other files as whole paths; a status when the command ends here.
std::optional<int> resolvePaths(const Options& options, std::filesystem::path& input, FilePaths& paths,
                                std::ostream& err) {
    std::error_code ec;
    input = std::filesystem::absolute(platform::pathFromUtf8(*options.file), ec);
    if (ec) {
        err << "Nie można ustalić pełnej ścieżki pliku " << *options.file << ": "
            << utf8Message(describeSystemError(platform::errorNumber(ec))) << "\n";
        return kBatchError;
    }
    paths.log = options.log ? *options.log : std::filesystem::path(outputFileName(input)).replace_extension(".log");
    if (const std::optional<int> ended = absolutePath(paths.log, err)) return ended;
    paths.rejected = options.rejected;
    if (paths.rejected) return absolutePath(*paths.rejected, err);
    return std::nullopt;
}

// Loads the input as the open command does, with the options as a user would set them after the load
// (given to the load, they spare a re-run); a status when the command ends here. The load's own messages
// have gone to `err`.
std::optional<int> load(Workspace& session, const Options& options, const std::filesystem::path& input,
                        std::ostream& err) {
    session.file.fileName = input;
    switch (loadFile(session, input, runSettings(options)).outcome) {
    case LoadOutcome::Missing:
        err << "Nie ma takiego pliku: " << utf8(input) << "\n";
        return kBatchError;
    case LoadOutcome::Empty:
        err << "Plik jest pusty: " << utf8(input) << "\n";
        return kBatchError;
    case LoadOutcome::OpenFailed:
    case LoadOutcome::ReadFailed:
    case LoadOutcome::Stopped:
        return kBatchError;
    case LoadOutcome::Loaded:
        break;
    }
    return std::nullopt;
}

// The command once its arguments are read: refusals that need no reading, the load, the summary and
// warnings, then the files (or, dry, the log report on the standard output); with --json the report in
// place of the summary, once the files are written.
int run(const Options& options, std::ostream& out, std::ostream& err, bool& filesWritten) {
    std::filesystem::path input;
    FilePaths paths;
    if (const std::optional<int> ended = resolvePaths(options, input, paths, err)) return *ended;

    if (!options.dryRun) {
        // A file that would take the place of the input, of another file of the run, or of a device is
        // refused before the file is read.
        const WriteResult usable = checkFileChanges(changesOf({}, input, paths), {{input, texts::kInputFileRole}});
        if (!usable.ok) {
            err << utf8Message(usable.message) << "\n";
            return kBatchError;
        }
    }

    ConsoleMessages messages(err);
    Workspace session(messages);
    if (const std::optional<int> ended = load(session, options, input, err)) return *ended;
    const LoadedFile& file = session.file;
    const RunSettings settings = runSettings(options);
    const std::vector<std::string> warnings = warningsOf(file, settings, input);
    if (!options.json) {
        printSummary(file, settings, input, out);
        printWarnings(warnings, err);
    }
    const bool dataLeftOut = file.unreadTail.has_value();
    // Letters read by a code page the counts could not tell from another may all be wrong.
    const bool pageInDoubt = !options.codePage && !file.tiedCodePages.empty();
    int status =
        file.invalidCount == 0 && file.validCount > 0 && !dataLeftOut && !pageInDoubt ? kBatchAllWritten : kBatchSkipped;

    std::optional<BatchOutcome> outcome = BatchOutcome{};
    if (options.dryRun) {
        if (!options.json) {
            out << "\n";
            forEachLogLine(file, [&out](std::string_view line) { out << utf8FromCp1250(line) << '\n'; });
        }
    } else {
        outcome = writeFiles(session, input, paths, !options.json, out, err);
        if (!outcome) return kBatchError;
        filesWritten = true;
        if (!outcome->warnings.empty()) status = std::max(status, int{kBatchSkipped});
    }
    if (options.json) {
        outcome->warnings.insert(outcome->warnings.begin(), warnings.begin(), warnings.end());
        writeJsonReport(file, settings, input, *outcome, out);
    }
    return status;
}

} // namespace

int runBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    int status = kBatchError;
    bool filesWritten = false;
    try {
        Options options;
        const std::optional<int> ended = parseArguments(args, options, out, err);
        status = ended ? *ended : run(options, out, err, filesWritten);
    } catch (const std::bad_alloc&) {
        err << "Za mało pamięci. Polecenie przerwane.\n";
        return kBatchError;
    } catch (const std::filesystem::filesystem_error& e) {
        err << "Błąd systemu plików: " << utf8Message(describeSystemError(platform::errorNumber(e.code()))) << " ("
            << utf8(e.path1()) << "). Polecenie przerwane.\n";
        return kBatchError;
    } catch (const std::system_error& e) {
        err << "Błąd systemu: " << utf8Message(describeSystemError(platform::errorNumber(e.code())))
            << ". Polecenie przerwane.\n";
        return kBatchError;
    }
    // What was printed must have reached the standard output: a full disk or a closed pipe there is a failure.
    // Files already in place are no failure of the command; the lost report is, where it can be told.
    out.flush();
    if (!out) {
        err << (filesWritten ? kCannotPrintAfterWriting : kCannotPrint);
        err.flush();
        return filesWritten && err ? std::max(status, int{kBatchSkipped}) : kBatchError;
    }
    return status;
}

} // namespace quarvel
