#include "load/LoadDriver.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace quarvel {
namespace {

using test::W;

TEST(LoadDriver, AMissingFileChangesNothing) {
    test::TempDir dir;
    test::TestSession t;
    test::LoadBytes(t, dir, "KONTRAHENCI\na|b\n");
    ASSERT_EQ(t.file().records.size(), 1U);
    EXPECT_EQ(WczytajDane(t.session, dir.path() / "gone.txt"), LoadOutcome::Missing);
    EXPECT_EQ(t.file().records.size(), 1U);
    EXPECT_TRUE(t.ui.messages.empty());
}

TEST(LoadDriver, AFolderCannotBeOpenedAndTheEarlierRecordsStay) {
    test::TempDir dir;
    test::TestSession t;
    test::LoadBytes(t, dir, "KONTRAHENCI\na|b\n");
    std::filesystem::create_directory(dir.path() / "folder.txt");
    EXPECT_EQ(WczytajDane(t.session, dir.path() / "folder.txt"), LoadOutcome::OpenFailed);
    EXPECT_EQ(t.file().records.size(), 1U);
    ASSERT_EQ(t.ui.messages.size(), 1U);
    EXPECT_EQ(t.ui.messages[0].rfind(W("Nie można otworzyć pliku: "), 0), 0U) << t.ui.messages[0];
    EXPECT_NE(t.ui.messages[0].find(W("to jest folder")), std::string::npos);
}

TEST(LoadDriver, AReadFailureStopsTheLoadAndKeepsNoHalfFile) {
    test::TempDir dir;
    test::TestSession t;
    const std::string content = "ZLECENIA\n12/24/26|1|12345678901234567890123456|12345678901234567890123456|a|b\n"
                                "12/24/26|1|12345678901234567890123456|12345678901234567890123456|a|b\n";
    const auto path = dir.write("in.txt", content);
    int opened = 0;
    t.session.openInput = [&](const std::filesystem::path&) {
        // The reader's opening fails part way; the identification's second opening reads everything.
        ++opened;
        return OpenedSource{std::make_unique<test::PiecewiseSource>(content, content.size(), opened == 1 ? 90 : content.size()), 0};
    };
    EXPECT_EQ(WczytajDane(t.session, path), LoadOutcome::ReadFailed);
    EXPECT_TRUE(t.file().records.empty());
    EXPECT_FALSE(t.state().bZapiszTylkoPrawidlowe.enabled);
    ASSERT_EQ(t.ui.messages.size(), 1U);
    EXPECT_EQ(t.ui.messages[0], W("Błąd odczytu pliku: ") + path.string() + W("\rPrzyczyna: błąd wejścia/wyjścia\r"
                                                                            "Wczytywanie pliku przerwane!"));
}

TEST(LoadDriver, AFailingIdentificationStopsTheLoadWhateverTheReaderRead) {
    // The identification reads its own opening beside the reader; when it fails part way, the records
    // the reader built meanwhile are dropped, and earlier records are gone as on any other failure.
    test::TempDir dir;
    test::TestSession t;
    test::LoadBytes(t, dir, "KONTRAHENCI\nFirma|a|b|c|12345678901234567890123456|d|e|f|g\n", "earlier.txt");
    ASSERT_EQ(t.file().records.size(), 1U);
    std::string content = "ZLECENIA\n";
    for (int i = 0; i < 5000; ++i) content += "12/24/26|1|12345678901234567890123456|12345678901234567890123456|a|b\n";
    const auto path = dir.write("in.txt", content);
    int opened = 0;
    t.session.openInput = [&](const std::filesystem::path&) {
        ++opened;
        return OpenedSource{std::make_unique<test::PiecewiseSource>(content, content.size(), opened == 1 ? content.size() : 1000), 0};
    };
    EXPECT_EQ(WczytajDane(t.session, path), LoadOutcome::Stopped);
    EXPECT_EQ(opened, 2);
    EXPECT_TRUE(t.file().records.empty());
    EXPECT_FALSE(t.state().bZapiszTylkoPrawidlowe.enabled);
    EXPECT_EQ(t.ui.messages, std::vector<std::string>{W("Błąd odczytu pliku: ") + path.string() +
                                                      W("\rPrzyczyna: błąd wejścia/wyjścia\rWczytywanie pliku przerwane!")});
}

TEST(LoadDriver, AHeaderWithoutDataLeavesEverythingAtZero) {
    test::TempDir dir;
    test::TestSession t;
    test::LoadBytes(t, dir, "KONTRAHENCI|ISO_LATIN2\nFirma|a|b|c|12345678901234567890123456|d|e|f|g\n");
    ASSERT_TRUE(t.state().bZapiszTylkoPrawidlowe.enabled);
    t.state().cbZamienNiedozwoloneZnaki.checked = true;
    test::LoadBytes(t, dir, "ZLECENIA|MAZOVIA\r\n", "second.txt"); // plain ASCII identifies as MAZOVIA
    EXPECT_TRUE(t.file().records.empty());
    EXPECT_EQ(t.file().kind, FileKind::Orders);
    EXPECT_FALSE(t.state().StringGridWczytane.visible);
    EXPECT_FALSE(t.state().bZapiszTylkoPrawidlowe.enabled);
    EXPECT_FALSE(t.state().cbZamienNiedozwoloneZnaki.checked) << "every load switches the replace option off";
    EXPECT_EQ(t.state().PanelRodzajWczytanegoZbioru.text, "ZLECENIA");
    EXPECT_EQ(t.state().ComboBoxStrona.background, kGreen);
    EXPECT_TRUE(t.ui.messages.empty());
}

TEST(LoadDriver, ResetKeepsKindUntilTheNextHeader) {
    test::TestSession t;
    t.file().kind = FileKind::Orders;
    t.state().bPokazLog.enabled = true;
    t.state().ShapeInnaStronaKodowaWPliku.visible = true;
    t.state().LabelStatOKKwota.text = "x";
    ResetLoadedFile(t.file(), t.state());
    EXPECT_EQ(t.file().kind, FileKind::Orders);
    EXPECT_FALSE(t.state().bPokazLog.enabled);
    EXPECT_FALSE(t.state().ShapeInnaStronaKodowaWPliku.visible);
    EXPECT_EQ(t.state().LabelStatOKKwota.text, "");
    EXPECT_EQ(t.state().ComboBoxStrona.selected, -1);
}

TEST(LoadDriver, BlankToSpace) {
    EXPECT_EQ(BlankToSpace(""), " ");
    EXPECT_EQ(BlankToSpace(" "), " ");
    EXPECT_EQ(BlankToSpace("x"), "x");
}

} // namespace
} // namespace quarvel
