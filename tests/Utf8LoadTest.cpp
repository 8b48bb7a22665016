// Files of today's programs through the whole load: UTF-8 with and without its mark and UTF-16, their
// conversion to Windows-1250, and the code-page list's choices over them.

#include "Correction.h"
#include "Validation.h"
#include "Pipeline.h"
#include "LogReport.h"
#include "OutputWriter.h"
#include "MainWindowPresenter.h"
#include "RecordGrid.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

using test::W;

std::string u16le(std::string_view utf8) {
    std::string out = "\xFF\xFE";
    std::size_t k = 0;
    while (k < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[k]);
        char32_t cp = lead;
        std::size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        if (extra > 0) cp = lead & (0x3F >> extra);
        for (std::size_t t = 1; t <= extra; ++t)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[k + t]) & 0x3F);
        k += extra + 1;
        const auto unit = [&out](char32_t u) {
            out += static_cast<char>(u & 0xFF);
            out += static_cast<char>(u >> 8);
        };
        if (cp >= 0x10000) {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

struct Saved {
    std::string output;
    std::string log;
};

// Loads a copy of the example and saves it as the batch command does; the output and the log.
Saved loadAndSave(const std::string& example) {
    test::TempDir dir;
    test::TestSession t;
    const std::filesystem::path input = dir.write(example, test::ReadFile(test::ExamplePath(example)));
    EXPECT_EQ(loadIntoWindow(t.session, input), LoadOutcome::Loaded) << example;
    EXPECT_TRUE(saveValidRecords(t.file()).ok) << example;
    const std::filesystem::path log = dir.path() / "log.txt";
    EXPECT_TRUE(saveLogReport(t.file(), log).ok) << example;
    return {test::ReadFile(outputFileName(input)), test::ReadFile(log)};
}

TEST(Utf8Files, ExportsOfTodayGiveTheOutputOfTheirCp852Twin) {
    const Saved twin = loadAndSave("zlecenia_ibm_latin2.txt");
    ASSERT_NE(twin.output.find("Zap\xB3"
                               "ata za faktur\xEA"),
              std::string::npos)
        << "ISO-8859-2 letters in the output";
    for (const char* example :
         {"zlecenia_utf8.txt", "zlecenia_utf8_bom.txt", "zlecenia_utf16le.txt", "zlecenia_utf16be.txt"}) {
        const Saved saved = loadAndSave(example);
        EXPECT_EQ(saved.output, twin.output) << example;
        EXPECT_EQ(saved.log, twin.log) << example;
    }
}

TEST(Utf8Files, AreIdentifiedAsUtf8AndGreenWhenTheHeaderSaysSo) {
    struct Case {
        const char* example;
        bool declared;
    };
    for (const Case& c :
         {Case{"zlecenia_utf8.txt", true}, Case{"zlecenia_utf8_bom.txt", true}, Case{"zlecenia_utf16le.txt", false},
          Case{"zlecenia_utf16be.txt", false}, Case{"kontrahenci_utf8.txt", true}}) {
        test::TestSession t;
        ASSERT_EQ(loadIntoWindow(t.session, test::ExamplePath(c.example)), LoadOutcome::Loaded) << c.example;
        EXPECT_EQ(t.file().identifiedCodePage, CodePage::Utf8) << c.example;
        EXPECT_EQ(t.state().codePageList.selected, codePageItem(CodePage::Utf8)) << c.example;
        EXPECT_EQ(t.file().codePageDeclared, c.declared) << c.example;
        EXPECT_EQ(t.state().codePageList.background, c.declared ? kGreen : kRed) << c.example;
        EXPECT_EQ(t.file().validCount, 3) << c.example;
    }
}

const std::string kValidOrder = "12/31/99|100|61109010140000071219812874|27114020040000300201355387|";

TEST(Utf8Files, ACharacterOutsideWindows1250MakesOnlyItsRecordInvalid) {
    const std::string text = "ZLECENIA|UTF-8\r\n" + kValidOrder + "Zapłata za żółwia|FV 1\r\n" + kValidOrder +
                             "Оплата|FV 2\r\n" + kValidOrder + "Uśmiech \xF0\x9F\x98\x80|FV 3\r\n" + kValidOrder +
                             "Opłata „€”|FV 4\r\n";
    test::LoadedBytes l(text);
    const LoadedFile& file = l.file();
    ASSERT_EQ(file.identifiedCodePage, CodePage::Utf8);
    ASSERT_EQ(file.records().size(), 4U);
    EXPECT_TRUE(file.records()[0].isValid());
    EXPECT_EQ(file.value(0, 4), W("Zapłata za żółwia"));
    for (std::size_t i : {1U, 2U}) {
        EXPECT_FALSE(file.records()[i].isValid()) << i;
        EXPECT_EQ(fieldErrors(file, i, 4), std::vector<std::string>{W("Pole zawiera znaki niezgodne z Windows")});
        EXPECT_FALSE(file.records()[i].changed) << "decoding alone changes nothing";
    }
    EXPECT_EQ(file.value(1, 4), std::string(6, '\x81'));
    EXPECT_EQ(file.value(2, 4), W("Uśmiech ") + "\x81");
    // Windows-1250 has „ € ”, but they are not among the characters a value may hold.
    EXPECT_EQ(file.value(3, 4), W("Opłata ") + "\x84\x80\x94");
    EXPECT_FALSE(file.records()[3].isValid());
    EXPECT_EQ(file.validCount, 1);
}

TEST(Utf8Files, LengthsCountCharactersAndTrimmingCutsCharacters) {
    const std::string thirty = [] {
        std::string s;
        for (int k = 0; k < 15; ++k)
            s += "żó";
        return s;
    }();
    const std::string forty = thirty + "ąęąęąęąęąę";
    const std::string text = "KONTRAHENCI|UTF-8\n" + thirty + "|b|c|d|61109010140000071219812874|f|g|h|i\n" + forty +
                             "|b|c|d|61109010140000071219812874|f|g|h|i\n";
    test::LoadedBytes l(text);
    LoadedFile& file = l.file();
    ASSERT_EQ(file.identifiedCodePage, CodePage::Utf8);
    EXPECT_TRUE(file.records()[0].isValid()) << "60 bytes, 30 characters, within 35";
    EXPECT_FALSE(file.records()[0].changed);
    EXPECT_EQ(file.value(0, 0), W(thirty));
    // Trimmed (the option is on at start): cut to 35 characters, changed, the whole value its original.
    EXPECT_TRUE(file.records()[1].isValid());
    EXPECT_TRUE(file.records()[1].changed);
    EXPECT_EQ(file.value(1, 0), W(forty).substr(0, 35));
    EXPECT_EQ(file.originalValue(1, 0), W(forty));
    l.t.state().trimFields.checked = false;
    rerunCorrection(l.t.session);
    EXPECT_EQ(
        fieldErrors(file, 1, 0),
        std::vector<std::string>{W("Pole posiada zbyt dużą ilość znaków = 40. Maksymalna ilość dla tego pola = 35")});
    EXPECT_FALSE(file.records()[1].changed);
}

TEST(Utf8Files, ADecodedValueChangesOnlyWhereItIsCutOrItsControlBytesReplaced) {
    // A tab among Polish letters, in a value of 20 characters and 27 bytes: within its 35.
    test::LoadedBytes l("KONTRAHENCI|UTF-8\nŻółw\tżółw żółw żółw|b|c|d|61109010140000071219812874|f|g|h|i\n");
    Session& session = l.t.session;
    const LoadedFile& file = l.file();
    EXPECT_FALSE(file.records()[0].changed);
    EXPECT_FALSE(file.valueChanged(file.records()[0], 0));
    session.state.replaceControl.checked = true;
    rerunCorrection(session);
    EXPECT_EQ(file.value(0, 0), W("Żółw?żółw żółw żółw"));
    EXPECT_TRUE(file.valueChanged(file.records()[0], 0));
    EXPECT_TRUE(file.records()[0].changed);
    EXPECT_TRUE(file.records()[0].isValid());
    // Read as another code page, the same field is translated byte by byte: no longer only decoded.
    session.state.replaceControl.checked = false;
    session.state.codePageList.selected = codePageItem(CodePage::WindowsEe);
    codePageChosen(session);
    EXPECT_FALSE(file.records()[0].isOnlyDecoded(0));
    EXPECT_FALSE(file.records()[0].changed);
}

TEST(Utf8Files, AccountNumbersAreNormalisedAfterDecoding) {
    // The prefix's eight characters are four Polish letters and four others: sixteen bytes, eight characters.
    const std::string text = "KONTRAHENCI|UTF-8\n"
                             "a|b|c|d|ŻÓŁWbank-PL61109010140000071219812874|f|g|h|i\n"
                             "a|b|c|d|ŻÓŁWbank-61 1090 1014 0000 0712 1981 2874|f|g|h|i\n"
                             "a|b|c|d|PL61109010140000071219812874|f|g|h|ł\n"
                             "a|b|c|d|61109010140000071219812874ą|f|g|h|i\n";
    test::LoadedBytes l(text);
    const LoadedFile& file = l.file();
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(file.value(i, kContractorAccount), "61109010140000071219812874") << i;
        EXPECT_TRUE(file.records()[i].isValid()) << i;
        EXPECT_TRUE(file.records()[i].changed) << i;
    }
    EXPECT_EQ(file.originalValue(0, kContractorAccount), W("ŻÓŁWbank-PL61109010140000071219812874"));
    EXPECT_EQ(fieldErrors(file, 3, kContractorAccount), (std::vector<std::string>{W("Nieprawidłowy numer NRB")}));
    EXPECT_FALSE(file.records()[3].changed);
}

