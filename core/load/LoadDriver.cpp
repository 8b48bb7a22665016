#include "load/LoadDriver.h"

#include "check/Correction.h"
#include "check/Validation.h"
#include "io/IoTexts.h"
#include "io/Platform.h"
#include "io/Utf16Source.h"
#include "load/BlockReader.h"
#include "load/HeaderReader.h"
#include "load/LoadTexts.h"
#include "view/RecordGrid.h"

#include <new>
#include <system_error>

namespace quarvel {
namespace {

// Room for the records, judged from the file's size.
void reserveFor(LoadedFile& file, const std::filesystem::path& path) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec) file.reserveFor(size);
}

void endWithoutRecords(Session& session) {
    session.file.clearRecords();
    session.file.unreadTail.reset();
    // No validation ran, so nothing can be valid: saving stays off until a load yields records.
    session.state.bZapiszTylkoPrawidlowe.enabled = false;
}

bool differ(const std::optional<platform::FileStamp>& a, const std::optional<platform::FileStamp>& b) {
    return a && b && *a != *b;
}

// Whether the two readings of the file saw one unchanging file: the same file throughout, of the same
// size and last change, read to the same length and ended alike.
bool readUnchanged(const std::optional<platform::FileStamp>& before, const ByteSource& source, const LineScanner& input,
                   const ReadEnd& read, const std::optional<Identification>& identified) {
    if (differ(before, source.stamp())) return false;
    if (!identified) return true; // a file without header keyword is read once
    const Identification& found = *identified;
    if (differ(before, found.stampBefore) || differ(found.stampBefore, found.stampAfter)) return false;
    if (read.endMark != found.endMark.has_value()) return false;
    if (found.stampBefore && found.fileBytesRead != found.stampBefore->size) return false;
    // Ended by its mark, the reader stopped early; otherwise both read the whole file.
    return read.endMark || input.bytesRead() == found.bytesRead;
}

void showFailure(Session& session, const std::filesystem::path& fileName, int error) {
    endWithoutRecords(session);
    session.ui.showMessage(MessageKind::Error,
                           error == ENOMEM ? texts::kOutOfMemory + PathForMessage(fileName) + "\r" + texts::kLoadAborted
                                           : ReadFailureMessage(fileName, error));
}

} // namespace

std::string UnreadTailMessage(const std::filesystem::path& fileName, const UnreadTail& tail) {
    return texts::kUnreadTailMark + std::to_string(tail.line) + texts::kUnreadTailEnded + PathForMessage(fileName) +
           "\r" + texts::kUnreadTailSkipped + std::to_string(tail.bytes);
}

std::string TieWarningMessage(const std::vector<CodePageId>& tied) {
    std::string message = texts::kTiedCodePages;
    for (std::size_t k = 0; k < tied.size(); ++k) {
        if (k > 0) message += ", ";
        message += CodePageNames[tied[k]];
    }
    return message + texts::kTiedCodePagesAdvice;
}

LoadOutcome WczytajDane(Session& session, const std::filesystem::path& fileName, const LoadSettings& settings) {
    std::error_code ec;
    // A name Windows keeps for a device exists in every folder, though no folder lists it.
    if (!std::filesystem::exists(fileName, ec) && !platform::IsReservedDeviceName(fileName))
        return LoadOutcome::Missing;

    OpenedSource opened = OpenInputText(session.openInput, fileName);
    if (!opened.source) {
        session.ui.showMessage(MessageKind::Error, texts::kCannotOpenFile + PathForMessage(fileName) + "\r" +
                                                       texts::kReasonPrefix + DescribeSystemError(opened.error));
        return LoadOutcome::OpenFailed;
    }

    LoadedFile& file = session.file;
    file.fileName = fileName;
    file.unreadTail.reset();
    ResetLoadedFile(file, session.state);
    try {
        const std::optional<platform::FileStamp> before = opened.source->stamp();
        LineScanner input(*opened.source, session.readBlockSize);
        BackgroundIdentification identification;
        if (!OdczytajNaglowek(session, input, identification)) {
            endWithoutRecords(session);
            return LoadOutcome::Stopped;
        }
        reserveFor(file, fileName);
        const ReadEnd read = ReadRecords(session, input);
        file.releaseUnusedRoom();
        std::optional<Identification> found;
        if (identification.started()) found = identification.result();
        // A failed identification is reported first: before the records, it was the first to read the file.
        if (found && !ApplyIdentification(session, *found)) {
            endWithoutRecords(session);
            return LoadOutcome::Stopped;
        }
        if (read.error != 0) {
            showFailure(session, fileName, read.error);
            return LoadOutcome::ReadFailed;
        }
        if (!readUnchanged(before, *opened.source, input, read, found)) {
            showFailure(session, fileName, kChangedWhileRead);
            return LoadOutcome::ReadFailed;
        }
        file.inputStamp = before;
        if (found && found->endMark && found->endMark->dataAfter) {
            file.unreadTail = UnreadTail{LoadedFile::lineNumber(file.records().size()), found->endMark->bytesAfter};
        }
        opened.source.reset();

        if (file.records().empty()) {
            session.state.bZapiszTylkoPrawidlowe.enabled = false;
            // A header that names no kind stopped the load above: without a kind, the file held no line.
            return file.kind == FileKind::None ? LoadOutcome::Empty : LoadOutcome::Loaded;
        }
        if (settings.codePage) session.state.ComboBoxStrona.selected = *settings.codePage;
        session.state.cbZamienNiedozwoloneZnaki.checked = settings.replaceControl;
        RunCorrectionPass(session);
        ValidateAllRecords(session);
        SetUpGridColumns(session);
        WypelnijStringGridWczytane(session);
    } catch (const std::bad_alloc&) {
        session.state.StringGridWczytane.visible = false;
        session.state.StringGridWczytane.rows.clear();
        showFailure(session, fileName, ENOMEM);
        return LoadOutcome::ReadFailed;
    }
    return LoadOutcome::Loaded;
}

} // namespace quarvel
