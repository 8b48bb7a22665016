#include "Notes.h"

#include "CheckTexts.h"
#include "DateAmount.h"
#include "Holidays.h"
#include "Parallel.h"
#include "Platform.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace quarvel {
namespace {

// The text fields that make two orders the same besides the amount: the accounts and the four titles.
constexpr std::array<std::size_t, 6> kSameOrderFields = {kOrderDebitedAccount, kOrderCreditedAccount, 4, 5, 9, 10};
constexpr std::size_t kLastSameOrderField = 10;

// The values of those fields of one record, as bytes with their translation.
using SameOrderValues = std::array<ValueBytes, kSameOrderFields.size()>;

SameOrderValues sameOrderValues(const LoadedFile& file, const Record& record) {
    std::array<ValueBytes, kLastSameOrderField + 1> all{};
    file.forEachValue(
        record, [&all](std::size_t j, const ValueBytes& value) { all[j] = value; }, all.size());
    SameOrderValues values{};
    std::transform(kSameOrderFields.begin(), kSameOrderFields.end(), values.begin(),
                   [&all](std::size_t j) { return all[j]; });
    return values;
}

// Byte k of a value as the value holds it, after its translation.
std::uint8_t translated(const ValueBytes& value, std::size_t k) {
    return (*value.map)[static_cast<std::uint8_t>(value.bytes[k])];
}

bool sameValue(const ValueBytes& a, const ValueBytes& b) {
    if (a.bytes.size() != b.bytes.size()) return false;
    for (std::size_t k = 0; k < a.bytes.size(); ++k) {
        if (translated(a, k) != translated(b, k)) return false;
    }
    return true;
}

// 0 and -0 are the same amount and must hash alike.
std::uint64_t amountBits(double amount) {
    return std::bit_cast<std::uint64_t>(amount == 0 ? 0.0 : amount);
}

// A hash of every compared field: the amount, the values' lengths and their translated bytes, eight to a
// word. Orders that differ only in a title's text (an invoice number, say) must hash apart, or a file of
// many such orders has each compared in full with every earlier one of the same accounts and amount.
std::uint64_t hashOfValues(const SameOrderValues& values, double amount) {
    std::uint64_t hash = amountBits(amount) * 0x9E3779B97F4A7C15ULL;
    const auto mix = [&hash](std::uint64_t word) {
        hash = (hash ^ word) * 0xFF51AFD7ED558CCDULL;
        hash ^= hash >> 32;
    };
    std::uint64_t lengths = 0;
    for (const ValueBytes& value : values)
        lengths = (lengths << 8) ^ value.bytes.size();
    mix(lengths);
    for (const ValueBytes& value : values) {
        const std::uint8_t* const bytes = reinterpret_cast<const std::uint8_t*>(value.bytes.data());
        const auto& map = *value.map;
        const std::size_t size = value.bytes.size();
        std::size_t k = 0;
        for (; k + 8 <= size; k += 8) {
            std::uint64_t word = 0;
            for (std::size_t i = 0; i < 8; ++i)
                word |= std::uint64_t{map[bytes[k + i]]} << (8 * i);
            mix(word);
        }
        if (k == size) continue;
        std::uint64_t word = 0;
        for (std::size_t i = 0; k + i < size; ++i)
            word |= std::uint64_t{map[bytes[k + i]]} << (8 * i);
        mix(word);
    }
    return hash;
}

// The first valid order of each kind seen so far, found by a 32-bit tag of its hash: an open-addressing
// table of lines, 6 bytes a slot and no allocation per order, as a million orders make a node-based set
// spend its time in the allocator and in cache misses. The tag's high bits say where a search starts and
// its low 16 bits are kept in the slot; two orders that agree in both are told apart by their values, read
// again from the file only then. It is four fifths full at most, of any size (a tag is mapped onto it by a
// multiplication), and comes zeroed from the system rather than cleared by the program.
class SeenOrders {
public:
    explicit SeenOrders(std::size_t expected) { allocate(std::max<std::size_t>(16, expected + expected / 4 + 1)); }

    /// The tag of an order's hash, its bits mixed, for home() and firstOf().
    static std::uint32_t tagOf(std::uint64_t hash) {
        std::uint64_t mixed = (hash ^ (hash >> 31)) * 0xBF58476D1CE4E5B9ULL;
        mixed ^= mixed >> 29;
        return static_cast<std::uint32_t>(mixed >> 32);
    }
    /// Where the search for an order of this tag starts; prefetch() it before firstOf().
    std::size_t home(std::uint32_t tag) const {
        return static_cast<std::size_t>((std::uint64_t{tag} * m_size) >> 32); // fewer than 2^32 slots
    }
    void prefetch(std::size_t home) const { __builtin_prefetch(&m_slots.get()[home]); }

