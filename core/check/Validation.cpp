#include "Validation.h"

#include "Parallel.h"
#include "AsciiWords.h"
#include "CheckTexts.h"
#include "DateAmount.h"
#include "Holidays.h"
#include "FieldChecks.h"
#include "Nip.h"
#include "Notes.h"
#include "Correction.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

namespace quarvel {
namespace {

void failField(Record& record, std::size_t j, FieldErrorBit error) {
    record.fieldErrorBits[j] |= error;
    record.invalidMask = static_cast<std::uint16_t>(record.invalidMask | (1U << j));
}

// The account check: 26 digits, and with `checkDigits` the right check digits too.
void checkAccount(Record& record, std::size_t j, std::string_view value, bool checkDigits) {
    if (!isNrbNumber(value)) {
        failField(record, j, kBadNrb);
    } else if (checkDigits && !hasNrbCheckDigits(value)) {
        failField(record, j, kBadNrbCheckDigits);
    }
}

// Whether a date is a day off, kept by day.
using DayOffVerdict = DayTable<bool, isDayOff>;

// The checks of one record, rebuilding its verdicts from nothing.
void checkRecord(const LoadedFile& file, const FieldChecker& checker, Record& record, std::chrono::year currentYear,
                 bool checkNrbDigits, bool checkNipDigits, DayOffVerdict& dayOff) {
    record.hasFieldErrors = false;
    record.changed = false;
    record.executionOnDayOff = false;
    std::optional<std::chrono::year_month_day> date;
    checker.check(record);
    // The content checks read the bytes before their final translation: it maps letters to
    // letters and control bytes to "?", and neither kind is a digit, space, sign or separator.
    constexpr std::size_t kChecked = std::max(kContractorAccount, kOrderCreditedAccount) + 1;
    std::array<std::string_view, kChecked> bytes; // the values of the fields the content checks read
    file.forEachValue(
        record, [&bytes](std::size_t j, const ValueBytes& value) { bytes[j] = value.bytes; }, bytes.size());
    if (file.kind == FileKind::Contractors) {
        checkAccount(record, kContractorAccount, bytes[kContractorAccount], checkNrbDigits);
        // Digits, spaces, hyphens and "PL" are the same bytes before and after the translation. A record
        // with fewer fields has no NIP to check.
        if (checkNipDigits && record.fieldCount > kContractorNip &&
            !nipFieldPasses(file.valueBytes(record, kContractorNip).bytes))
            failField(record, kContractorNip, kBadNip);
    } else if (file.kind == FileKind::Orders) {
        checkAccount(record, kOrderDebitedAccount, bytes[kOrderDebitedAccount], checkNrbDigits);
        checkAccount(record, kOrderCreditedAccount, bytes[kOrderCreditedAccount], checkNrbDigits);
        date = parseOrderDate(bytes[kOrderDate], currentYear);
        if (!date) failField(record, kOrderDate, kBadDate);
        // The correction has read the raw amount; while the value is that raw value, its verdict stands.
        const bool amountRead =
            file.valueIsRaw(record, kOrderAmount) ? record.amountRead : parseAmount(bytes[kOrderAmount]).has_value();
        if (!amountRead) failField(record, kOrderAmount, kBadAmount);
    }
    record.hasFieldErrors = record.invalidMask != 0;
    record.changed = file.anyValueChanged(record);
    // Read here, while the date is at hand: the notes take the days off from this flag.
    record.executionOnDayOff = date && record.isValid() && dayOff(*date);
    // Likewise the tag the search for double payments files a valid order under, while the values are in
    // the cache: the search would read them all again from memory.
    record.sameOrderTag = file.kind == FileKind::Orders && record.isValid() ? sameOrderTag(file, record) : 0;
}

} // namespace

bool isNrbNumber(std::string_view text) {
    static_assert(kNrbLength > 16 && kNrbLength <= 24 + 8, "three words and one overlapping the third");
    if (text.size() != kNrbLength) return false;
    const char* bytes = text.data();
    return allDigits(loadEightBytes(bytes)) && allDigits(loadEightBytes(bytes + 8)) &&
           allDigits(loadEightBytes(bytes + 16)) && allDigits(loadEightBytes(bytes + kNrbLength - 8));
}

bool hasNrbCheckDigits(std::string_view nrb) {
    if (!isNrbNumber(nrb)) return false;
    // The remainder digit by digit: the number has 30 digits, more than any integer type holds.
    unsigned remainder = 0;
    const auto add = [&remainder](char digit) {
        remainder = (remainder * 10 + static_cast<unsigned>(digit - '0')) % 97;
    };
    std::for_each(nrb.begin() + 2, nrb.end(), add);
    for (char digit : std::string_view("2521"))
        add(digit); // "P" is 25, "L" is 21
    add(nrb[0]);
    add(nrb[1]);
    return remainder == 1;
}

namespace {

// The counts and the total of the records' verdicts. The amounts are summed in file order, so the sum is
// rounded exactly as a single pass rounds it.
void countVerdicts(LoadedFile& file) {
    file.validCount = 0;
    file.validTotal = 0;
    // Every line without data is invalid (and adds nothing).
    file.invalidCount = static_cast<std::int32_t>(file.records().linesWithoutData());
    for (const Record& record : file.records().withData()) {
        if (record.isValid()) {
            ++file.validCount;
            file.validTotal += record.amount;
        } else {
            ++file.invalidCount;
        }
    }
}

} // namespace

void validateRecords(LoadedFile& file, std::chrono::year currentYear, bool checkNrbDigits, bool checkNipDigits) {
    const FieldChecker checker(file, layoutFor(file.kind));
    // Records are judged side by side in slices, and counted afterwards.
    runSlices(file.slices(), [&](std::size_t, std::size_t begin, std::size_t end) {
        // A line without data has no field to check; its record is constant.
        DayOffVerdict dayOff;
        file.forEachLineWithData(begin, end, [&](std::size_t, Record& record) {
            checkRecord(file, checker, record, currentYear, checkNrbDigits, checkNipDigits, dayOff);
        });
    });
    countVerdicts(file);
}

void correctAndValidate(LoadedFile& file, const CorrectionSettings& settings, std::chrono::year_month_day today,
                        bool checkNrbDigits, bool checkNipDigits) {
    if (file.records().empty()) {
        countVerdicts(file);
        return;
    }
    prepareCorrection(file, settings);
    // The permitted bytes depend on the translations just set.
    const FieldChecker checker(file, layoutFor(file.kind));
    const LoadedFile& values = file;
    // Each record is checked right after its correction, while its bytes are still in the cache.
    file.rewriteInSlices([&] {
        return [&, dayOff = DayOffVerdict()](ValueRewrites& rewrites, std::size_t line, Record& record) mutable {
            correctRecord(values, rewrites, line, record, today);
            checkRecord(values, checker, record, today.year(), checkNrbDigits, checkNipDigits, dayOff);
        };
    });
    countVerdicts(file);
}

std::vector<std::string> fieldErrors(const LoadedFile& file, std::size_t i, std::size_t j) {
    std::vector<std::string> messages;
    const std::uint8_t bits = file.records()[i].fieldErrorBits[j];
    const Layout& layout = layoutFor(file.kind);
    const std::int32_t maxLength = j < layout.size() ? layout[j].maxLength : 0;
    const std::size_t length = bits != 0 ? file.valueBytes(i, j).bytes.size() : 0;
    // In the order the checks add them; the check digits' message stands where the account check's would.
    static constexpr FieldErrorBit kOrder[] = {kRequiredEmpty,     kTooLong, kNotPermittedChars, kBadNrb,
                                               kBadNrbCheckDigits, kBadDate, kBadAmount, kBadNip};
    for (FieldErrorBit bit : kOrder) {
        if (bits & bit) messages.push_back(fieldErrorText(bit, length, maxLength));
    }
    return messages;
}

std::string fieldErrorText(FieldErrorBit error, std::size_t length, std::int32_t maxLength) {
    switch (error) {
    case kRequiredEmpty:
        return texts::kRequiredEmpty;
    case kTooLong:
        return texts::kTooLongPrefix + std::to_string(length) + texts::kTooLongMaximum + std::to_string(maxLength);
    case kNotPermittedChars:
        return texts::kNotPermittedChars;
    case kBadNrb:
        return texts::kBadNrb;
    case kBadNrbCheckDigits:
        return texts::kBadNrbCheckDigits;
    case kBadDate:
        return texts::kBadDate;
    case kBadAmount:
        return texts::kBadAmount;
    case kBadNip:
        return texts::kBadNip;
    }
    return {};
}

std::string formatTotal(double amount) {
    if (std::isnan(amount)) return "NAN" + texts::kCurrency;
    if (std::isinf(amount)) return (amount < 0 ? "-INF" : "INF") + texts::kCurrency;

    // Round to two decimals the way decimal formatting does, independently of the locale.
    char digits[400];
    const auto [end, ec] = std::to_chars(std::begin(digits), std::end(digits), std::fabs(amount),
                                         std::chars_format::fixed, 2);
    const std::string_view fixed(digits, ec == std::errc() ? static_cast<std::size_t>(end - digits) : 0);
    const std::size_t point = fixed.find('.');
    const std::string_view integer = fixed.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? "00" : fixed.substr(point + 1);
    const bool negative = amount < 0 && fixed.find_first_not_of("0.") != std::string_view::npos;

    // Fill "### ### ### ### ##0" from the right; every space of the pattern is written, and digits
    // beyond its fifteen places stand in front of it.
    constexpr std::string_view kPattern = "### ### ### ### ##0";
    std::string reversed;
    std::size_t next = integer.size();
    for (auto it = kPattern.rbegin(); it != kPattern.rend(); ++it) {
        if (*it == ' ') {
            reversed.push_back(' ');
        } else if (next > 0) {
            reversed.push_back(integer[--next]);
        } else if (*it == '0') {
            reversed.push_back('0');
        }
    }
    std::string text = negative ? "-" : "";
    text.append(integer.substr(0, next));
    text.append(reversed.rbegin(), reversed.rend());
    text += ',';
    text.append(fraction);
    return text + texts::kCurrency;
}

} // namespace quarvel
