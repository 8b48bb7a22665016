// The line scanner, the identification and the header and line readers on arbitrary bytes.
//
// Input: one byte choosing the scanner's block size, one choosing how many bytes each read of the
// source returns, one choosing injected faults; the rest is the file. Everything read is compared with
// the plain re-reading of the format in FuzzSupport.h, so pieces split at any byte must give the same
// lines, records, kind and code page. A file starting with FF FE or FE FF is loaded decoded from UTF-16,
// and compared with the plain decoding of it.

#include "CodePageIdentification.h"
#include "FuzzSupport.h"

#include "LineScanner.h"
#include "Utf16Source.h"
#include "HeaderReader.h"
#include "LineReader.h"
#include "Pipeline.h"
#include "LoadTexts.h"

#include <memory>

namespace quarvel::fuzz {
namespace {

void checkScanner(std::string_view content, const std::vector<std::string>& lines, std::size_t block,
                  std::size_t chunk) {
    MemorySource source(content, Reading(chunk));
    LineScanner scanner(source, block);
    std::size_t n = 0;
    std::string line;
    const auto collect = [&line](std::string_view piece) {
        FUZZ_CHECK(!piece.empty(), "the scanner hands on empty pieces");
        line.append(piece);
    };
    for (;;) {
        line.clear();
        if (!scanner.readLine(collect)) break;
        FUZZ_CHECK(n < lines.size(), "more lines than the file holds");
        FUZZ_CHECK(line == lines[n], "line " + std::to_string(n));
        ++n;
    }
    FUZZ_CHECK(line.empty(), "bytes handed on for a line that was not returned");
    FUZZ_CHECK(n == lines.size(), std::to_string(n) + " of " + std::to_string(lines.size()) + " lines");
    FUZZ_CHECK(scanner.error() == 0);
    FUZZ_CHECK(!scanner.readLine(collect), "a line after the end");
    FUZZ_CHECK(scanner.bytesRead() <= content.size());
}

void checkHeaderScanner(const std::string& header, std::size_t block) {
    HeaderScanner scanner;
    for (std::size_t k = 0; k < header.size(); k += block) scanner(std::string_view(header).substr(k, block));
    const HeaderInfo got = scanner.result();
    const ReferenceHeader expected = ReferenceReadHeader(header);
    FUZZ_CHECK(got.kind == expected.kind, "kind");
    FUZZ_CHECK(got.declaredCodePage == expected.declared, "declared code page");
}

void checkIdentification(std::string_view content, const std::vector<std::string>& lines, std::size_t chunk,
                         std::size_t block) {
    MemorySource source(content, Reading(chunk));
    const Identification found = identifyCodePage(source, std::nullopt, block);
    FUZZ_CHECK(found.error == 0);
    FUZZ_CHECK(found.codePage == ReferenceIdentify(lines, std::nullopt, content.starts_with(kUtf8Mark)),
               "identified " + std::string(nameOf(found.codePage)));
    FUZZ_CHECK(found.bytesRead == content.size(), "the identification reads the whole file");
    const std::optional<EndMark> mark = ReferenceEndMark(content);
    FUZZ_CHECK(found.endMark.has_value() == mark.has_value(), "end mark");
    if (mark) {
        FUZZ_CHECK(found.endMark->offset == mark->offset, "end mark offset");
        FUZZ_CHECK(found.endMark->bytesAfter == mark->bytesAfter, "bytes after the end mark");
        FUZZ_CHECK(found.endMark->dataAfter == mark->dataAfter, "data after the end mark");
    }
}

// The decoding of a UTF-16 file, in reads of any size from a source that hands out any pieces.
void checkDecoding(std::string_view content, std::string_view text, std::size_t chunk, std::size_t block) {
    const std::unique_ptr<ByteSource> source = decodeUtf16(std::make_unique<MemorySource>(content, Reading(chunk)));
    std::string decoded;
    std::string buffer(block, '\0');
    for (std::size_t got; (got = source->read(buffer.data(), buffer.size())) > 0;) {
        FUZZ_CHECK(got <= block, "more bytes than asked for");
        decoded.append(buffer, 0, got);
    }
    FUZZ_CHECK(decoded == text, "decoded from UTF-16");
    FUZZ_CHECK(source->fileBytesRead().value_or(content.size()) == content.size(), "the file's bytes read");
}

void checkRecords(const LoadedFile& file, const std::vector<std::string>& lines) {
    const std::size_t fieldCount = fieldCountFor(file.kind);
    FUZZ_CHECK(file.records().size() + 1 == lines.size(), "records");
    for (std::size_t i = 0; i < file.records().size(); ++i) {
        const ReferenceRecord expected = ReferenceRead(lines[i + 1], fieldCount);
        const std::string number = std::to_string(i + 2);
        FUZZ_CHECK(file.fieldCount(i) == expected.raw.size(), "field count of line " + number);
        for (std::size_t j = 0; j < expected.raw.size(); ++j) {
            FUZZ_CHECK(file.rawValue(i, j) == expected.raw[j], "raw value " + std::to_string(j) + " of line " + number);
        }
        std::vector<std::string> lineErrors;
        if (expected.noData) lineErrors.push_back(texts::kNoDataInLine + number);
        if (expected.tooManyFields) lineErrors.push_back(texts::kTooManyFieldsInLine + number);
        FUZZ_CHECK(file.lineErrors(i) == lineErrors, "line errors of line " + number);
    }
}

// The load through Session::openInput, with the faults the third byte asks for. `lines` are those of
// `text`, the file as the reader sees it.
void checkLoad(std::string_view content, std::string_view text, const std::vector<std::string>& lines,
               std::size_t chunk, std::size_t block, std::uint8_t faults) {
    static const FixedClock clock{std::chrono::year{2026} / 12 / 7};
    RecordingUi ui;
    Session session(ui, clock);
    session.readBlockSize = block;
    const std::filesystem::path& path = ExistingPath();

    const bool openFails = (faults & 0x03) == 0x03;
    const bool readerFails = (faults & 0x03) == 0x01;
    const bool identificationFails = (faults & 0x03) == 0x02;
    const std::size_t failAt = content.size() * (faults >> 2) / 64;

    if (openFails) {
        // An earlier file's records must survive a failed opening.
        static const std::string earlier = "KONTRAHENCI\na|b\n";
        session.openInput = [](const std::filesystem::path&) {
            return OpenedSource{std::make_unique<MemorySource>(earlier, Reading(4096)), 0};
        };
        FUZZ_CHECK(loadIntoWindow(session, path) == LoadOutcome::Loaded);
        session.openInput = [](const std::filesystem::path&) { return OpenedSource{nullptr, EACCES}; };
        FUZZ_CHECK(loadIntoWindow(session, path) == LoadOutcome::OpenFailed);
        FUZZ_CHECK(session.file.records().size() == 1, "the earlier records are gone");
        FUZZ_CHECK(ui.messages.size() == 1 && ui.messages[0].rfind(texts::kCannotOpenFile, 0) == 0);
        return;
    }

    int openings = 0;
    session.openInput = [&](const std::filesystem::path&) {
        ++openings;
        const bool fails = (readerFails && openings == 1) || (identificationFails && openings == 2);
        return OpenedSource{
            std::make_unique<MemorySource>(content, Reading(chunk, fails ? failAt : MemoryReading::kAll)), 0};
    };
    session.file.fileName = path;
    const LoadOutcome outcome = loadIntoWindow(session, path);
    const LoadedFile& file = session.file;
    const bool faulty = readerFails || identificationFails;

    if (outcome == LoadOutcome::ReadFailed || (faulty && outcome == LoadOutcome::Stopped && !ui.messages.empty() &&
                                               ui.messages[0].rfind(texts::kCannotReadFile, 0) == 0)) {
        FUZZ_CHECK(faulty, "a read failure without a fault");
        FUZZ_CHECK(file.records().empty(), "records kept after a read failure");
        FUZZ_CHECK(!session.state.saveButton.enabled);
        FUZZ_CHECK(ui.messages.size() == 1);
        FUZZ_CHECK(ui.messages[0] == readFailureMessage(path, EIO), ui.messages[0]);
        return;
    }

    if (lines.empty()) {
        FUZZ_CHECK(outcome == LoadOutcome::Empty);
        FUZZ_CHECK(file.kind == FileKind::None);
        FUZZ_CHECK(ui.messages.empty());
        FUZZ_CHECK(file.records().empty());
        return;
    }
    const ReferenceHeader header = ReferenceReadHeader(lines[0]);
    if (header.kind == FileKind::None) {
        FUZZ_CHECK(outcome == LoadOutcome::Stopped);
        FUZZ_CHECK(file.kind == FileKind::None);
        FUZZ_CHECK(file.records().empty());
        FUZZ_CHECK(ui.messages.size() == 1 && ui.messages[0] == texts::kNoHeaderKeyword + "\r" + texts::kLoadAborted);
        FUZZ_CHECK(session.state.kindPanel.text == "BRAK");
        return;
    }
    FUZZ_CHECK(outcome == LoadOutcome::Loaded, "outcome " + std::to_string(static_cast<int>(outcome)));
    FUZZ_CHECK(ui.messages.empty());
    FUZZ_CHECK(file.kind == header.kind);
    FUZZ_CHECK(file.declaredCodePage == header.declared.value_or(CodePage::Mazovia));
    FUZZ_CHECK(file.identifiedCodePage == ReferenceIdentify(lines, header.declared, text.starts_with(kUtf8Mark)));
    FUZZ_CHECK(file.codePageDeclared == header.declared.has_value());
    const std::optional<EndMark> mark = ReferenceEndMark(text);
    FUZZ_CHECK(file.unreadTail.has_value() == (mark && mark->dataAfter), "data left unread told");
    if (file.unreadTail) {
        FUZZ_CHECK(file.unreadTail->line == file.records().size() + 2, "the line of the end mark");
        FUZZ_CHECK(file.unreadTail->bytes == mark->bytesAfter, "the bytes left unread");
    }
    FUZZ_CHECK(session.state.codePageList.selected == codePageItem(file.identifiedCodePage));
    FUZZ_CHECK(session.state.codePageList.background ==
               (file.identifiedCodePage == file.declaredCodePage ? kGreen : kRed));
    checkRecords(file, lines);
    if (!file.records().empty()) {
        FUZZ_CHECK(static_cast<std::size_t>(file.validCount) + static_cast<std::size_t>(file.invalidCount) ==
                   file.records().size());
    }
    // The records keep what they need, never the lines themselves.
    FUZZ_CHECK(file.allRawValues().size() <= file.records().size() * kMaxFieldCount * kMaxFieldBytes);
}

} // namespace
} // namespace quarvel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quarvel::fuzz;
    Choices choose(data, size);
    const std::size_t block = BlockSizeFrom(choose.byte());
    const std::size_t chunk = BlockSizeFrom(choose.byte());
    const std::uint8_t faults = choose.byte();
    const std::string_view content = choose.rest();

    const std::vector<std::string> lines = ReferenceLines(content);
    checkScanner(content, lines, block, chunk);
    if (!lines.empty()) checkHeaderScanner(lines[0], block);
    checkIdentification(content, lines, chunk, block);
    // The file as the reader sees it: decoded from UTF-16 when it is marked as such.
    const std::string text = ReferenceText(content);
    checkDecoding(content, text, chunk, block);
    const std::vector<std::string> textLines = text == content ? lines : ReferenceLines(text);
    checkLoad(content, text, textLines, chunk, block, faults);
    return 0;
}