    /// The line of the first order seen equal to the one at `line`, or `line` itself, which is then kept.
    /// `tagOfLine(line)` gives the tag of an order kept earlier, should the table have to grow.
    template <class Same, class TagOfLine>
    std::size_t firstOf(std::uint32_t tag, std::size_t line, Same&& same, TagOfLine&& tagOfLine) {
        if (5 * m_used >= 4 * m_size) grow(tagOfLine); // more orders than expected
        const auto check = static_cast<std::uint16_t>(tag);
        for (std::size_t k = home(tag);; k = k + 1 == m_size ? 0 : k + 1) {
            Slot& slot = m_slots.get()[k];
            if (slot.linePlusOne == 0) {
                slot.linePlusOne = static_cast<std::uint32_t>(line + 1);
                slot.check = check;
                ++m_used;
                return line;
            }
            if (slot.check == check && same(slot.linePlusOne - 1, line)) return slot.linePlusOne - 1;
        }
    }

private:
    struct [[gnu::packed]] Slot {
        std::uint32_t linePlusOne; ///< 0 for an empty slot; a file has fewer lines than 2^31
        std::uint16_t check;       ///< the low bits of the order's tag
    };
    static_assert(sizeof(Slot) == 6);
    struct Free {
        void operator()(Slot* slots) const { std::free(slots); }
    };

    void allocate(std::size_t size) {
        m_size = size;
        m_slots.reset(static_cast<Slot*>(std::calloc(m_size, sizeof(Slot))));
        if (!m_slots) throw std::bad_alloc();
        // Touched all over at random: large pages spare a fault for nearly every slot's first order.
        platform::adviseLargePages(m_slots.get(), m_size * sizeof(Slot));
    }
    // Twice the room, the orders kept placed again by their tags.
    template <class TagOfLine> void grow(TagOfLine&& tagOfLine) {
        const std::unique_ptr<Slot, Free> old = std::move(m_slots);
        const std::size_t oldSize = m_size;
        allocate(2 * m_size);
        for (std::size_t k = 0; k < oldSize; ++k) {
            const Slot slot = old.get()[k];
            if (slot.linePlusOne == 0) continue;
            std::size_t at = home(tagOfLine(slot.linePlusOne - 1));
            while (m_slots.get()[at].linePlusOne != 0)
                at = at + 1 == m_size ? 0 : at + 1;
            m_slots.get()[at] = slot;
        }
    }

    std::size_t m_size = 0;
    std::size_t m_used = 0;
    std::unique_ptr<Slot, Free> m_slots;
};

// The valid orders among a run of lines and their tags, gathered from the records on a worker while the
// lines before them are looked up.
struct TaggedLines {
    static constexpr std::size_t kLines = std::size_t{1} << 14;
    std::size_t begin = 0;
    std::size_t end = 0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> orders; ///< line and tag of each valid order
};

} // namespace

std::uint64_t sameOrderHash(const LoadedFile& file, const Record& record) {
    return hashOfValues(sameOrderValues(file, record), record.amount);
}

std::uint32_t sameOrderTag(const LoadedFile& file, const Record& record) {
    return SeenOrders::tagOf(sameOrderHash(file, record));
}

std::vector<RecordNote> findPossibleDoublePayments(const LoadedFile& file) {
    std::vector<RecordNote> notes;
    if (file.kind != FileKind::Orders) return notes;
    const RecordList& records = file.records();
    const auto sameOrder = [&file, &records](std::size_t firstLine, std::size_t secondLine) {
        const Record& first = records[firstLine];
        const Record& second = records[secondLine];
        if (amountBits(first.amount) != amountBits(second.amount)) return false;
        const SameOrderValues firstValues = sameOrderValues(file, first);
        const SameOrderValues secondValues = sameOrderValues(file, second);
        return std::equal(firstValues.begin(), firstValues.end(), secondValues.begin(), sameValue);
    };
    // Every valid order is looked up once, in line order; a later one like an earlier one is noted against
    // the first, by the tag the checks kept in its record. Workers gather the tags a run of lines ahead; the
    // lines of a run are looked up in blocks, their slots fetched while the tags of the block are mapped
    // onto the table.
    SeenOrders seen(static_cast<std::size_t>(std::max(file.validCount, 0)));
    const auto tagOfLine = [&records](std::size_t line) { return records[line].sameOrderTag; };
    const auto lookUpBlock = [&](const std::pair<std::uint32_t, std::uint32_t>* orders, std::size_t count) {
        for (std::size_t k = 0; k < count; ++k)
            seen.prefetch(seen.home(orders[k].second));
        for (std::size_t k = 0; k < count; ++k) {
            const auto [line, tag] = orders[k];
            const std::size_t first = seen.firstOf(tag, line, sameOrder, tagOfLine);
            if (first == line) continue;
            RecordNote note;
            // A file has fewer lines than 2^31 (RecordList::kMaxLines).
            note.record = static_cast<std::uint32_t>(line);
            note.kind = NoteKind::PossibleDoublePayment;
            note.earlierLine = static_cast<std::uint32_t>(LoadedFile::lineNumber(first));
            notes.push_back(note);
        }
    };
    constexpr std::size_t kBlock = 32;
    const bool onWorkers = records.size() >= RecordStore::kMinRecordsPerSlice;
    std::size_t next = 0;
    runOrderedPipeline<TaggedLines>(
        Slices::cores() + 1, Slices::cores(),
        [&](TaggedLines& run) {
            if (next == records.size()) return JobStep::End;
            run.begin = next;
            run.end = std::min(records.size(), next + TaggedLines::kLines);
            next = run.end;
            return onWorkers ? JobStep::OnWorker : JobStep::Here;
        },
        [&records](TaggedLines& run) {
            run.orders.clear();
            run.orders.reserve(TaggedLines::kLines);
            records.forEachLine(run.begin, run.end, [&](std::size_t line, const Record& record) {
                // A file has fewer lines than 2^31 (RecordList::kMaxLines).
                if (record.isValid()) run.orders.emplace_back(static_cast<std::uint32_t>(line), record.sameOrderTag);
            });
        },
        [&](TaggedLines& run) {
            for (std::size_t k = 0; k < run.orders.size(); k += kBlock)
                lookUpBlock(run.orders.data() + k, std::min(kBlock, run.orders.size() - k));
        });
    return notes;
}

