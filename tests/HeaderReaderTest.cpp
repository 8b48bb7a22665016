#include "HeaderReader.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

using test::W;
using Read = test::LoadedBytes;

TEST(HeaderReader, DecidesKindAndDeclaredCodePage) {
    struct Case {
        std::string header;
        FileKind kind;
        CodePage declared; // with DHN declared by the earlier file
    };
    const std::vector<Case> cases = {
        {"zlecenia|iso_latin2", FileKind::Orders, CodePage::IsoLatin2},
        {"KONTRAHENCI", FileKind::Contractors, CodePage::Dhn},
        {"KONTRAHENCI|", FileKind::Contractors, CodePage::Dhn},
        {"xKONTRAHENCIx|CP MAZOVIA 1", FileKind::Contractors, CodePage::Mazovia},
        {"KONTRAHENCI|ISO_LATIN2 IBM_LATIN2", FileKind::Contractors, CodePage::IbmLatin2},
        {"KONTRAHENCI|IBM_LATIN2 ISO_LATIN2", FileKind::Contractors, CodePage::IbmLatin2}, // the later name of the list wins
        {"ZLECENIA KONTRAHENCI", FileKind::Orders, CodePage::Dhn},
        {"Kontrahenci|windows_ee|VENTURA", FileKind::Contractors, CodePage::WindowsEe}, // only the second piece counts
        {"VENTURA|KONTRAHENCI", FileKind::Contractors, CodePage::Dhn},
        {"  \tKONTRAHENCI  |  csk  ", FileKind::Contractors, CodePage::Csk},
        {"KONTRAHENCI|\x1A"
         "CSK",
         FileKind::Contractors, CodePage::Dhn},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        test::TestSession t;
        t.file().declaredCodePage = CodePage::Dhn;
        test::LoadBytes(t, dir, c.header + "\r\n");
        EXPECT_EQ(t.file().kind, c.kind) << c.header;
        EXPECT_EQ(t.file().declaredCodePage, c.declared) << c.header;
        EXPECT_TRUE(t.ui.messages.empty()) << c.header;
    }
}

TEST(HeaderReader, FindsKeywordsAndNamesSplitAcrossReadBlocks) {
    HeaderScanner header;
    for (char c : std::string("xkontrahenciy|ab ibm_latin2 cd"))
        header(std::string_view(&c, 1));
    EXPECT_EQ(header.result().kind, FileKind::Contractors);
    EXPECT_EQ(header.result().declaredCodePage, CodePage::IbmLatin2);
}

TEST(HeaderReader, ColoursTheListAndSelectsTheIdentifiedCodePage) {
    {
        Read r("KONTRAHENCI|ISO_LATIN2\nx\xB1\xB1x|b\n");
        EXPECT_EQ(r.t.state().codePageList.selected, codePageItem(CodePage::IsoLatin2));
        EXPECT_EQ(r.t.state().codePageList.background, kGreen);
        EXPECT_EQ(r.t.state().codePageList.textColour, kWhite);
        EXPECT_EQ(r.t.state().kindPanel.text, "KONTRAHENCI");
        EXPECT_EQ(r.t.state().kindPanel.background, kGreen);
        EXPECT_FALSE(r.t.state().otherCodePageMarker.visible);
    }
    {
        Read r("ZLECENIA|MAZOVIA\nx\xB9\xB9x|b\n");
        EXPECT_EQ(r.file().identifiedCodePage, CodePage::WindowsEe);
        EXPECT_EQ(r.t.state().codePageList.selected, codePageItem(CodePage::WindowsEe));
        EXPECT_EQ(r.t.state().codePageList.background, kRed);
        EXPECT_EQ(r.t.state().kindPanel.text, "ZLECENIA");
        EXPECT_EQ(r.t.state().kindPanel.background, kBlue);
        EXPECT_EQ(r.t.state().kindPanel.textColour, kWhite);
    }
}

TEST(HeaderReader, RefusesAHeaderWithoutKeyword) {
    Read r("CONTRACTORS|MAZOVIA\na|b\n");
    EXPECT_EQ(r.file().kind, FileKind::None);
    EXPECT_TRUE(r.file().records().empty());
    ASSERT_EQ(r.t.ui.messages.size(), 1U);
    EXPECT_EQ(r.t.ui.messages[0], W("W nagłówku zbioru nie znaleziono słowa kluczowego \"KONTRAHENCI\" lub "
                                    "\"ZLECENIA\"\rWczytywanie pliku przerwane!"));
    // The file cannot be used as it is, which is no failure of the program: a warning.
    EXPECT_EQ(r.t.ui.messageKinds, std::vector{MessageKind::Warning});
    EXPECT_EQ(r.file().loadMessages.size(), 1U);
    EXPECT_EQ(r.t.state().kindPanel.text, "BRAK");
    EXPECT_EQ(r.t.state().kindPanel.background, kRed);
    EXPECT_EQ(r.t.state().codePageList.selected, -1);
}

TEST(HeaderReader, AnEmptyFileStopsWithoutMessage) {
    Read r("");
    EXPECT_EQ(r.file().kind, FileKind::None);
    EXPECT_TRUE(r.file().records().empty());
    EXPECT_TRUE(r.t.ui.messages.empty());
    EXPECT_EQ(r.t.state().kindPanel.text, "BRAK");
}

} // namespace
} // namespace quarvel
