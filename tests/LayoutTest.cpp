#include "Layout.h"

#include "DateAmount.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

std::string describe(const Layout& layout) {
    std::string out;
    for (const FieldDef& f : layout) {
        out += f.name + ":" + f.kindLetter + ":" + std::to_string(f.maxLength) + (f.required ? ":R" : ":O") + "\n";
    }
    return out;
}

TEST(Layouts, HoldTheFieldsInLineOrder) {
    Layouts layouts;
    buildLayouts(layouts);
    buildLayouts(layouts); // the build empties the layouts first
    EXPECT_EQ(describe(layouts.contractorLayout), "NAZWA1:S:35:R\nNAZWA2:S:35:R\nADRES1:S:35:R\nADRES2:S:35:R\n"
                                                  "NUMER KONTA:S:40:R\nNAZWA BANKU1:S:35:R\nNAZWA BANKU2:S:35:R\n"
                                                  "ADRES BANKU1:S:35:R\nADRES BANKU2:S:35:R\nLOGO:S:10:O\nNIP:S:13:O\n"
                                                  "TELEFON:S:30:O\nFAX:S:30:O\n");
    EXPECT_EQ(describe(layouts.orderLayout),
              "DATA:S:8:R\nKWOTA:S:15:R\nNUMER KONTA OBCI\xA5\xAF" "ANEGO:S:40:R\nNUMER KONTA UZNAWANEGO:S:40:R\n"
              "TYTU\xA3" "EM1:S:35:R\nTYTU\xA3" "EM2:S:35:R\nTyp przelewu:S:3:O\nKod waluty:S:3:O\n"
              "System rozliczeniowy:C:1:O\nTutu\xB3" "em3:S:35:O\nTutu\xB3" "em4:S:35:O\n");
    EXPECT_EQ(layoutFor(FileKind::Contractors).size(), 13U);
    EXPECT_EQ(layoutFor(FileKind::Orders).size(), 11U);
    EXPECT_TRUE(layoutFor(FileKind::None).empty());
}

// The positions the correction, the checks and the writer name are those of the layouts' fields, and the
// date's written form is as long as its field.
TEST(Layouts, NamedPositionsAreTheLayoutsFields) {
    const Layout& contractors = layoutFor(FileKind::Contractors);
    const Layout& orders = layoutFor(FileKind::Orders);
    EXPECT_EQ(contractors[kContractorAccount].name, "NUMER KONTA");
    EXPECT_EQ(orders[kOrderDate].name, "DATA");
    EXPECT_EQ(orders[kOrderAmount].name, "KWOTA");
    EXPECT_EQ(orders[kOrderDebitedAccount].name, test::W("NUMER KONTA OBCIĄŻANEGO"));
    EXPECT_EQ(orders[kOrderCreditedAccount].name, "NUMER KONTA UZNAWANEGO");
    for (const auto& [layout, lastRequired] :
         {std::pair{&contractors, kContractorLastRequired}, {&orders, kOrderLastRequired}}) {
        for (std::size_t j = 0; j < layout->size(); ++j)
            EXPECT_EQ((*layout)[j].required, j <= lastRequired) << j;
    }
    EXPECT_EQ(static_cast<std::size_t>(orders[kOrderDate].maxLength), kOrderDateLength);
}

TEST(Layouts, AddFieldDefCutsTheNameToOneHundredCharacters) {
    Layout layout;
    addFieldDef(layout, std::string(150, 'x'), 'S', 5, false);
    ASSERT_EQ(layout.size(), 1U);
    EXPECT_EQ(layout[0].name, std::string(100, 'x'));
}

} // namespace
} // namespace quarvel
