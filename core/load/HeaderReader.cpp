#include "HeaderReader.h"

#include "IoTexts.h"
#include "Utf16Source.h"
#include "LoadTexts.h"

#include <algorithm>
#include <utility>

namespace quarvel {
namespace {

char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

std::string readFailureMessage(const std::filesystem::path& file, int error) {
    return texts::kCannotReadFile + pathForMessage(file) + "\r" + texts::kReasonPrefix + describeSystemError(error) +
           "\r" + texts::kLoadAborted;
}

std::string upperAsciiText(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), upperAscii);
    return out;
}

HeaderScanner::Finder::Finder(std::vector<std::string_view> patterns)
    : m_patterns(std::move(patterns)), m_found(m_patterns.size(), false) {
    for (std::string_view p : m_patterns)
        m_keep = std::max(m_keep, p.size() - 1);
}

void HeaderScanner::Finder::feed(std::string_view bytes) {
    // The window holds the end of the earlier bytes, so a pattern split between two pieces is found too.
    m_window.append(upperAsciiText(bytes));
    for (std::size_t k = 0; k < m_patterns.size(); ++k) {
        if (!m_found[k] && m_window.find(m_patterns[k]) != std::string::npos) m_found[k] = true;
    }
    if (m_window.size() > m_keep) m_window.erase(0, m_window.size() - m_keep);
}

HeaderScanner::HeaderScanner()
    : m_keywords({"KONTRAHENCI", "ZLECENIA"}), m_names({kCodePageNames.begin(), kCodePageNames.end()}) {}

void HeaderScanner::operator()(std::string_view bytes) {
    m_keywords.feed(bytes);
    // The code page is named in the second "|"-separated piece. Stripping the line's ends first, as the
    // format says, cannot change what that piece contains: no name holds a byte up to 0x20.
    while (!bytes.empty() && m_separators < 2) {
        const std::size_t bar = bytes.find('|');
        if (m_separators == 1) m_names.feed(bytes.substr(0, bar));
        if (bar == std::string_view::npos) return;
        ++m_separators;
        bytes.remove_prefix(bar + 1);
    }
}

HeaderInfo HeaderScanner::result() const {
    HeaderInfo info;
    if (m_keywords.found(0)) info.kind = FileKind::Contractors;
    if (m_keywords.found(1)) info.kind = FileKind::Orders;
    for (std::size_t p = 0; p < kCodePageCount; ++p) {
        if (m_names.found(p)) info.declaredCodePage = codePageAt(p);
    }
    return info;
}

bool readHeader(Workspace& session, LineScanner& input, BackgroundIdentification& identification) {
    LoadedFile& file = session.file;
    file.loadMessages.clear();
    file.kind = FileKind::None;
    file.codePageDeclared = false;
    file.tiedCodePages.clear();

    HeaderScanner header;
    const bool hasLine = input.readLine(header);
    if (input.error() != 0) {
        session.messages.showMessage(MessageKind::Error, readFailureMessage(file.fileName, input.error()));
        return false;
    }
    if (hasLine) {
        const HeaderInfo info = header.result();
        if (info.kind != FileKind::None) {
            file.kind = info.kind;
            if (info.declaredCodePage) file.declaredCodePage = *info.declaredCodePage;
            file.codePageDeclared = info.declaredCodePage.has_value();
            // The identification reads the file a second time, in the background while the records are read.
            OpenedSource second = openInputText(session.openInput, file.fileName);
            if (!second.source) {
                        session.messages.showMessage(MessageKind::Error, readFailureMessage(file.fileName, second.error));
                return false;
            }
            identification.start(std::move(second.source), info.declaredCodePage, session.readBlockSize);
        } else {
            file.loadMessages.push_back(texts::kNoHeaderKeyword);
        }
    }
    if (!file.loadMessages.empty()) {
        std::string message;
        for (const std::string& m : file.loadMessages)
            message += m + "\r";
        message += texts::kLoadAborted;
        session.messages.showMessage(MessageKind::Warning, message);
        return false;
    }
    return true;
}

bool applyIdentification(Workspace& session, const Identification& found) {
    LoadedFile& file = session.file;
    if (found.error != 0) {
        session.messages.showMessage(MessageKind::Error, readFailureMessage(file.fileName, found.error));
        return false;
    }
    file.identifiedCodePage = found.codePage;
    file.tiedCodePages = found.tiedCodePages;
    return true;
}

bool readHeader(Workspace& session, LineScanner& input) {
    BackgroundIdentification identification;
    return readHeader(session, input, identification) &&
           (!identification.started() || applyIdentification(session, identification.result()));
}

} // namespace quarvel
