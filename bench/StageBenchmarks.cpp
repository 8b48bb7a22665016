// quarvel-bench: every stage of a load, a re-run and a save, timed on generated files.
//
// Each stage reports the bytes of the input file per second, so the stages compare with each other and
// with a plain code-page conversion of the same file: a regression shows in the stage that caused it.
//
//   quarvel-bench [--size=10M] [--code-page=IBM_LATIN2] [google benchmark flags]

#include "CodePageIdentification.h"
#include "BenchSupport.h"
#include "gen/FileGenerator.h"

#include "Clock.h"
#include "Correction.h"
#include "Validation.h"
#include "BlockReader.h"
#include "HeaderReader.h"
#include "Pipeline.h"
#include "LogReport.h"
#include "OutputWriter.h"
#include "MainWindowPresenter.h"
#include "RecordGrid.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

namespace {

using namespace quarvel;
using namespace quarvel::bench;

// The generator and the session share one date, so the share of past dates is the same on every day.
constexpr std::chrono::year_month_day kToday{std::chrono::year{2026}, std::chrono::month{12}, std::chrono::day{1}};
const FixedClock kClock{kToday};

std::uint64_t g_size = 10'000'000;
CodePage g_codePage = CodePage::IbmLatin2;

/// A folder for the files the stages read and write; in memory when /dev/shm is there.
class ScratchDir {
public:
    ScratchDir() {
        std::error_code ec;
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base, ec) || access(base.c_str(), W_OK) != 0) {
            base = std::filesystem::temp_directory_path();
        }
        std::random_device random;
        for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
            auto candidate = base / ("quarvel-bench-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate, ec)) m_path = candidate;
        }
        if (m_path.empty()) {
            std::fprintf(stderr, "quarvel-bench: cannot create a scratch folder in %s\n", base.c_str());
            std::exit(2);
        }
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

ScratchDir& scratch() {
    static ScratchDir dir;
    return dir;
}

/// One generated file, in memory and on disk, and a session that has loaded it.
struct Corpus {
    std::string bytes;
    GeneratorStats stats;
    std::filesystem::path path;
    SilentUi ui;
    std::unique_ptr<Session> session;

    LoadedFile& file() { return session->file; }
};

FileKind kindOf(const benchmark::State& state) {
    return state.range(0) == 1 ? FileKind::Contractors : FileKind::Orders;
}

Corpus& corpus(FileKind kind) {
    static std::map<FileKind, std::unique_ptr<Corpus>> made;
    std::unique_ptr<Corpus>& slot = made[kind];
    if (!slot) {
        slot = std::make_unique<Corpus>();
        GeneratorOptions options;
        options.kind = kind;
        options.codePage = g_codePage;
        options.targetBytes = g_size;
        options.today = kToday;
        slot->bytes = GenerateToString(options, &slot->stats);
        slot->path = scratch().path() / (kind == FileKind::Orders ? "zlecenia.txt" : "kontrahenci.txt");
        std::FILE* out = std::fopen(slot->path.c_str(), "wb");
        if (out == nullptr || std::fwrite(slot->bytes.data(), 1, slot->bytes.size(), out) != slot->bytes.size() ||
            std::fclose(out) != 0) {
            std::fprintf(stderr, "quarvel-bench: cannot write %s\n", slot->path.c_str());
            std::exit(2);
        }
        slot->session = std::make_unique<Session>(slot->ui, kClock);
        if (loadIntoWindow(*slot->session, slot->path) != LoadOutcome::Loaded) {
            std::fprintf(stderr, "quarvel-bench: the generated file did not load\n");
            std::exit(2);
        }
    }
    return *slot;
}

/// Brings a corpus back to the state after its load: default options, identified code page.
void resetToLoaded(Corpus& c) {
    Session& s = *c.session;
    s.state.trimFields.checked = true;
    s.state.replaceControl.checked = false;
    s.state.codePageList.selected = codePageItem(s.file.identifiedCodePage);
    rerunChecks(s, currentRunSettings(s));
    showStatistics(s.file, s.state);
}

void reportBytes(benchmark::State& state, const Corpus& c) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(c.bytes.size()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(c.stats.dataLines));
}

// --- Identification: counting the Polish letters of every code page over the whole file.

