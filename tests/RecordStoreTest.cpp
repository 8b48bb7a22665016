#include "RecordStore.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace quarvel {
namespace {

// A record of three fields whose raw values are `values`, appended with them to `store`.
void appendRecord(RecordStore& store, const std::vector<std::string>& values) {
    Record record;
    std::string raw;
    record.setFieldCount(values.size());
    for (std::size_t j = 0; j < values.size(); ++j) {
        record.rawLength[j] = static_cast<std::uint8_t>(values[j].size());
        raw += values[j];
    }
    store.append({record}, raw);
}

// Enough records for several slices on every machine with more than one core, and lines without data
// among them: every slice's rewritten values must land on its own records once the slices are joined.
// The room reserved for a file larger than what it held is given back after the reading and after each
// run, and never a byte that is kept.
TEST(RecordStore, JoinsTheRewrittenValuesOfEverySliceToTheirRecords) {
    RecordStore store;
    constexpr std::size_t kLines = 3 * RecordStore::kMinRecordsPerSlice + 7;
    // More room than the records and values take, but less than eight times it: the room is kept and
    // the pages past its end are given back.
    store.reserveFor(80 * kLines);
    for (std::size_t i = 0; i < kLines; ++i) {
        if (i % 1000 == 999) {
            store.append({Record{}}, {}); // a line without data
        } else {
            appendRecord(store, {"r" + std::to_string(i), "PL" + std::to_string(i), "x"});
        }
    }
    store.releaseUnusedRoom();
    for (int run = 0; run < 2; ++run) {
        // Each record's values read right after its correction, on its slice's thread, as the checks
        // made in the same pass read them.
        std::vector<std::string> seenInPass(kLines);
        store.rewriteInSlices([&] {
            return [&](ValueRewrites& rewrites, std::size_t line, Record& record) {
                if (line % 3 == 0) rewrites.rewrite(0, "n" + std::to_string(line));
                if (line % 2 == 0) rewrites.useRawPart(1, 2);
                store.forEachValue(record, [&](std::size_t, const ValueBytes& value) {
                    seenInPass[line] += std::string(value.bytes) + "|";
                });
            };
        });
        for (std::size_t i = 0; i < kLines; ++i) {
            if (!store.records().hasData(i)) continue;
            const std::string n = std::to_string(i);
            ASSERT_EQ(store.value(i, 0).str(), (i % 3 == 0 ? "n" : "r") + n) << i;
            ASSERT_EQ(store.value(i, 1).str(), (i % 2 == 0 ? "" : "PL") + n) << i;
            ASSERT_EQ(store.value(i, 2).str(), "x") << i;
            ASSERT_EQ(seenInPass[i], store.value(i, 0).str() + "|" + store.value(i, 1).str() + "|x|") << i;
            ASSERT_EQ(store.rawValue(i, 1), "PL" + n) << i;
            ASSERT_TRUE(store.amountKnown(i));
        }
    }
}

// The window checks a copy of the records while it shows the originals: a copy reads its own rewritten
// values, whatever becomes of the original's.
TEST(RecordStore, ACopyKeepsItsRewrittenValuesWhenTheOriginalChanges) {
    auto original = std::make_unique<RecordStore>();
    constexpr std::size_t kLines = 2 * RecordStore::kMinRecordsPerSlice + 5;
    for (std::size_t i = 0; i < kLines; ++i)
        appendRecord(*original, {"r" + std::to_string(i)});
    const auto rewriteAll = [](RecordStore& store, const std::string& prefix) {
        store.rewriteInSlices([&] {
            return [&](ValueRewrites& rewrites, std::size_t line, Record&) {
                rewrites.rewrite(0, prefix + std::to_string(line));
            };
        });
    };
    rewriteAll(*original, "a");
    RecordStore copy = *original;
    RecordStore assigned;
    assigned = *original;
    rewriteAll(*original, "b");
    original.reset();
    for (std::size_t i = 0; i < kLines; ++i) {
        ASSERT_EQ(copy.value(i, 0).str(), "a" + std::to_string(i)) << i;
        ASSERT_EQ(assigned.value(i, 0).str(), "a" + std::to_string(i)) << i;
    }
}

// Whether a value is still its raw value and whether it differs from its original value, for every way
// a value can come about: as read, cut, rewritten, a part of the raw value, translated.
TEST(RecordStore, TellsRawAndChangedValues) {
    struct Case {
        const char* what;
        std::string raw;
        std::string rewritten; ///< empty: not rewritten; "@2": the raw value from byte 2 on
        std::uint8_t kept;
        bool replaceControl;
        bool isRaw;
        bool changed;
    };
    const std::vector<Case> cases = {
        {"as read", "abc", "", 255, false, true, false},
        {"cut shorter", "abcdef", "", 3, false, false, true},
        {"as long as kept", "abc", "", 3, false, true, false},
        {"rewritten alike", "abc", "abc", 255, false, false, false},
        {"rewritten otherwise", "abc", "abd", 255, false, false, true},
        {"rewritten shorter", "abc", "ab", 255, false, false, true},
        {"a part of the raw value", "PL123", "@2", 255, false, false, true},
        {"a control byte, kept",
         "a\x01"
         "b",
         "", 255, false, true, false},
        {"a control byte, replaced",
         "a\x01"
         "b",
         "", 255, true, true, true},
        {"replacing, without control bytes", "ab", "", 255, true, true, false},
        {"a letter of the code page, rewritten as Windows-1250", "\xB1", "\xB9", 255, false, false, false},
    };
    for (const Case& c : cases) {
        RecordStore store;
        appendRecord(store, {c.raw});
        store.setConversion(c.rewritten == "\xB9" ? CodePage::IsoLatin2 : CodePage::WindowsEe, c.replaceControl);
        FieldLengths kept = wholeValues();
        kept[0] = c.kept;
        store.setKeptLengths(kept);
        store.rewriteInSlices([&c] {
            return [&c](ValueRewrites& rewrites, std::size_t, Record&) {
                if (c.rewritten.starts_with("@")) {
                    rewrites.useRawPart(0, static_cast<std::size_t>(c.rewritten[1] - '0'));
                } else if (!c.rewritten.empty()) {
                    rewrites.rewrite(0, c.rewritten);
                }
            };
        });
        const Record& record = store.records()[0];
        EXPECT_EQ(store.valueIsRaw(record, 0), c.isRaw) << c.what;
        EXPECT_EQ(store.valueChanged(record, 0), c.changed) << c.what;
        EXPECT_EQ(store.anyValueChanged(record), c.changed) << c.what;
        // The grid's reading of the same rule, value against original value.
        EXPECT_EQ(store.value(0, 0) != store.originalValue(0, 0), c.changed) << c.what;
    }
}

} // namespace
} // namespace quarvel
