#include "Correction.h"

#include "Utf8.h"
#include "DateAmount.h"

#include <algorithm>
#include <array>

namespace quarvel {
namespace {

bool startsWithPl(std::string_view text) {
    return text.size() >= 2 && text[0] == 'P' && text[1] == 'L';
}

// The most bytes each field may keep (a record stores no value longer than 250 bytes); the fields a
// layout lacks keep none: no record has them.
FieldLengths maxLengths(const Layout& layout) {
    FieldLengths lengths{};
    for (std::size_t j = 0; j < layout.size() && j < kMaxFieldCount; ++j) {
        lengths[j] = static_cast<std::uint8_t>(std::clamp(layout[j].maxLength, 0, 255));
    }
    return lengths;
}

// Writes `text` without its spaces, then without a leading "PL", each byte through `map`, at `out`;
// returns the end of what was written (at most text.size() bytes).
char* writeWithoutSpacesAndPl(std::string_view text, const ByteMap& map, char* out) {
    const auto nonSpaceFrom = [text](std::size_t k) {
        while (k < text.size() && text[k] == ' ') ++k;
        return k;
    };
    const std::size_t p = nonSpaceFrom(0);
    const std::size_t l = nonSpaceFrom(p + 1);
    const std::size_t from = l < text.size() && text[p] == 'P' && text[l] == 'L' ? l + 1 : 0;
    // Every byte is written, and a space is written over by the next one: spaces come every few digits,
    // too often for a branch to guess them.
    for (std::size_t k = from; k < text.size(); ++k) {
        *out = static_cast<char>(map[static_cast<std::uint8_t>(text[k])]);
        out += text[k] != ' ' ? 1 : 0;
    }
    return out;
}

// One record's correction, whose rewritten values go to the slice's `rewrites`; the record's values start
// as its whole original values.
class RecordCorrector {
public:
    RecordCorrector(const LoadedFile& file, Record& record, ValueRewrites& rewrites)
        : m_file(file), m_record(record), m_rewrites(rewrites) {}

    void normalizeAccount(std::size_t j) {
        const std::string_view raw = m_file.rawValue(m_record, j);
        const AccountWindow window = normalizeAccountWindow(raw);
        if (window.removeSpaces) {
            // Letters are converted byte for byte, so normalising the raw bytes and converting afterwards
            // gives the same text as converting first.
            const std::string_view rest = raw.substr(window.start);
            m_rewrites.endRewrite(
                j, writeWithoutSpacesAndPl(rest, m_file.toOriginal(), m_rewrites.beginRewrite(rest.size())));
        } else if (window.start > 0) {
            m_rewrites.useRawPart(j, window.start);
        }
    }

    void normalizeDate(std::chrono::year_month_day today) {
        const std::string_view raw = m_file.rawValue(m_record, kOrderDate);
        // Only a value as long as the layout's date field, which is the length of the written form.
        if (raw.size() != kOrderDateLength) return;
        auto date = parseOrderDate(raw, today.year());
        if (!date) return;
        if (*date <= today) date = today; // both are valid dates: their parts compare as the days do
        std::array<char, kOrderDateLength> text{};
        writeOrderDate(*date, text.data());
        const std::string_view written(text.data(), text.size());
        if (written != raw) m_rewrites.rewrite(kOrderDate, written);
    }

