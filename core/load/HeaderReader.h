#pragma once

#include "CodePageIdentification.h"
#include "Workspace.h"
#include "LineScanner.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

/// What a header line says.
struct HeaderInfo {
    FileKind kind = FileKind::None;
    std::optional<CodePage> declaredCodePage; ///< none when the header names none
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

/// Reads and judges the header line of the opened file; true when the load may go on (a file without any
/// line leaves the kind FileKind::None). A header naming a kind of data starts `identification` of the
/// file's code page, for applyIdentification.
bool readHeader(Workspace& session, LineScanner& input, BackgroundIdentification& identification);

/// Takes the outcome of the identification into the loaded file, or tells the message of a failed reading.
/// True when the load may go on.
bool applyIdentification(Workspace& session, const Identification& found);

/// The header and the identification one after the other; true when the load may go on.
bool readHeader(Workspace& session, LineScanner& input);

/// The message shown when reading the input fails: the file, the system's reason, and that the load stopped.
std::string readFailureMessage(const std::filesystem::path& file, int error);

/// Upper case of the ASCII letters; every other byte stays.
std::string upperAsciiText(std::string_view text);

} // namespace quarvel