TEST(Utf8Files, ARawValueCutInsideACharacterKeepsItsCutBytesAs0x81) {
    // 125 letters of two bytes and one more: the reader keeps 250 bytes, the last cut after its lead byte.
    std::string title;
    for (int k = 0; k < 124; ++k)
        title += "ż";
    title += "a";
    title += "ż";
    const std::string text = "ZLECENIA|UTF-8\n" + kValidOrder + title + "|x\n";
    test::LoadedBytes l(text);
    const LoadedFile& file = l.file();
    EXPECT_EQ(file.rawValue(0, 4).size(), 250U);
    l.t.state().trimFields.checked = false;
    rerunCorrection(l.t.session);
    EXPECT_EQ(file.value(0, 4), W(title).substr(0, 125) + "\x81");
    EXPECT_EQ(file.value(0, 4).size(), 126U);
}

TEST(Utf8Files, TheCodePageListConvertsAgainFromTheRawBytes) {
    // UTF-8 read as MAZOVIA: each byte translated alone, as for any single-byte code page.
    test::LoadedBytes l("ZLECENIA|UTF-8\n" + kValidOrder + "Łódź|x\n");
    Session& session = l.t.session;
    ASSERT_EQ(l.file().identifiedCodePage, CodePage::Utf8);
    EXPECT_EQ(l.file().value(0, 4), W("Łódź"));
    session.state.codePageList.selected = codePageItem(CodePage::Mazovia);
    codePageChosen(session);
    EXPECT_EQ(l.file().value(0, 4), convertText("\xC5\x81\xC3\xB3"
                                                "d\xC5\xBA",
                                                CodePage::Mazovia, CodePage::WindowsEe));
    EXPECT_TRUE(session.state.otherCodePageMarker.visible);
    session.state.codePageList.selected = codePageItem(CodePage::Utf8);
    codePageChosen(session);
    EXPECT_EQ(l.file().value(0, 4), W("Łódź"));
    EXPECT_FALSE(session.state.otherCodePageMarker.visible);
    EXPECT_TRUE(l.file().records()[0].isValid());

    // A CP852 file read as UTF-8: its letters are no UTF-8, and each becomes 0x81.
    test::LoadedBytes cp852("ZLECENIA|IBM_LATIN2\n" + kValidOrder +
                            "\x9D\xA2"
                            "d\xAB|x\n");
    ASSERT_EQ(cp852.file().identifiedCodePage, CodePage::IbmLatin2);
    EXPECT_EQ(cp852.file().value(0, 4), W("Łódź"));
    cp852.t.state().codePageList.selected = codePageItem(CodePage::Utf8);
    codePageChosen(cp852.t.session);
    EXPECT_EQ(cp852.file().value(0, 4), "\x81\x81"
                                        "d\x81");
    EXPECT_EQ(cp852.file().originalValue(0, 4), "\x81\x81"
                                                "d\x81");
    EXPECT_FALSE(cp852.file().records()[0].isValid());
    EXPECT_FALSE(cp852.file().records()[0].changed);
}

