#include "LineReader.h"

#include "AsciiWords.h"

#include <algorithm>

namespace quarvel {
namespace {

// Builds one record from the pieces of a data line as they arrive, keeping only what the record needs:
// the first F fields, each cut to 250 bytes, and the number of "|" seen.
class RecordBuilder {
public:
    RecordBuilder(BuiltLines& lines, std::size_t fieldCount) : m_lines(lines), m_fieldCount(fieldCount) {
        m_record.rawOffset = lines.raw.size();
        m_pieceStart = lines.raw.size();
    }

    void operator()(std::string_view bytes) {
        while (!bytes.empty()) {
            if (m_piece >= m_fieldCount) {
                // Surplus pieces only count.
                countSurplus(bytes, m_separators, m_bytesSinceSeparator);
                return;
            }
            const std::size_t bar = bytes.find('|');
            const std::string_view part = bytes.substr(0, bar);
            keep(part);
            if (!part.empty()) m_bytesSinceSeparator = true;
            if (bar == std::string_view::npos) return;
            ++m_separators;
            closePiece();
            m_bytesSinceSeparator = false;
            bytes.remove_prefix(bar + 1);
        }
    }

    /// Appends the finished record.
    void finish() {
        const std::uint64_t pieces = m_separators + (m_bytesSinceSeparator ? 1 : 0);
        if (pieces == 0) {
            m_lines.raw.resize(m_record.rawOffset);
            m_record.lineErrorBits |= kNoData;
        } else {
            if (m_piece < m_fieldCount && m_bytesSinceSeparator) closePiece();
            m_record.setFieldCount(m_fieldCount);
            if (pieces > m_fieldCount) m_record.lineErrorBits |= kTooManyFields;
        }
        m_lines.records.push_back(m_record);
    }

private:
    void keep(std::string_view part) {
        const std::size_t room = kMaxFieldBytes - m_kept;
        const std::size_t n = std::min(room, part.size());
        m_lines.raw.insert(m_lines.raw.end(), part.begin(), part.begin() + static_cast<std::ptrdiff_t>(n));
        m_kept += n;
    }

    // Ends the current piece: strips it in place and stores its length.
    void closePiece() {
        std::vector<char>& raw = m_lines.raw;
        while (raw.size() > m_pieceStart && isStrippable(raw.back()))
            raw.pop_back();
        const auto begin = raw.begin() + static_cast<std::ptrdiff_t>(m_pieceStart);
        const auto first = std::find_if_not(begin, raw.end(), isStrippable);
        raw.erase(begin, first);
        if (raw.size() == m_pieceStart) raw.push_back(' ');
        m_record.rawLength[m_piece] = static_cast<std::uint8_t>(raw.size() - m_pieceStart);
        // Told now, while the bytes are at hand, so that the checks need not read them again.
        if (allPrintableAscii(raw.data() + m_pieceStart, raw.size() - m_pieceStart)) m_record.markRawAscii(m_piece);
        ++m_piece;
        m_pieceStart = raw.size();
        m_kept = 0;
    }

    BuiltLines& m_lines;
    Record m_record;
    std::size_t m_fieldCount;
    std::size_t m_piece = 0;
    std::size_t m_pieceStart;
    std::size_t m_kept = 0;
    std::uint64_t m_separators = 0;
    bool m_bytesSinceSeparator = false;
};

} // namespace

bool readLineInto(BuiltLines& lines, LineScanner& input, std::size_t fieldCount) {
    const std::size_t start = lines.raw.size();
    RecordBuilder builder(lines, fieldCount);
    if (!input.readLine(builder)) {
        lines.raw.resize(start); // bytes of a line cut short by a read failure
        return false;
    }
    builder.finish();
    return true;
}

bool readRecordLine(Workspace& session, LineScanner& input) {
    LoadedFile& file = session.file;
    BuiltLines line;
    if (!readLineInto(line, input, fieldCountFor(file.kind))) return false;
    file.append(line.records, {line.raw.data(), line.raw.size()});
    return true;
}

} // namespace quarvel