    /// The values of a file read as UTF-8, in field order: a value holding a byte from 0x80 up becomes its
    /// decoded text, an account number normalised after decoding (its lengths count characters, not
    /// bytes); the others are corrected as in any code page.
    void decodeAndNormalize(std::chrono::year_month_day today) {
        const bool orders = m_file.kind == FileKind::Orders;
        // The raw values lie one after another: each starts where the one before ends.
        const char* next = m_file.rawValue(m_record, 0).data();
        for (std::size_t j = 0; j < m_record.fieldCount; ++j) {
            const bool account = orders ? (j == kOrderDebitedAccount || j == kOrderCreditedAccount)
                                        : (m_file.kind == FileKind::Contractors && j == kContractorAccount);
            const std::string_view raw(next, m_record.rawLength[j]);
            next += raw.size();
            if (m_record.rawIsAscii(j) || !hasHighByte(raw)) {
                if (account) normalizeAccount(j);
                if (orders && j == kOrderDate) normalizeDate(today);
                continue;
            }
            // A date or an amount holding such a byte reads as none: it stays as decoded, which is never
            // longer than the raw value.
            if (!account) {
                m_rewrites.rewriteDecoded(j, raw.size(), [raw](char* out) { return cp1250FromUtf8Into(raw, out); });
                continue;
            }
            char decoded[kMaxFieldBytes];
            const std::string_view text(decoded, static_cast<std::size_t>(cp1250FromUtf8Into(raw, decoded) - decoded));
            const AccountWindow window = normalizeAccountWindow(text);
            const std::string_view rest = text.substr(window.start);
            if (window.removeSpaces) {
                m_rewrites.endRewrite(j, writeWithoutSpacesAndPl(rest, conversionMap(CodePage::WindowsEe, CodePage::WindowsEe),
                                                                 m_rewrites.beginRewrite(rest.size())));
            } else {
                m_rewrites.rewrite(j, rest);
            }
        }
    }

    void readAmount() {
        const std::optional<double> amount = parseAmount(m_file.rawValue(m_record, kOrderAmount));
        m_record.amount = amount.value_or(0.0);
        m_record.amountRead = amount.has_value();
    }

private:
    const LoadedFile& m_file;
    Record& m_record;
    ValueRewrites& m_rewrites;
};

} // namespace

void prepareCorrection(LoadedFile& file, const CorrectionSettings& settings) {
    // Conversion (sweep 1) and the "?" replacement (sweep 3) are byte translations applied when a value is
    // read; what is stored per record is where each value lies, and the texts correction rewrote.
    file.setConversion(settings.sourceCodePage, settings.replaceControl);
    // Trimming (sweep 2) is a cut applied when a value is read, too.
    file.setKeptLengths(settings.trim ? maxLengths(layoutFor(file.kind)) : wholeValues());
}

void correctRecord(const LoadedFile& file, ValueRewrites& rewrites, std::size_t line, Record& toCorrect,
                   std::chrono::year_month_day today) {
    RecordCorrector record(file, toCorrect, rewrites);
    if (file.decodesUtf8()) {
        record.decodeAndNormalize(today);
        if (file.kind == FileKind::Orders && !file.amountKnown(line)) record.readAmount();
    } else if (file.kind == FileKind::Contractors) {
        record.normalizeAccount(kContractorAccount);
    } else if (file.kind == FileKind::Orders) {
        // The date comes first among the fields and so among the rewritten values of the record.
        record.normalizeDate(today);
        record.normalizeAccount(kOrderDebitedAccount);
        record.normalizeAccount(kOrderCreditedAccount);
        if (!file.amountKnown(line)) record.readAmount();
    }
}

void runCorrectionPass(LoadedFile& file, const CorrectionSettings& settings, std::chrono::year_month_day today) {
    if (file.records().empty()) return;
    prepareCorrection(file, settings);
    const LoadedFile& values = file;
    file.rewriteInSlices([&values, today] {
        return [&values, today](ValueRewrites& rewrites, std::size_t line, Record& record) {
            correctRecord(values, rewrites, line, record, today);
        };
    });
}

AccountWindow normalizeAccountWindow(std::string_view text) {
    AccountWindow window;
    constexpr std::size_t kPrefixDash = 8; // "-" after exactly eight characters
    if (text.find('-') == kPrefixDash) window.start = kPrefixDash + 1;
    const std::string_view rest = text.substr(window.start);
    if (rest.size() > kNrbLength && rest.find(' ') != std::string_view::npos) {
        window.removeSpaces = true;
        return window;
    }
    if (startsWithPl(rest)) window.start += 2;
    return window;
}

std::string normalizeAccountNumber(std::string_view text) {
    const AccountWindow window = normalizeAccountWindow(text);
    const std::string_view rest = text.substr(window.start);
    if (!window.removeSpaces) return std::string(rest);
    std::string value(rest.size(), '\0');
    const char* end = writeWithoutSpacesAndPl(rest, conversionMap(CodePage::WindowsEe, CodePage::WindowsEe), value.data());
    value.resize(static_cast<std::size_t>(end - value.data()));
    return value;
}

} // namespace quarvel
