#include "check/Validation.h"

#include "Parallel.h"
#include "Typy/AsciiWords.h"
#include "check/CheckTexts.h"
#include "check/DateAmount.h"
#include "check/FieldChecks.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace quarvel {
namespace {

constexpr std::size_t kNrbLength = 26;
// Fewer records than this are checked on one thread: starting another would cost more than it saves.
constexpr std::size_t kMinRecordsPerSlice = 16384;

void failField(TRecOfFile& record, std::size_t j, FieldErrorBit error) {
    record.fieldErrorBits[j] |= error;
    record.invalidMask = static_cast<std::uint16_t>(record.invalidMask | (1U << j));
}

// Whether the corrected value of field j differs from its original value, reading as little as possible.
bool valueChanged(const LoadedFile& file, const TRecOfFile& record, std::size_t j) {
    if ((record.fixedMask >> j) & 1U) {
        // A rewritten value: compared with the original byte by byte, each through its own translation.
        const ValueBytes value = file.valueBytes(record, j);
        const std::string_view raw = file.rawValue(record, j);
        if (value.bytes.size() != raw.size()) return true;
        const ByteMap& toOriginal = file.toOriginal();
        for (std::size_t k = 0; k < raw.size(); ++k) {
            if ((*value.map)[static_cast<std::uint8_t>(value.bytes[k])] != toOriginal[static_cast<std::uint8_t>(raw[k])]) {
                return true;
            }
        }
        return false;
    }
    if (record.rawLength[j] > file.keptLength(j)) return true; // trimmed
    if (!file.replacesControl()) return false;
    const std::string_view raw = file.rawValue(record, j);
    return std::any_of(raw.begin(), raw.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

// The checks of one record, rebuilding its verdicts from nothing.
void checkRecord(LoadedFile& file, const FieldChecker& checker, TRecOfFile& record, std::chrono::year currentYear) {
    record.hasFieldErrors = false;
    record.changed = false;
    checker.check(record);
    // The content checks read the bytes before their final translation: it maps letters to
    // letters and control bytes to "?", and neither kind is a digit, space, sign or separator.
    std::array<std::string_view, 5> first; // the values of the fields the content checks read
    file.forEachValue(record, [&first](std::size_t j, const ValueBytes& value) { first[j] = value.bytes; }, first.size());
    const auto bytes = [&first](std::size_t j) { return first[j]; };
    if (file.kind == FileKind::Contractors) {
        if (!IsNrbNumber(bytes(4))) failField(record, 4, kBadNrb);
    } else if (file.kind == FileKind::Orders) {
        if (!IsNrbNumber(bytes(2))) failField(record, 2, kBadNrb);
        if (!IsNrbNumber(bytes(3))) failField(record, 3, kBadNrb);
        if (!ParseOrderDate(bytes(0), currentYear)) failField(record, 0, kBadDate);
        // The correction has read the raw amount; while the value is that raw value, its verdict stands.
        const bool amountAsRead = (record.fixedMask & 2U) == 0 && record.rawLength[1] <= file.keptLength(1);
        if (amountAsRead ? !record.amountRead : !ParseAmount(bytes(1))) failField(record, 1, kBadAmount);
    }
    record.hasFieldErrors = record.invalidMask != 0;
    // A value cut shorter than its raw value has changed whatever it holds: all fields are looked at
    // once for that (past the record's fields the raw lengths are zero).
    bool trimmed = false;
    for (std::size_t j = 0; j < kMaxFieldCount; ++j) trimmed |= record.rawLength[j] > file.keptLength(j);
    record.changed = trimmed;
    if (record.fixedMask == 0 && !file.replacesControl()) return;
    for (std::size_t j = 0; j < record.fieldCount && !record.changed; ++j) record.changed = valueChanged(file, record, j);
}

} // namespace

bool IsNrbNumber(std::string_view text) {
    static_assert(kNrbLength > 16 && kNrbLength <= 24 + 8, "three words and one overlapping the third");
    if (text.size() != kNrbLength) return false;
    const char* bytes = text.data();
    return AllDigits(LoadEightBytes(bytes)) && AllDigits(LoadEightBytes(bytes + 8)) &&
           AllDigits(LoadEightBytes(bytes + 16)) && AllDigits(LoadEightBytes(bytes + kNrbLength - 8));
}

void ValidateRecords(LoadedFile& file, std::chrono::year currentYear) {
    const FieldChecker checker(file, LayoutFor(file.kind));
    // Records are judged side by side in slices; the counts and the total are taken afterwards in file
    // order, so the sum of the amounts is rounded exactly as a single pass rounds it.
    RunSlices(Slices(file.records.size(), kMinRecordsPerSlice), [&](std::size_t, std::size_t begin, std::size_t end) {
        // A line without data has no field to check; its record is constant.
        file.records.forEachLineWithData(begin, end, [&](std::size_t, TRecOfFile& record) {
            checkRecord(file, checker, record, currentYear);
        });
    });
    file.validCount = 0;
    file.invalidCount = 0;
    file.validTotal = 0;
    // Every line without data is invalid (and adds nothing); the rest are summed in file order.
    file.invalidCount = static_cast<std::int32_t>(file.records.linesWithoutData());
    for (const TRecOfFile& record : file.records.withData()) {
        if (record.isValid()) {
            ++file.validCount;
            file.validTotal += record.amount;
        } else {
            ++file.invalidCount;
        }
    }
}

void ShowStatistics(const LoadedFile& file, WindowState& state) {
    state.LabelStatOK.text = std::to_string(file.validCount);
    state.LabelStatZle.text = std::to_string(file.invalidCount);
    state.LabelStatZle.textColour = file.invalidCount > 0 ? kRed : kGreen;
    if (file.kind == FileKind::Orders) state.LabelStatOKKwota.text = FormatTotal(file.validTotal);
    state.LabelStatOKKwota.visible = file.kind == FileKind::Orders;
    state.bZapiszTylkoPrawidlowe.enabled = file.validCount > 0;
}

void ValidateAllRecords(Session& session) {
    ValidateRecords(session.file, session.clock.today().year());
    ShowStatistics(session.file, session.state);
}

std::string FormatTotal(double amount) {
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