namespace {

// The notes of the valid orders, in record order: the given possible double payments (in record order)
// and, with `daysOff`, the orders the validation flagged as dated on a day off, each after its record's
// double payment. The records go in slices side by side: each counts its notes, then writes them at its
// place in the one list, so that no note is copied after it is made.
std::vector<RecordNote> notesInRecordOrder(const LoadedFile& file, const std::vector<RecordNote>& doubles, bool daysOff,
                                           std::chrono::year currentYear) {
    std::vector<RecordNote> notes;
    if (file.kind != FileKind::Orders) return notes;
    const RecordList& records = file.records();
    const Slices slices = file.slices();
    const auto doublesFrom = [&doubles](std::size_t line) {
        return static_cast<std::size_t>(
            std::lower_bound(doubles.begin(), doubles.end(), line,
                             [](const RecordNote& note, std::size_t at) { return note.record < at; }) -
            doubles.begin());
    };
    std::vector<std::size_t> counts(slices.count() + 1);
    if (daysOff) {
        runSlices(slices, [&](std::size_t k, std::size_t begin, std::size_t end) {
            std::size_t count = 0;
            records.forEachLine(
                begin, end, [&count](std::size_t, const Record& record) { count += record.executionOnDayOff ? 1 : 0; });
            counts[k + 1] = count;
        });
    }
    for (std::size_t k = 0; k < slices.count(); ++k)
        counts[k + 1] += counts[k] + doublesFrom(slices.end(k)) - doublesFrom(slices.begin(k));
    notes.resize(counts.back());
    if (!daysOff) {
        std::copy(doubles.begin(), doubles.end(), notes.begin());
        return notes;
    }
    runSlices(slices, [&](std::size_t k, std::size_t begin, std::size_t end) {
        auto out = notes.begin() + static_cast<std::ptrdiff_t>(counts[k]);
        auto nextDouble = doubles.begin() + static_cast<std::ptrdiff_t>(doublesFrom(begin));
        DayTable<std::chrono::year_month_day, businessDayFrom> businessDays;
        records.forEachLine(begin, end, [&](std::size_t line, const Record& record) {
            for (; nextDouble != doubles.end() && nextDouble->record == line; ++nextDouble)
                *out++ = *nextDouble;
            if (!record.executionOnDayOff) return;
            // As the date check read it: the translation of the bytes never touches digits or separators.
            const std::optional<std::chrono::year_month_day> date =
                parseOrderDate(file.valueBytes(record, kOrderDate).bytes, currentYear);
            if (!date) return; // never: the flag is set on a date read
            RecordNote note;
            note.record = static_cast<std::uint32_t>(line);
            note.kind = NoteKind::ExecutionOnDayOff;
            note.businessDay = businessDays(*date);
            *out++ = note;
        });
    });
    return notes;
}

} // namespace

std::vector<RecordNote> findExecutionOnDaysOff(const LoadedFile& file, std::chrono::year currentYear) {
    return notesInRecordOrder(file, {}, true, currentYear);
}

std::vector<RecordNote> findNotes(const LoadedFile& file, std::chrono::year currentYear) {
    return notesInRecordOrder(file, findPossibleDoublePayments(file), true, currentYear);
}

std::string noteText(const RecordNote& note) {
    switch (note.kind) {
    case NoteKind::PossibleDoublePayment:
        return texts::kPossibleDoublePrefix + std::to_string(note.earlierLine);
    case NoteKind::ExecutionOnDayOff:
        return texts::kDayOffPrefix + polishDateWithWeekday(note.businessDay);
    }
    return {};
}

} // namespace quarvel
