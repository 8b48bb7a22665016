#include "Nip.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarvel {
namespace {

TEST(Nip, CheckDigitWithSpacesHyphensAndCountryPrefixIgnored) {
    struct Case {
        std::string value;
        bool valid;
    };
    const std::vector<Case> cases = {
        {"1234563218", true},           {"9458073026", true},
        {"1573681937", true},           {"0364262124", true},
        {"1234563217", false},                                 // last digit off by one
        {"1234563219", false},          {"2134563218", false}, // first two digits swapped
        {"1234563281", false}, // last two swapped: the tenth digit has no weight of its own
        {"9972200330", false}, // the first nine give a remainder of 10: no tenth digit matches
        {"9972200339", false},          {"2007532920", false},
        {"123 456 32 18", true},        {"123-456-32-18", true},
        {" 123-45-63-218 ", true},      {"PL1234563218", true},
        {"pl1234563218", true},         {"Pl 123-456-32-18", true},
        {"pL-1234563218", true},        {"PL1234563217", false},
        {"1234563218PL", false},        {"12345PL63218", false},
        {"PLPL1234563218", false},      {"DE1234563218", false},
        {"P1234563218", false},         {"PL", false},
        {"123456321", false},   // nine digits
        {"12345632180", false}, // eleven digits
        {"123456321A", false},          {"123.456.32.18", false},
        {"1234563218\xB3", false}, // a Polish letter after the digits
        {"12345\t63218", false},        {"", false},
        {std::string(300, '7'), false}, {std::string(300, ' ') + "1234563218", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isValidNip(c.value), c.valid) << '"' << c.value << '"';
}

TEST(Nip, EveryMistypedDigitFails) {
    // The weights are all below 11, so a single wrong digit anywhere changes the remainder.
    for (const std::string valid : {"1234563218", "9458073026", "0364262124"}) {
        ASSERT_TRUE(isValidNip(valid));
        for (std::size_t k = 0; k < valid.size(); ++k) {
            for (char digit = '0'; digit <= '9'; ++digit) {
                if (digit == valid[k]) continue;
                std::string typo = valid;
                typo[k] = digit;
                EXPECT_FALSE(isValidNip(typo)) << typo;
            }
        }
    }
}

TEST(Nip, ABlankOptionalFieldHasNothingToCheck) {
    struct Case {
        std::string value;
        bool passes;
    };
    const std::vector<Case> cases = {
        {"", true},   {" ", true},   {"   ", true},  {"1234563218", true},
        {"-", false}, {"PL", false}, {" 0 ", false}, {"1234563217", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nipFieldPasses(c.value), c.passes) << '"' << c.value << '"';
}

} // namespace
} // namespace quarvel