void BM_IdentifyMemory(benchmark::State& state) {
    Corpus& c = corpus(kindOf(state));
    for (auto _ : state) {
        MemorySource source(c.bytes);
        benchmark::DoNotOptimize(identifyCodePage(source));
    }
    reportBytes(state, c);
}

void BM_IdentifyFile(benchmark::State& state) {
    Corpus& c = corpus(kindOf(state));
    for (auto _ : state) benchmark::DoNotOptimize(identifyCodePage(c.path));
    reportBytes(state, c);
}

// --- Reading: the header (with its identification pass) and every line into records.

void BM_ReadHeaderAndLines(benchmark::State& state) {
    Corpus& c = corpus(kindOf(state));
    SilentUi ui;
    Session session(ui, kClock);
    session.openInput = MemoryOpener(c.bytes);
    session.file.fileName = c.path;
    for (auto _ : state) {
        state.PauseTiming();
        resetLoadedFile(session.file);
        resetLoadControls(session.state);
        state.ResumeTiming();
        MemorySource source(c.bytes);
        LineScanner input(source);
        if (!readHeader(session, input)) state.SkipWithError("header not accepted");
        // As the load driver does: room for the raw values, judged from the file's size.
        session.file.reserveFor(c.bytes.size());
        readRecords(session, input);
        benchmark::DoNotOptimize(session.file.records().withData().data());
    }
    state.counters["model_MB"] = static_cast<double>(ModelBytesUsed(session.file)) / 1e6;
    reportBytes(state, c);
}

void BM_ReadLinesOnly(benchmark::State& state) {
    Corpus& c = corpus(kindOf(state));
    SilentUi ui;
    Session session(ui, kClock);
    for (auto _ : state) {
        state.PauseTiming();
        resetLoadedFile(session.file);
        resetLoadControls(session.state);
        session.file.kind = kindOf(state);
        state.ResumeTiming();
        MemorySource source(c.bytes);
        LineScanner input(source);
        input.readLine([](std::string_view) {});
        session.file.reserveFor(c.bytes.size());
        readRecords(session, input);
        benchmark::DoNotOptimize(session.file.records().withData().data());
    }
    reportBytes(state, c);
}

// --- The whole load of a file: identification, reading, correction, checks.

void BM_LoadFile(benchmark::State& state) {
    Corpus& c = corpus(kindOf(state));
    SilentUi ui;
    Session session(ui, kClock);
    for (auto _ : state) {
        if (loadIntoWindow(session, c.path) != LoadOutcome::Loaded) state.SkipWithError("load failed");
    }
    state.counters["model_MB"] = static_cast<double>(ModelBytesUsed(session.file)) / 1e6;
    state.counters["valid"] = session.file.validCount;
    state.counters["invalid"] = session.file.invalidCount;
    reportBytes(state, c);
}

// --- Correction: variant 0 the state after a load, 1 trimming off and "?" replacement on,
// 2 another code page selected.

void BM_Correction(benchmark::State& state) {
    Corpus& c = corpus(kindOf(state));
    resetToLoaded(c);
    const RunSettings run = currentRunSettings(*c.session);
    CorrectionSettings settings{run.sourceCodePage(c.file()), run.trimFields, run.replaceControl};
    if (state.range(1) == 1) {
        settings.trim = false;
        settings.replaceControl = true;
    } else if (state.range(1) == 2) {
        settings.sourceCodePage = CodePage::Mazovia;
    }
    for (auto _ : state) runCorrectionPass(c.file(), settings, kToday);
    reportBytes(state, c);
    resetToLoaded(c);
}

// --- Checks: field checks, account, date and amount checks, counts and total.

void BM_Validate(benchmark::State& state) {
    Corpus& c = corpus(kindOf(state));
    resetToLoaded(c);
    for (auto _ : state) validateRecords(c.file(), kToday.year());
    state.counters["valid"] = c.file().validCount;
    reportBytes(state, c);
}

// --- Re-run after the user switched the trim option: correction, checks and the grid refill.

void BM_Rerun(benchmark::State& state) {
    Corpus& c = corpus(kindOf(state));
    resetToLoaded(c);
    Session& s = *c.session;
    for (auto _ : state) {
        s.state.trimFields.checked = !s.state.trimFields.checked;
        trimFieldsToggled(s);
    }
    reportBytes(state, c);
    resetToLoaded(c);
}

