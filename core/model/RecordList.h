#pragma once

#include "AsciiWords.h"
#include "Record.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <vector>

namespace quarvel {

/// The records of the loaded file, one per data line, in line order.
///
/// A file may hold millions of lines without data; each is the same constant record, so such a line
/// costs a bit here instead of a record: the records of the lines with data lie one after another, and
/// a bitmap tells which lines have none. Up to the first line without data a line's position is its
/// record's; after it the bitmap is counted, in constant time.
class RecordList {
public:
    /// The most lines a file may have: the counts of valid and invalid records are 32-bit.
    static constexpr std::size_t kMaxLines = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());

    /// The record of every line without data.
    static const Record& lineWithoutData();

    std::size_t size() const { return m_lines; }
    bool empty() const { return m_lines == 0; }
    /// Lines without data among them.
    std::size_t linesWithoutData() const { return m_lines - m_data.size(); }

    const Record& operator[](std::size_t line) const {
        if (line < m_firstWithoutData) return m_data[line];
        const std::size_t k = recordOf(line);
        return k != kNone ? m_data[k] : lineWithoutData();
    }
    /// The record of a line with data, to be changed; a line without data has nothing to change.
    Record& toChange(std::size_t line) {
        if (line < m_firstWithoutData) return m_data[line];
        const std::size_t k = recordOf(line);
        if (k == kNone) throw std::logic_error("a line without data has no record to change");
        return m_data[k];
    }

    bool hasData(std::size_t line) const {
        return line < m_firstWithoutData || ((m_withoutData[line / 64] >> (line % 64)) & 1U) == 0;
    }
    /// The number of lines with data before `line`: the position of its record among them.
    std::size_t dataBefore(std::size_t line) const {
        if (line <= m_firstWithoutData) return line;
        const std::size_t word = line / 64;
        const std::uint64_t earlier = (std::uint64_t{1} << (line % 64)) - 1;
        const std::size_t without =
            m_withoutBefore[word] + countBits(m_withoutData[word] & earlier);
        return line - without;
    }

    /// Calls `fn(line, const Record&)` for the lines [begin, end) in order: a walk that finds each
    /// record from the last instead of counting the bitmap for every line.
    template <class Fn> void forEachLine(std::size_t begin, std::size_t end, Fn&& fn) const {
        std::size_t k = dataBefore(begin);
        for (std::size_t line = begin; line < end; ++line) {
            if (hasData(line)) {
                fn(line, m_data[k++]);
            } else {
                fn(line, lineWithoutData());
            }
        }
    }
    /// Calls `fn(line, Record&)` for the lines with data among [begin, end), in order.
    template <class Fn> void forEachLineWithData(std::size_t begin, std::size_t end, Fn&& fn) {
        std::size_t k = dataBefore(begin);
        for (std::size_t line = begin; line < end; ++line) {
            if (hasData(line)) fn(line, m_data[k++]);
        }
    }

    /// The records of the lines with data, in line order.
    const std::vector<Record>& withData() const { return m_data; }
    std::vector<Record>& withData() { return m_data; }

    /// Appends the record of the next line.
    void push_back(const Record& record) {
        if (record.fieldCount == 0) {
            markWithoutData();
        } else {
            m_data.push_back(record);
            if (m_firstWithoutData != kNone) ensureWordFor(m_lines);
        }
        ++m_lines;
    }
    /// Appends the records of the next lines, their raw offsets moved by `rawShift`.
    void append(const std::vector<Record>& records, std::uint64_t rawShift);

    /// Room for `lines` lines, judged to have data.
    void reserve(std::size_t lines) { m_data.reserve(lines); }
    std::size_t capacity() const { return m_data.capacity(); }
    void shrink_to_fit();
    /// Removes every line and gives the memory back.
    void clear();

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Record;
        using difference_type = std::ptrdiff_t;
        using pointer = const Record*;
        using reference = const Record&;
        const_iterator() = default;
        const_iterator(const RecordList* list, std::size_t line) : m_list(list), m_line(line) {}
        reference operator*() const { return (*m_list)[m_line]; }
        pointer operator->() const { return &(*m_list)[m_line]; }
        const_iterator& operator++() {
            ++m_line;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++m_line;
            return before;
        }
        bool operator==(const const_iterator& other) const { return m_line == other.m_line; }

    private:
        const RecordList* m_list = nullptr;
        std::size_t m_line = 0;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, m_lines}; }

private:
    static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

    // The position of the record of a line from the first without data on, or kNone: one word of the
    // bitmap read.
    std::size_t recordOf(std::size_t line) const {
        const std::uint64_t word = m_withoutData[line / 64];
        const std::uint64_t bit = std::uint64_t{1} << (line % 64);
        if ((word & bit) != 0) return kNone;
        return line - m_withoutBefore[line / 64] - countBits(word & (bit - 1));
    }
    void markWithoutData();
    // The bitmap reaches `line`; a word is added once the words before it are complete, with the count of
    // the lines without data before it.
    void ensureWordFor(std::size_t line) {
        if (line / 64 >= m_withoutData.size()) extendBitmap(line);
    }
    void extendBitmap(std::size_t line);

    std::vector<Record> m_data;
    std::size_t m_lines = 0;
    std::size_t m_firstWithoutData = kNone;
    std::vector<std::uint64_t> m_withoutData;   ///< bit per line from the first line on; empty until needed
    std::vector<std::uint32_t> m_withoutBefore; ///< per word of the bitmap: lines without data before it
};

} // namespace quarvel
