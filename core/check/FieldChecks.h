#pragma once

#include "LoadedFile.h"

#include <array>

namespace quarvel {

/// Bytes a value may hold: 0x20..0x7F and the allowed Windows-1250 bytes above (CR and LF do not count).
bool isPermittedByte(std::uint8_t b);

/// isPermittedByte of each byte after a translation, so a value can be judged before it is translated.
using PermittedTable = std::array<bool, 256>;
PermittedTable permittedAfter(const ByteMap& map);

/// The field checks of one validation run; the tables they need are made once for the run.
class FieldChecker {
public:
    FieldChecker(LoadedFile& file, const Layout& layout);
    /// Judges every value of record i for presence, length and permitted bytes, rebuilding its field
    /// verdicts and messages from nothing.
    void check(std::size_t i) const;
    /// check() of a record at hand.
    void check(Record& record) const;

private:
    LoadedFile& m_file;
    /// The layout's lengths and presence rules, at hand for every record.
    std::size_t m_count;
    std::array<std::int64_t, kMaxFieldCount> m_maxLength{};
    std::array<bool, kMaxFieldCount> m_required{};
    PermittedTable m_afterRaw;
    PermittedTable m_afterFix;
    bool m_rawAsciiPermitted; ///< m_afterRaw permits every byte 0x20..0x7F
    bool m_fixAsciiPermitted;
};

} // namespace quarvel
