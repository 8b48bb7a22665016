#include "Pipeline.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

struct Example {
    std::string file;
    CodePage codePage;
};

const std::vector<Example> kExamples = {{"mazovia", CodePage::Mazovia},
                                        {"iso_latin2", CodePage::IsoLatin2},
                                        {"ibm_latin2", CodePage::IbmLatin2},
                                        {"windows_ee", CodePage::WindowsEe},
                                        {"utf8", CodePage::Utf8}};

std::vector<std::string> allValues(const LoadedFile& file) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < file.records().size(); ++i)
        lines.push_back(test::JoinValues(file, i));
    return lines;
}

TEST(Examples, EveryCodePageIsIdentifiedAndGivesTheSameValues) {
    for (const auto& [stem, kind, valid, invalid] :
         {std::tuple{"kontrahenci_", FileKind::Contractors, 3, 4}, std::tuple{"zlecenia_", FileKind::Orders, 3, 4}}) {
        std::vector<std::string> reference;
        for (const Example& e : kExamples) {
            test::TestSession t;
            const auto path = test::ExamplePath(std::string(stem) + e.file + ".txt");
            ASSERT_EQ(loadIntoWindow(t.session, path), LoadOutcome::Loaded) << path;
            EXPECT_EQ(t.file().kind, kind) << path;
            EXPECT_EQ(t.file().identifiedCodePage, e.codePage) << path;
            EXPECT_EQ(t.file().declaredCodePage, e.codePage) << path;
            EXPECT_EQ(t.state().codePageList.background, kGreen) << path;
            EXPECT_EQ(t.file().validCount, valid) << path;
            EXPECT_EQ(t.file().invalidCount, invalid) << path;
            const auto values = allValues(t.file());
            if (reference.empty()) reference = values;
            EXPECT_EQ(values, reference) << path << " converts to other values than the first code page";
        }
    }
}

TEST(Examples, OrdersSumTheValidAmounts) {
    test::TestSession t;
    loadIntoWindow(t.session, test::ExamplePath("zlecenia_ibm_latin2.txt"));
    EXPECT_DOUBLE_EQ(t.file().validTotal, 1500.50 + 250 - 12.5);
    EXPECT_EQ(t.state().validTotalLabel.text, "   1 738,00 PLN");
    EXPECT_EQ(t.file().value(0, 0), "12/07/26");
    EXPECT_EQ(t.file().value(6, 0), "1/5/07");
}

} // namespace
} // namespace quarvel
