#include "Pipeline.h"

#include "Correction.h"
#include "Notes.h"
#include "Validation.h"
#include "IoTexts.h"
#include "Platform.h"
#include "Utf16Source.h"
#include "BlockReader.h"
#include "HeaderReader.h"
#include "LineScanner.h"
#include "LoadTexts.h"

#include <new>
#include <system_error>

namespace quarvel {
namespace {

// Room for the records, judged from the file's size; the size, or 0 when it is not known.
std::uintmax_t reserveFor(LoadedFile& file, const std::filesystem::path& path) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) return 0;
    file.reserveFor(size);
    return size;
}

void endWithoutRecords(Workspace& session) {
    session.file.clearRecords();
    session.file.unreadTail.reset();
}

// A load asked to stop: what it read is given up, and nothing is said.
LoadResult stoppedLoad(Workspace& session, LoadResult result) {
    endWithoutRecords(session);
    result.cancelled = true;
    return result;
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

} // namespace

void dropRecords(Workspace& session, const std::filesystem::path& fileName, int error) {
    endWithoutRecords(session);
    session.messages.showMessage(MessageKind::Error,
                           error == ENOMEM ? texts::kOutOfMemory + pathForMessage(fileName) + "\r" + texts::kLoadAborted
                                           : readFailureMessage(fileName, error));
}

std::string unreadTailMessage(const std::filesystem::path& fileName, const UnreadTail& tail) {
    return texts::kUnreadTailMark + std::to_string(tail.line) + texts::kUnreadTailEnded + pathForMessage(fileName) +
           "\r" + texts::kUnreadTailSkipped + std::to_string(tail.bytes);
}

std::string tieWarningMessage(const std::vector<CodePage>& tied) {
    std::string message = texts::kTiedCodePages;
    for (std::size_t k = 0; k < tied.size(); ++k) {
        if (k > 0) message += ", ";
        message += nameOf(tied[k]);
    }
    return message + texts::kTiedCodePagesAdvice;
}

InputToLoad openForLoad(Workspace& session, const std::filesystem::path& fileName) {
    InputToLoad input;
    input.fileName = fileName;
    std::error_code ec;
    // A name Windows keeps for a device exists in every folder, though no folder lists it.
    if (!std::filesystem::exists(fileName, ec) && !platform::isReservedDeviceName(fileName)) {
        input.refused = LoadOutcome::Missing;
        return input;
    }
    input.opened = openInputText(session.openInput, fileName);
    if (!input.opened.source) {
        session.messages.showMessage(MessageKind::Error, texts::kCannotOpenFile + pathForMessage(fileName) + "\r" +
                                                             texts::kReasonPrefix + describeSystemError(input.opened.error));
        input.refused = LoadOutcome::OpenFailed;
    }
    return input;
}

LoadResult loadOpened(Workspace& session, InputToLoad& input, const RunSettings& settings) {
    const std::filesystem::path& fileName = input.fileName;
    OpenedSource& opened = input.opened;
    LoadResult result;
    LoadedFile& file = session.file;
    file.fileName = fileName;
    file.unreadTail.reset();
    resetLoadedFile(file);
    try {
        const std::optional<platform::FileStamp> before = opened.source->stamp();
        LineScanner scanner(*opened.source, session.readBlockSize);
        BackgroundIdentification identification;
        const bool headerRead = readHeader(session, scanner, identification);
        result.headerJudged = true;
        if (stopAsked(session.progress)) return stoppedLoad(session, result);
        if (!headerRead) {
            endWithoutRecords(session);
            result.outcome = LoadOutcome::Stopped;
            return result;
        }
        beginStage(session.progress, WorkProgress::Stage::Reading, reserveFor(file, fileName));
        const ReadEnd read = readRecords(session, scanner);
        // Asked to stop, the identification is not waited for beyond the block its thread is reading.
        if (stopAsked(session.progress)) return stoppedLoad(session, result);
        file.releaseUnusedRoom();
        std::optional<Identification> found;
        if (identification.started()) found = identification.result();
        // A failed identification is reported first: before the records, it was the first to read the file.
        if (found && !applyIdentification(session, *found)) {
            endWithoutRecords(session);
            result.outcome = LoadOutcome::Stopped;
            return result;
        }
        result.identified = found.has_value();
        result.outcome = LoadOutcome::ReadFailed;
        if (read.error != 0) {
            dropRecords(session, fileName, read.error);
            return result;
        }
        if (!readUnchanged(before, *opened.source, scanner, read, found)) {
            dropRecords(session, fileName, kChangedWhileRead);
            return result;
        }
        file.inputStamp = before;
        if (found && found->endMark && found->endMark->dataAfter) {
            file.unreadTail = UnreadTail{LoadedFile::lineNumber(file.records().size()), found->endMark->bytesAfter};
        }
        opened.source.reset();

        // A header that names no kind stopped the load above: without a kind, the file held no line.
        result.outcome =
            file.records().empty() && file.kind == FileKind::None ? LoadOutcome::Empty : LoadOutcome::Loaded;
        if (!file.records().empty()) rerunChecks(session, settings);
        if (stopAsked(session.progress)) return stoppedLoad(session, result);
    } catch (const std::bad_alloc&) {
        dropRecords(session, fileName, ENOMEM);
        result.outcome = LoadOutcome::ReadFailed;
    }
    return result;
}

LoadResult loadFile(Workspace& session, const std::filesystem::path& fileName, const RunSettings& settings) {
    InputToLoad input = openForLoad(session, fileName);
    if (input.refused) return LoadResult{*input.refused};
    return loadOpened(session, input, settings);
}

void rerunChecks(Workspace& session, const RunSettings& settings) {
    LoadedFile& file = session.file;
    // Three steps, the correction and the checks made together; a stop asked meanwhile leaves the rest undone.
    beginStage(session.progress, WorkProgress::Stage::Checking, 3);
    correctAndValidate(file,
                       CorrectionSettings{settings.sourceCodePage(file), settings.trimFields, settings.replaceControl},
                       session.clock.today(), settings.checkNrbDigits, settings.checkNipDigits);
    reportDone(session.progress, 2);
    if (stopAsked(session.progress)) return;
    file.notes = findNotes(file, session.clock.today().year());
    reportDone(session.progress, 3);
}

} // namespace quarvel