void BM_GridRefill(benchmark::State& state) {
    Corpus& c = corpus(kindOf(state));
    resetToLoaded(c);
    Session& s = *c.session;
    s.state.recordFilter.selected = static_cast<int>(state.range(1));
    for (auto _ : state) fillGrid(s);
    state.counters["rows"] = static_cast<double>(s.state.grid.rows.size());
    s.state.recordFilter.selected = static_cast<int>(RecordFilter::InvalidOnly);
    reportBytes(state, c);
}

// --- Output: the lines of the valid records, and the whole file written to the scratch folder.

void BM_OutputLines(benchmark::State& state) {
    Corpus& c = corpus(kindOf(state));
    resetToLoaded(c);
    const LoadedFile& file = c.file();
    for (auto _ : state) {
        std::size_t total = 0;
        for (std::size_t r = 0; r < file.records().size(); ++r) {
            if (file.records()[r].isValid()) total += outputLineOf(file, r).size();
        }
        benchmark::DoNotOptimize(total);
    }
    reportBytes(state, c);
}

void BM_WriteOutputFile(benchmark::State& state) {
    Corpus& c = corpus(kindOf(state));
    resetToLoaded(c);
    const std::filesystem::path target = scratch().path() / "wynik_doVexa.txt";
    for (auto _ : state) {
        if (!writeOutputFile(c.file(), target).ok) state.SkipWithError("write failed");
    }
    std::error_code ec;
    std::filesystem::remove(target, ec);
    reportBytes(state, c);
}

// --- Log: statistics and every error of every skipped record.

void BM_LogReportLines(benchmark::State& state) {
    Corpus& c = corpus(kindOf(state));
    resetToLoaded(c);
    std::size_t lines = 0;
    for (auto _ : state) {
        const auto report = logReportLines(c.file());
        lines = report.size();
        benchmark::DoNotOptimize(report.data());
    }
    state.counters["lines"] = static_cast<double>(lines);
    reportBytes(state, c);
}

// Argument 0 is the FileKind: 1 contractors, 2 payment orders.
void kinds(benchmark::internal::Benchmark* b) {
    b->ArgName("kind")->Arg(2)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_IdentifyMemory)->Apply(kinds);
BENCHMARK(BM_IdentifyFile)->Apply(kinds);
BENCHMARK(BM_ReadHeaderAndLines)->Apply(kinds);
BENCHMARK(BM_ReadLinesOnly)->Apply(kinds);
BENCHMARK(BM_LoadFile)->Apply(kinds);
BENCHMARK(BM_Correction)
    ->ArgNames({"kind", "variant"})
    ->ArgsProduct({{2, 1}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Validate)->Apply(kinds);
BENCHMARK(BM_Rerun)->Apply(kinds);
BENCHMARK(BM_GridRefill)
    ->ArgNames({"kind", "filter"})
    ->ArgsProduct({{2, 1}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_OutputLines)->Apply(kinds);
BENCHMARK(BM_WriteOutputFile)->Apply(kinds);
BENCHMARK(BM_LogReportLines)->Apply(kinds);

bool takeOption(std::string_view arg, std::string_view name, std::string_view& value) {
    if (arg.substr(0, name.size()) != name) return false;
    value = arg.substr(name.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    for (int k = 1; k < argc; ++k) {
        const std::string_view arg = argv[k];
        std::string_view value;
        if (takeOption(arg, "--size=", value)) {
            if (!ParseSize(value, g_size) || g_size == 0) {
                std::fprintf(stderr, "quarvel-bench: --size needs a size such as 10M\n");
                return 2;
            }
        } else if (takeOption(arg, "--code-page=", value)) {
            const std::optional<CodePage> found = codePageNamed(value);
            if (!found) {
                std::fprintf(stderr, "quarvel-bench: unknown code page\n");
                return 2;
            }
            g_codePage = *found;
        } else {
            std::fprintf(stderr, "quarvel-bench: unknown argument %s\n"
                                 "usage: quarvel-bench [--size=10M] [--code-page=NAME] [--benchmark_...]\n", argv[k]);
            return 2;
        }
    }
    benchmark::AddCustomContext("input_size_bytes", std::to_string(g_size));
    benchmark::AddCustomContext("code_page", std::string(nameOf(g_codePage)));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
