#include "QtUserInterface.h"

#include "support/TestSupport.h"

#include <QApplication>
#include <QFontMetrics>

#include <gtest/gtest.h>

namespace quarvel::test {
namespace {

TEST(DisplayText, PolishLettersOfWindows1250) {
    EXPECT_EQ(displayText(W("Zażółć gęślą jaźń ĄĆĘŁŃÓŚŹŻ")), QString::fromUtf8("Zażółć gęślą jaźń ĄĆĘŁŃÓŚŹŻ"));
}

TEST(DisplayText, BytesNoValueMayHoldStayVisibleInTheirPlace) {
    // A tab, a NUL, DEL, an undefined byte and a soft hyphen between letters: one visible character each.
    const std::string bytes{'a', '\t', 'b', '\0', 'c', '\x7F', 'd', '\x81', 'e', '\xAD', 'f'};
    const QString shown = displayText(bytes);
    ASSERT_EQ(shown.size(), 11);
    EXPECT_EQ(shown[1].unicode(), 0x2192);
    EXPECT_EQ(shown[3].unicode(), 0xFFFD);
    EXPECT_EQ(shown[5].unicode(), 0xFFFD);
    EXPECT_EQ(shown[7].unicode(), 0xFFFD);
    EXPECT_EQ(shown[9].unicode(), 0x2010);
    EXPECT_EQ(shown[10], QLatin1Char('f'));
}

TEST(DisplayText, TheSignsOfBytesNoValueMayHoldAreInTheWindowsFont) {
    // The font of the windows, with the fallbacks the toolkit finds for it: a sign it lacks is drawn as
    // an empty box, which tells the user nothing.
    const QFontMetrics metrics(QApplication::font());
    for (int byte = 0; byte < 256; ++byte) {
        const QChar sign = displayChar(static_cast<unsigned char>(byte));
        if (sign.isLetterOrNumber() || byte == ' ') continue;
        EXPECT_TRUE(metrics.inFontUcs4(sign.unicode())) << "byte " << byte << ": U+" << std::hex << int(sign.unicode());
    }
}

TEST(MessageIcon, FailuresWarnOrAlarmConfirmationsInform) {
    EXPECT_EQ(messageIcon(MessageKind::Information), QMessageBox::Information);
    EXPECT_EQ(messageIcon(MessageKind::Warning), QMessageBox::Warning);
    EXPECT_EQ(messageIcon(MessageKind::Error), QMessageBox::Critical);
}

TEST(MessageText, CarriageReturnStartsANewLine) {
    EXPECT_EQ(messageText(W("Dane zostały zapisane do pliku: \r/tmp/a_doVexa.txt")),
              QString::fromUtf8("Dane zostały zapisane do pliku: \n/tmp/a_doVexa.txt"));
    EXPECT_EQ(messageText("a\r\nb\rc"), QStringLiteral("a\nb\nc"));
}

TEST(NameFilter, AllFilesMatchNamesWithoutDot) {
    EXPECT_EQ(nameFilter({"Pliki TXT", "*.txt"}), QStringLiteral("Pliki TXT (*.txt)"));
    EXPECT_EQ(nameFilter({"Wszystkie pliki", "*.*"}), QStringLiteral("Wszystkie pliki (*)"));
}

} // namespace
} // namespace quarvel::test
