#include "RecordList.h"

namespace quarvel {

const Record& RecordList::lineWithoutData() {
    static const Record record = [] {
        Record r;
        r.lineErrorBits = kNoData;
        return r;
    }();
    return record;
}

void RecordList::append(const std::vector<Record>& records, std::uint64_t rawShift) {
    if (records.empty()) return;
    const std::size_t first = m_data.size();
    std::size_t withData = 0;
    if (m_firstWithoutData == kNone) {
        // Most blocks of an ordinary file: every line has data, so the records go in whole.
        while (withData < records.size() && records[withData].fieldCount != 0) ++withData;
        m_data.insert(m_data.end(), records.begin(), records.begin() + static_cast<std::ptrdiff_t>(withData));
        m_lines += withData;
    }
    if (withData < records.size()) {
        if (m_firstWithoutData == kNone) m_firstWithoutData = m_lines;
        // The bitmap is grown to the last line at once, its bits set, and only then are the counts before
        // each new word taken.
        const std::size_t firstWord = m_lines / 64;
        ensureWordFor(m_lines + (records.size() - withData) - 1);
        for (std::size_t k = withData; k < records.size(); ++k, ++m_lines) {
            if (records[k].fieldCount == 0) {
                m_withoutData[m_lines / 64] |= std::uint64_t{1} << (m_lines % 64);
            } else {
                m_data.push_back(records[k]);
            }
        }
        for (std::size_t w = firstWord + 1; w < m_withoutData.size(); ++w) {
            m_withoutBefore[w] = m_withoutBefore[w - 1] + static_cast<std::uint32_t>(countBits(m_withoutData[w - 1]));
        }
    }
    for (std::size_t k = first; k < m_data.size(); ++k) m_data[k].rawOffset += rawShift;
}

void RecordList::markWithoutData() {
    if (m_firstWithoutData == kNone) m_firstWithoutData = m_lines;
    ensureWordFor(m_lines);
    m_withoutData[m_lines / 64] |= std::uint64_t{1} << (m_lines % 64);
}

void RecordList::extendBitmap(std::size_t line) {
    while (m_withoutData.size() <= line / 64) {
        const std::uint32_t before =
            m_withoutData.empty()
                ? 0
                : m_withoutBefore.back() + static_cast<std::uint32_t>(countBits(m_withoutData.back()));
        m_withoutBefore.push_back(before);
        m_withoutData.push_back(0);
    }
}

void RecordList::shrink_to_fit() {
    m_data.shrink_to_fit();
    m_withoutData.shrink_to_fit();
    m_withoutBefore.shrink_to_fit();
}

void RecordList::clear() {
    // Swapping with empty vectors gives the memory of a large file back at once.
    std::vector<Record>().swap(m_data);
    std::vector<std::uint64_t>().swap(m_withoutData);
    std::vector<std::uint32_t>().swap(m_withoutBefore);
    m_lines = 0;
    m_firstWithoutData = kNone;
}

} // namespace quarvel
