#include "load/LoadDriver.h"

#include "check/Correction.h"
#include "check/Validation.h"
#include "load/InputReader.h"
#include "load/LoadTexts.h"
#include "view/RecordGrid.h"

#include <new>
#include <system_error>

namespace quarvel {
namespace {

constexpr std::uintmax_t kMaxRawBytesPerRecord = kMaxFieldCount * 250;

// Room for the raw values, judged from the file's size: reserving address space costs no memory
// until it is written, and spares the copies of a growing buffer.
void reserveFor(LoadedFile& file, const std::filesystem::path& path) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) return;
    constexpr std::uintmax_t kMaxReserve = std::uintmax_t{1} << 32;
    file.rawBytes.reserve(static_cast<std::size_t>(std::min(size, kMaxReserve)));
    // A record needs at least its line feed; a typical line is far longer than 64 bytes.
    file.records.reserve(static_cast<std::size_t>(std::min(size / 64 + 16, kMaxReserve / kMaxRawBytesPerRecord)));
}

// Gives back the room reserved from the file's size when the lines kept only a small part of it (a huge
// line, many surplus fields), so it is not held until the next load; a shrink copies what was kept, which
// for an ordinary file would cost more than the untouched room.
template <class Vector> void releaseUnusedRoom(Vector& v) {
    if (v.size() < v.capacity() / 8) v.shrink_to_fit();
}

void endWithoutRecords(Session& session) {
    session.file.clearRecords();
    // No validation ran, so nothing can be valid: saving stays off until a load yields records.
    session.state.bZapiszTylkoPrawidlowe.enabled = false;
}

} // namespace

LoadOutcome WczytajDane(Session& session, const std::filesystem::path& fileName, const LoadSettings& settings) {
    std::error_code ec;
    if (!std::filesystem::exists(fileName, ec)) return LoadOutcome::Missing;

    OpenedSource opened = session.openInput(fileName);
    if (!opened.source) {
        session.ui.showMessage(texts::kCannotOpenFile + PathForMessage(fileName) + "\r" + texts::kReasonPrefix +
                               DescribeSystemError(opened.error));
        return LoadOutcome::OpenFailed;
    }

    LoadedFile& file = session.file;
    file.fileName = fileName;
    ResetLoadedFile(file, session.state);
    try {
        LineScanner input(*opened.source);
        BackgroundIdentification identification;
        if (!OdczytajNaglowek(session, input, identification)) {
            endWithoutRecords(session);
            return LoadOutcome::Stopped;
        }
        reserveFor(file, fileName);
        const int readError = ReadRecords(session, input);
        releaseUnusedRoom(file.rawBytes);
        releaseUnusedRoom(file.records);
        // A failed identification is reported first: before the records, it was the first to read the file.
        if (!ApplyIdentification(session, identification)) {
            endWithoutRecords(session);
            return LoadOutcome::Stopped;
        }
        if (readError != 0) {
            endWithoutRecords(session);
            session.ui.showMessage(ReadFailureMessage(fileName, readError));
            return LoadOutcome::ReadFailed;
        }
    } catch (const std::bad_alloc&) {
        endWithoutRecords(session);
        session.ui.showMessage(texts::kOutOfMemory + PathForMessage(fileName) + "\r" + texts::kLoadAborted);
        return LoadOutcome::ReadFailed;
    }
    opened.source.reset();

    if (file.records.empty()) {
        session.state.bZapiszTylkoPrawidlowe.enabled = false;
        return file.kind == FileKind::None ? LoadOutcome::Stopped : LoadOutcome::Loaded;
    }
    if (settings.codePage) session.state.ComboBoxStrona.selected = *settings.codePage;
    session.state.cbZamienNiedozwoloneZnaki.checked = settings.replaceControl;
    RunCorrectionPass(session);
    ValidateAllRecords(session);
    SetUpGridColumns(session);
    WypelnijStringGridWczytane(session);
    return LoadOutcome::Loaded;
}

} // namespace quarvel
