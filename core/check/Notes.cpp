#include "Notes.h"

#include "CheckTexts.h"
#include "DateAmount.h"
#include "Holidays.h"
#include "Parallel.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <optional>
#include <string_view>
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

// A hash of what tells orders apart best for its cost: the translated accounts, the amount and the
// lengths of the titles. Equal orders hash alike; orders of the same hash are compared in full. Hashing
// every title byte by byte was most of the pass's time over a million orders.
std::uint64_t sameOrderHash(const SameOrderValues& values, double amount) {
    std::uint64_t hash = amountBits(amount) * 0x9E3779B97F4A7C15ULL;
    const auto mix = [&hash](std::uint64_t word) {
        hash = (hash ^ word) * 0xFF51AFD7ED558CCDULL;
        hash ^= hash >> 32;
    };
    std::uint64_t lengths = 0;
    for (const ValueBytes& value : values)
        lengths = (lengths << 8) ^ value.bytes.size();
    mix(lengths);
    // The two accounts come first among the values.
    for (std::size_t v = 0; v < 2; ++v) {
        const ValueBytes& value = values[v];
        std::uint64_t word = 0;
        for (std::size_t k = 0; k < value.bytes.size(); ++k) {
            word = (word << 8) | translated(value, k);
            if (k % 8 == 7) {
                mix(word);
                word = 0;
            }
        }
        mix(word);
    }
    return hash;
}

// The first valid order of each kind seen so far, found by the hash of its fields: an open-addressing
// table of hash tags and lines, one array of 8 bytes a slot and no allocation per order, as a million
// orders make a node-based set spend its time in the allocator and in cache misses. Two orders of the same
// tag are told apart by their values, read again from the file only then.
class SeenOrders {
public:
    explicit SeenOrders(std::size_t orders)
        : m_slots(std::bit_ceil(std::max<std::size_t>(16, 2 * orders))), m_mask(m_slots.size() - 1) {}

    /// Where the search for an order of this hash starts; prefetch() it before firstOf().
    std::size_t home(std::uint64_t hash) const {
        // FNV-1a leaves the low bits weak for short differences: mixed before they index the table.
        std::uint64_t mixed = (hash ^ (hash >> 31)) * 0xBF58476D1CE4E5B9ULL;
        mixed ^= mixed >> 29;
        return static_cast<std::size_t>(mixed) & m_mask;
    }
    void prefetch(std::size_t home) const { __builtin_prefetch(&m_slots[home]); }

    /// The line of the first order seen equal to the one at `line`, or `line` itself, which is then kept.
    template <class Same> std::size_t firstOf(std::uint64_t hash, std::size_t home, std::size_t line, Same&& same) {
        const auto tag = static_cast<std::uint32_t>(hash >> 32);
        for (std::size_t k = home;; k = (k + 1) & m_mask) {
            Slot& slot = m_slots[k];
            if (slot.linePlusOne == 0) {
                slot = {tag, static_cast<std::uint32_t>(line + 1)};
                return line;
            }
            if (slot.tag == tag && same(slot.linePlusOne - 1, line)) return slot.linePlusOne - 1;
        }
    }

private:
    struct Slot {
        std::uint32_t tag = 0;
        std::uint32_t linePlusOne = 0; ///< 0 for an empty slot; a file has fewer lines than 2^31
    };
    std::vector<Slot> m_slots; ///< at most half full, so a search ends soon at an empty slot
    std::size_t m_mask;
};

} // namespace

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
    // the first. The orders go in blocks, their slots fetched while the hashes of the block are worked out.
    SeenOrders seen(records.withData().size());
    struct Pending {
        std::size_t line;
        std::uint64_t hash;
        std::size_t home;
    };
    constexpr std::size_t kBlock = 32;
    std::array<Pending, kBlock> block{};
    std::size_t pending = 0;
    const auto lookUp = [&] {
        for (std::size_t k = 0; k < pending; ++k) {
            const Pending& order = block[k];
            const std::size_t first = seen.firstOf(order.hash, order.home, order.line, sameOrder);
            if (first == order.line) continue;
            RecordNote note;
            note.record = order.line;
            note.kind = NoteKind::PossibleDoublePayment;
            note.earlierLine = LoadedFile::lineNumber(first);
            notes.push_back(note);
        }
        pending = 0;
    };
    // The hashes, the most work per order, are made side by side; the look-ups, in line order, follow.
    std::vector<std::uint64_t> hashes(records.size());
    runSlices(file.slices(), [&](std::size_t, std::size_t begin, std::size_t end) {
        records.forEachLine(begin, end, [&](std::size_t line, const Record& record) {
            if (record.isValid()) hashes[line] = sameOrderHash(sameOrderValues(file, record), record.amount);
        });
    });
    records.forEachLine(0, records.size(), [&](std::size_t line, const Record& record) {
        if (!record.isValid()) return;
        const std::uint64_t hash = hashes[line];
        const std::size_t home = seen.home(hash);
        seen.prefetch(home);
        block[pending++] = {line, hash, home};
        if (pending == kBlock) lookUp();
    });
    lookUp();
    return notes;
}

std::vector<RecordNote> findExecutionOnDaysOff(const LoadedFile& file, std::chrono::year currentYear) {
    std::vector<RecordNote> notes;
    if (file.kind != FileKind::Orders) return notes;
    const RecordList& records = file.records();
    // Each slice of the records is read on a core of its own; its notes join the others' in slice order.
    const Slices slices = file.slices();
    std::vector<std::vector<RecordNote>> parts(slices.count());
    runSlices(slices, [&](std::size_t k, std::size_t begin, std::size_t end) {
        std::vector<RecordNote>& part = parts[k];
        std::chrono::year_month_day lastDate{};
        std::chrono::year_month_day lastBusinessDay{}; // not ok(): lastDate is no day off
        records.forEachLine(begin, end, [&](std::size_t line, const Record& record) {
            if (!record.isValid()) return;
            // As the date check reads it: the translation of the bytes never touches digits or separators.
            const std::optional<std::chrono::year_month_day> date =
                parseOrderDate(file.valueBytes(record, kOrderDate).bytes, currentYear);
            if (!date) return;
            // The orders of a file share a few dates: the verdict on the last one is kept.
            if (*date != lastDate) {
                lastDate = *date;
                lastBusinessDay = isDayOff(*date) ? businessDayFrom(*date) : std::chrono::year_month_day{};
            }
            if (!lastBusinessDay.ok()) return;
            RecordNote note;
            note.record = line;
            note.kind = NoteKind::ExecutionOnDayOff;
            note.businessDay = lastBusinessDay;
            part.push_back(note);
        });
    });
    std::size_t count = 0;
    for (const auto& part : parts)
        count += part.size();
    notes.reserve(count);
    for (const auto& part : parts)
        notes.insert(notes.end(), part.begin(), part.end());
    return notes;
}

std::vector<RecordNote> findNotes(const LoadedFile& file, std::chrono::year currentYear) {
    const std::vector<RecordNote> doubles = findPossibleDoublePayments(file);
    const std::vector<RecordNote> daysOff = findExecutionOnDaysOff(file, currentYear);
    std::vector<RecordNote> notes;
    notes.reserve(doubles.size() + daysOff.size());
    // Both lists are in record order; on the same record the double payment comes first.
    std::merge(doubles.begin(), doubles.end(), daysOff.begin(), daysOff.end(), std::back_inserter(notes),
               [](const RecordNote& a, const RecordNote& b) { return a.record < b.record; });
    return notes;
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
