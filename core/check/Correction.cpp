#include "check/Correction.h"

#include "Parallel.h"
#include "check/DateAmount.h"

#include <algorithm>
#include <array>

namespace quarvel {
namespace {

constexpr std::size_t kNrbLength = 26;
constexpr std::size_t kContractorAccount = 4;
constexpr std::size_t kOrderDate = 0;
constexpr std::size_t kOrderAmount = 1;
constexpr std::size_t kOrderDebitedAccount = 2;
constexpr std::size_t kOrderCreditedAccount = 3;
// Fewer records than this are corrected on one thread: starting another would cost more than it saves.
constexpr std::size_t kMinRecordsPerSlice = 16384;

bool startsWithPl(std::string_view text) {
    return text.size() >= 2 && text[0] == 'P' && text[1] == 'L';
}

// The most bytes each field may keep (a record stores no value longer than 250 bytes); the fields a
// layout lacks keep none: no record has them.
FieldLengths maxLengths(const TTabStruc& layout) {
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

const std::size_t kDateLength = static_cast<std::size_t>(LayoutFor(FileKind::Orders)[kOrderDate].maxLength);

// One record's correction; the record's values start as its whole original values. Rewritten values go
// to `fixOut`, whose offsets the record keeps.
class RecordCorrector {
public:
    RecordCorrector(LoadedFile& file, TRecOfFile& record, std::vector<char>& fixOut)
        : m_file(file), m_record(record), m_fixOut(fixOut) {
        m_record.fixOffset = fixOut.size();
        m_record.fixedMask = 0;
    }

    void normalizeAccount(std::size_t j) {
        const std::string_view raw = rawValue(j);
        const AccountWindow window = NormalizeAccountWindow(raw);
        if (window.removeSpaces) {
            fixWithoutSpaces(j, raw.substr(window.start));
        } else if (window.start > 0) {
            fixRawPart(j, window.start);
        }
    }

    void normalizeDate(std::chrono::year_month_day today) {
        const std::string_view raw = rawValue(kOrderDate);
        if (raw.size() != kDateLength) return;
        auto date = ParseOrderDate(raw, today.year());
        if (!date) return;
        if (*date <= today) date = today; // both are valid dates: their parts compare as the days do
        std::array<char, kOrderDateLength> text{};
        WriteOrderDate(*date, text.data());
        const std::string_view written(text.data(), text.size());
        if (written != raw) fix(kOrderDate, written);
    }

    void readAmount() {
        const std::optional<double> amount = ParseAmount(rawValue(kOrderAmount));
        m_record.amount = amount.value_or(0.0);
        m_record.amountRead = amount.has_value();
    }

private:
    std::string_view rawValue(std::size_t j) const {
        const char* at = m_file.rawBytes.data() + m_record.rawOffset;
        for (std::size_t k = 0; k < j; ++k) at += m_record.rawLength[k];
        return {at, m_record.rawLength[j]};
    }

    // Stores a rewritten value; entries of a record lie in field order, so fields must be fixed in that order.
    void fix(std::size_t j, std::string_view value) {
        endFix(j, std::copy(value.begin(), value.end(), beginFix(value.size())));
    }

    // Stores the text without its spaces and a leading "PL", converted to Windows-1250. Letters are
    // converted byte for byte, so normalising the raw bytes and converting afterwards gives the same text
    // as converting first.
    void fixWithoutSpaces(std::size_t j, std::string_view text) {
        endFix(j, writeWithoutSpacesAndPl(text, m_file.toOriginal(), beginFix(text.size())));
    }

    // Makes the value the raw value from `start` on, without copying it.
    void fixRawPart(std::size_t j, std::size_t start) {
        m_fixOut.push_back(static_cast<char>(kRawPartEntry));
        m_fixOut.push_back(static_cast<char>(start));
        m_record.fixedMask = static_cast<std::uint16_t>(m_record.fixedMask | (1U << j));
    }

    // Room for a new entry of at most `length` bytes; endFix() gives the end of what was written there.
    char* beginFix(std::size_t length) {
        m_entry = m_fixOut.size();
        m_fixOut.resize(m_entry + 1 + length);
        return m_fixOut.data() + m_entry + 1;
    }

    void endFix(std::size_t j, const char* end) {
        const auto length = static_cast<std::size_t>(end - (m_fixOut.data() + m_entry + 1));
        m_fixOut.resize(m_entry + 1 + length);
        m_fixOut[m_entry] = static_cast<char>(length);
        m_record.fixedMask = static_cast<std::uint16_t>(m_record.fixedMask | (1U << j));
    }

    LoadedFile& m_file;
    TRecOfFile& m_record;
    std::vector<char>& m_fixOut;
    std::size_t m_entry = 0; ///< where the entry being written starts in m_fixOut
};

void correctRecords(LoadedFile& file, std::chrono::year_month_day today, std::size_t begin, std::size_t end,
                    std::vector<char>& fixOut) {
    file.records.forEachLineWithData(begin, end, [&](std::size_t i, TRecOfFile& toCorrect) {
        RecordCorrector record(file, toCorrect, fixOut);
        if (file.kind == FileKind::Contractors) {
            record.normalizeAccount(kContractorAccount);
        } else if (file.kind == FileKind::Orders) {
            // The date is field 0 and so comes first among the rewritten texts of the record.
            record.normalizeDate(today);
            record.normalizeAccount(kOrderDebitedAccount);
            record.normalizeAccount(kOrderCreditedAccount);
            if (i >= file.amountsRead) record.readAmount();
        }
    });
}

// The most bytes the rewritten texts of records [begin, end) can take: a text is never longer than the
// raw value it replaces, and a record has at most three, each with its length byte (an entry naming a
// part of the raw value takes two bytes, and such a raw value has at least two). Reserved at once,
// they are never moved as they grow, and the room beyond them is never touched.
std::size_t fixRoom(const LoadedFile& file, std::size_t begin, std::size_t end) {
    const std::vector<TRecOfFile>& withData = file.records.withData();
    const auto rawStart = [&](std::size_t i) {
        const std::size_t k = i < file.records.size() ? file.records.dataBefore(i) : withData.size();
        return k < withData.size() ? withData[k].rawOffset : file.rawBytes.size();
    };
    return static_cast<std::size_t>(rawStart(end) - rawStart(begin)) + 3 * (end - begin);
}

} // namespace

CorrectionSettings CurrentCorrectionSettings(const Session& session) {
    const int selected = session.state.ComboBoxStrona.selected;
    return CorrectionSettings{selected >= 0 && selected < kCodePageCount ? selected : session.file.identifiedCodePage,
                              session.state.cbPrzytnijPola.checked, session.state.cbZamienNiedozwoloneZnaki.checked};
}

void RunCorrectionPass(Session& session) {
    RunCorrectionPass(session.file, CurrentCorrectionSettings(session), session.clock.today());
}

void RunCorrectionPass(LoadedFile& file, const CorrectionSettings& settings, std::chrono::year_month_day today) {
    if (file.records.empty()) return;
    // Conversion (sweep 1) and the "?" replacement (sweep 3) are byte translations applied when a value is
    // read; what is stored per record is where each value lies, and the texts correction rewrote.
    file.setConversion(settings.sourceCodePage, settings.replaceControl);
    // Trimming (sweep 2) is a cut applied when a value is read, too.
    file.setKeptLengths(settings.trim ? maxLengths(LayoutFor(file.kind)) : WholeValues());
    file.fixBytes.clear();
    // Slices of records are corrected side by side, each into rewritten texts of its own; joined in
    // slice order they are the same bytes a single pass writes.
    const Slices slices(file.records.size(), kMinRecordsPerSlice);
    std::vector<std::vector<char>> fixes(slices.count());
    // The first slice's texts are the file's, which the others join: its room is for all of them.
    file.fixBytes.reserve(fixRoom(file, 0, file.records.size()));
    fixes[0].swap(file.fixBytes);
    RunSlices(slices, [&](std::size_t k, std::size_t begin, std::size_t end) {
        fixes[k].reserve(fixRoom(file, begin, end));
        correctRecords(file, today, begin, end, fixes[k]);
    });
    fixes[0].swap(file.fixBytes);
    file.amountsRead = file.records.size();
    for (std::size_t k = 1; k < slices.count(); ++k) {
        const std::size_t base = file.fixBytes.size();
        file.fixBytes.insert(file.fixBytes.end(), fixes[k].begin(), fixes[k].end());
        file.records.forEachLineWithData(slices.begin(k), slices.end(k),
                                         [base](std::size_t, TRecOfFile& record) { record.fixOffset += base; });
    }
}

AccountWindow NormalizeAccountWindow(std::string_view text) {
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

std::string NormalizeAccountNumber(std::string_view text) {
    const AccountWindow window = NormalizeAccountWindow(text);
    const std::string_view rest = text.substr(window.start);
    if (!window.removeSpaces) return std::string(rest);
    std::string value(rest.size(), '\0');
    const char* end = writeWithoutSpacesAndPl(rest, ConversionMap(WINDOWS_EE, WINDOWS_EE), value.data());
    value.resize(static_cast<std::size_t>(end - value.data()));
    return value;
}

std::string RemoveSpaces(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::copy_if(text.begin(), text.end(), std::back_inserter(out), [](char c) { return c != ' '; });
    return out;
}

} // namespace quarvel
