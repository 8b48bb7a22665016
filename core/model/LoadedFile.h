#pragma once

#include "CodePages.h"
#include "Layout.h"
#include "Platform.h"
#include "RecordNote.h"
#include "RecordStore.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

/// Data of a file that its end mark left unread.
struct UnreadTail {
    std::uint64_t line = 0;  ///< the line that starts with the mark
    std::uint64_t bytes = 0; ///< the bytes after the mark
};

/// The one loaded input file: its records and their values (RecordStore), and what the load learnt of it.
/// The messages of the fields are the checks' own (fieldErrors in check/Validation.h).
class LoadedFile : public RecordStore {
public:
    std::filesystem::path fileName;
    FileKind kind = FileKind::None;
    CodePage identifiedCodePage = CodePage::Mazovia;
    CodePage declaredCodePage = CodePage::Mazovia;
    std::vector<std::string> loadMessages;
    /// Whether the header of the file named its code page (declaredCodePage keeps an earlier file's
    /// otherwise).
    bool codePageDeclared = false;
    /// The code pages a tie of the letter counts chose among, when the header named none and they read the
    /// letters differently: the identified one may be wrong, and the user is told (tieWarningMessage).
    std::vector<CodePage> tiedCodePages;
    /// Where a 0x1A at the start of a line ended the reading while more data followed it in the file.
    std::optional<UnreadTail> unreadTail;
    /// The most lines a file may have; tests set fewer.
    std::size_t maxLines = RecordList::kMaxLines;
    /// The input as it was when its records were read, to tell whether it changed since.
    std::optional<platform::FileStamp> inputStamp;
    /// Per record, whether the last save left it out of the output file, as its log report lists it; the
    /// log window writes their lines again from it. Empty before a save.
    std::vector<bool> skippedAtSave;
    std::int32_t validCount = 0;
    std::int32_t invalidCount = 0;
    double validTotal = 0;
    /// What the last run of the checks noted on valid records, in record order; never a reason to leave a
    /// record out, and never written to the output or the log.
    std::vector<RecordNote> notes;

    /// Line number of record i in the input file (the header is line 1).
    static std::uint64_t lineNumber(std::size_t i) { return i + 2; }

    /// The reader's messages about line i as a whole (Windows-1250).
    std::vector<std::string> lineErrors(std::size_t i) const;
};

/// Brings the model back to the state of no file loaded.
void resetLoadedFile(LoadedFile& file);

/// An empty text becomes a single space; any other text stays as it is.
std::string_view blankToSpace(std::string_view text);

/// The Polish text of one line message, ending with the line number.
std::string lineErrorText(LineErrorBit error, std::uint64_t lineNumber);

} // namespace quarvel
