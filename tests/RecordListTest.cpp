#include "RecordList.h"

#include <gtest/gtest.h>

#include <random>

namespace quarvel {
namespace {

Record withData(std::uint64_t tag) {
    Record r;
    r.fieldCount = 11;
    r.rawOffset = tag;
    return r;
}

// Every line's record against the plain list it stands for, for lines without data alone, in runs,
// scattered, before the first word's end and across words, appended one at a time and in blocks.
TEST(RecordList, EveryLineFindsItsRecordWhereverTheLinesWithoutDataLie) {
    std::mt19937 random(7);
    struct Case {
        const char* what;
        std::size_t lines;
        double withoutData; // the share of lines without data
        std::size_t firstWithoutData;
    };
    const std::vector<Case> cases = {
        {"none without data", 1000, 0.0, 0},   {"all without data", 1000, 1.0, 0},
        {"half, scattered", 5000, 0.5, 0},     {"a few, late", 5000, 0.01, 3000},
        {"the last line only", 130, 0.0, 129}, {"most, after a word of data", 700, 0.95, 64},
    };
    for (const Case& c : cases) {
        for (const bool inBlocks : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (inBlocks ? ", in blocks" : ", one at a time"));
            std::vector<bool> hasData(c.lines);
            for (std::size_t i = 0; i < c.lines; ++i) {
                hasData[i] = i < c.firstWithoutData || std::bernoulli_distribution(1.0 - c.withoutData)(random);
            }
            if (c.firstWithoutData > 0 && c.firstWithoutData < c.lines) hasData[c.firstWithoutData] = false;
            RecordList list;
            std::vector<Record> block;
            for (std::size_t i = 0; i < c.lines; ++i) {
                Record r = hasData[i] ? withData(i) : RecordList::lineWithoutData();
                if (!inBlocks) {
                    list.push_back(r);
                    continue;
                }
                r.rawOffset -= hasData[i] ? 5 : 0;
                block.push_back(r);
                if (block.size() == 97 || i + 1 == c.lines) {
                    list.append(block, 5);
                    block.clear();
                }
            }
            ASSERT_EQ(list.size(), c.lines);
            std::size_t data = 0;
            for (std::size_t i = 0; i < c.lines; ++i) {
                ASSERT_EQ(list.hasData(i), hasData[i]) << i;
                ASSERT_EQ(list.dataBefore(i), data) << i;
                if (hasData[i]) {
                    ASSERT_EQ(list[i].rawOffset, i) << i;
                    ++data;
                } else {
                    ASSERT_EQ(list[i].lineErrorBits, kNoData) << i;
                    ASSERT_EQ(list[i].fieldCount, 0) << i;
                    EXPECT_THROW(list.toChange(i), std::logic_error);
                }
            }
            EXPECT_EQ(list.linesWithoutData(), c.lines - data);
            EXPECT_EQ(list.withData().size(), data);
            EXPECT_EQ(static_cast<std::size_t>(std::distance(list.begin(), list.end())), c.lines);
        }
    }
}

TEST(RecordList, ALineWithoutDataTakesABitAndNoRecord) {
    RecordList list;
    for (int i = 0; i < 1000000; ++i) list.push_back(RecordList::lineWithoutData());
    list.push_back(withData(0));
    EXPECT_EQ(list.size(), 1000001U);
    EXPECT_EQ(list.withData().size(), 1U);
    EXPECT_EQ(list.dataBefore(1000000), 0U);
    list.clear();
    EXPECT_TRUE(list.empty());
    list.push_back(withData(3));
    EXPECT_EQ(list[0].rawOffset, 3U);
    EXPECT_TRUE(list.hasData(0));
}

} // namespace
} // namespace quarvel
