#include "CodePageIdentification.h"
#include "CodePages.h"

#include "LineScanner.h"
#include "support/MemorySource.h"
#include "support/PolishSentences.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>

namespace quarvel {
namespace {

Identification identify(const std::string& bytes, std::optional<CodePage> declared) {
    test::MemorySource source(bytes);
    return identifyCodePage(source, declared);
}

std::array<std::uint64_t, kSingleByteCodePageCount> countsOf(const std::string& bytes) {
    test::MemorySource source(bytes);
    CodePageCounter counter;
    LineScanner scanner(source);
    counter.addAll(scanner);
    return counter.counts();
}

bool told(const Identification& found) {
    return !found.tiedCodePages.empty();
}

// Every file of real sentences, in every code page, 1, 3 and 10 records.
template <class Check>
void forEverySentenceFile(bool named, Check check) {
    for (const std::size_t lines : test::kSentenceFileLines) {
        for (const CodePage page : kSingleByteCodePages) {
            for (std::size_t k = 0; k < test::kSentenceFilesPerCodePage; ++k) {
                const std::string bytes = test::SentenceOrders(page, test::FirstSentenceOf(k), lines, named);
                check(lines, page, bytes, identify(bytes, named ? std::optional(page) : std::nullopt));
            }
        }
    }
}

TEST(RealSentences, WithTheCodePageNamedEveryFileIsReadRightAndNothingIsSaid) {
    forEverySentenceFile(true, [](std::size_t lines, CodePage page, const std::string& bytes, const Identification& found) {
        EXPECT_TRUE(test::ReadsAlike(bytes, page, found.codePage))
            << nameOf(page) << " read as " << nameOf(found.codePage) << ", " << lines << " lines";
        EXPECT_FALSE(told(found)) << nameOf(page) << ", " << lines << " lines";
    });
}

// A file read wrong without a word is one whose counts themselves point elsewhere: wherever its own code
// page shares the largest count, it is read right or the user is told, with that page among those named.
TEST(RealSentences, WithNoCodePageNamedATieNeverReadsLettersWrongSilently) {
    forEverySentenceFile(false, [](std::size_t lines, CodePage page, const std::string& bytes, const Identification& found) {
        const auto counts = countsOf(bytes);
        if (counts[indexOf(page)] < counts[indexOf(found.codePage)] || test::ReadsAlike(bytes, page, found.codePage)) return;
        ASSERT_TRUE(told(found)) << nameOf(page) << " read as " << nameOf(found.codePage) << ", "
                                 << lines << " lines";
        const bool named = std::any_of(found.tiedCodePages.begin(), found.tiedCodePages.end(),
                                       [&](CodePage p) { return test::ReadsAlike(bytes, page, p); });
        EXPECT_TRUE(named) << nameOf(page) << ", " << lines << " lines";
    });
}

// The weights read more files right than the smaller id did, and by ten records every file.
TEST(RealSentences, WithNoCodePageNamedTheWeightsReadMoreFilesRight) {
    std::map<std::size_t, int> right;
    std::map<std::size_t, int> rightBySmallerId;
    forEverySentenceFile(false, [&](std::size_t lines, CodePage page, const std::string& bytes, const Identification& found) {
        const auto counts = countsOf(bytes);
        const auto smallerId = std::max_element(counts.begin(), counts.end()) - counts.begin();
        right[lines] += test::ReadsAlike(bytes, page, found.codePage);
        rightBySmallerId[lines] += test::ReadsAlike(bytes, page, codePageAt(static_cast<std::size_t>(smallerId)));
    });
    const int files = static_cast<int>(kSingleByteCodePageCount * test::kSentenceFilesPerCodePage);
    for (const std::size_t lines : test::kSentenceFileLines) EXPECT_GT(right[lines], rightBySmallerId[lines]) << lines;
    EXPECT_EQ(right[10], files);
}

} // namespace
} // namespace quarvel
