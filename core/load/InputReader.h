#pragma once

#include "Session.h"
#include "io/LineScanner.h"

#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

/// Splits `text` at every `separator`: the part before each one (possibly empty), then the rest when it
/// is not empty. So "a|b|" gives "a", "b" and "|" gives one empty piece. Linear in the text's length.
std::vector<std::string> SplitText(std::string_view text, std::string_view separator);

/// What a header line says.
struct HeaderInfo {
    FileKind kind = FileKind::None;
    int declaredCodePage = -1; ///< -1 when the header names none
};

/// Judges a header line fed in pieces, in bounded memory whatever its length.
class HeaderScanner {
public:
    HeaderScanner();
    void operator()(std::string_view bytes);
    HeaderInfo result() const;

private:
    class Finder {
    public:
        explicit Finder(std::vector<std::string_view> patterns);
        void feed(std::string_view bytes);
        bool found(std::size_t k) const { return m_found[k]; }

    private:
        std::vector<std::string_view> m_patterns;
        std::vector<bool> m_found;
        std::string m_window;
        std::size_t m_keep = 0;
    };

    Finder m_keywords;
    Finder m_names;
    int m_separators = 0;
};

/// Reads and judges the header line of the opened file; true when the load may go on. A header naming a
/// kind of data starts `identification` of the file's code page, for ApplyIdentification.
bool OdczytajNaglowek(Session& session, LineScanner& input, BackgroundIdentification& identification);

/// Shows the outcome of the identification: the code page in the window state, or the message of a failed
/// reading. True when the load may go on.
bool ApplyIdentification(Session& session, const Identification& found);

/// The header and the identification one after the other.
bool OdczytajNaglowek(Session& session, LineScanner& input);

/// Reads the next line of the opened file and appends its record; false when there was no further line.
bool OdczytajWiersz(Session& session, LineScanner& input);

/// How reading the records ended.
struct ReadEnd {
    int error = 0;        ///< the system's error code when reading failed (or kTooManyLines), else 0
    bool endMark = false; ///< a 0x1A at the start of a line ended the file
};

/// Reads the rest of the opened file and appends its records, as OdczytajWiersz line by line would: blocks
/// of whole lines are built into records on other threads while the next block is read.
ReadEnd ReadRecords(Session& session, LineScanner& input);

/// The message shown when reading the input fails: the file, the system's reason, and that the load stopped.
std::string ReadFailureMessage(const std::filesystem::path& file, int error);

/// Upper case of the ASCII letters; every other byte stays.
std::string UpperAscii(std::string_view text);

} // namespace quarvel