TEST(Utf8Files, TheGridShowsTheDecodedOriginalOfAChangedValue) {
    test::LoadedBytes l("ZLECENIA|UTF-8\n" + kValidOrder + "Zapłata za żółwia, ślimaka i jeża oraz źrebię|x\n");
    Session& session = l.t.session;
    session.state.recordFilter.selected = static_cast<int>(RecordFilter::All);
    filterChosen(session);
    selectCell(session, 2 + 4, 1);
    EXPECT_TRUE(session.state.originalValueEdit.enabled);
    EXPECT_EQ(session.state.originalValueEdit.text, W("Zapłata za żółwia, ślimaka i jeża oraz źrebię"));
    EXPECT_EQ(cellText(session, 2 + 4, 1), W("Zapłata za żółwia, ślimaka i jeża o"));
    EXPECT_EQ(getCellAppearance(session, 2 + 4, 1).background, kCellChanged);
    EXPECT_EQ(getCellAppearance(session, 2 + 5, 1).background, kCellPlain);
}

TEST(Utf16Files, AreReadAsTheUtf8TheyDecodeTo) {
    const std::string utf8 =
        "ZLECENIA|UTF-8\r\n" + kValidOrder + "Zapłata \xF0\x9F\x98\x80|x\r\n" + kValidOrder + "Łódź|x";
    test::LoadedBytes fromUtf16(u16le(utf8));
    test::LoadedBytes fromUtf8("\xEF\xBB\xBF" + utf8);
    ASSERT_EQ(fromUtf16.file().records().size(), 2U);
    EXPECT_EQ(fromUtf16.file().identifiedCodePage, CodePage::Utf8);
    EXPECT_EQ(fromUtf16.file().declaredCodePage, CodePage::Utf8);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(test::JoinRawValues(fromUtf16.file(), i), test::JoinRawValues(fromUtf8.file(), i));
        EXPECT_EQ(test::JoinValues(fromUtf16.file(), i), test::JoinValues(fromUtf8.file(), i));
    }
    EXPECT_FALSE(fromUtf16.file().records()[0].isValid());
    EXPECT_TRUE(fromUtf16.file().records()[1].isValid());
}

TEST(Utf16Files, AMarkAloneOrAHeaderWithoutKeywordStopsTheLoadAsAnyFileWould) {
    for (const std::string& bytes :
         {std::string("\xFF\xFE"), std::string("\xFE\xFF"), u16le("KONTRA\nx|y\n"), std::string("\xFF\xFE") + "Z"}) {
        test::TempDir dir;
        test::TestSession t;
        const auto path = dir.write("in.txt", bytes);
        EXPECT_EQ(loadIntoWindow(t.session, path), LoadOutcome::Stopped);
        ASSERT_EQ(t.ui.messages.size(), 1U);
        EXPECT_EQ(t.ui.messages[0].rfind(W("W nagłówku zbioru nie znaleziono słowa kluczowego"), 0), 0U);
    }
}

} // namespace
} // namespace quarvel
