#include "JsonReport.h"

#include "Windows1250.h"
#include "Correction.h"
#include "Validation.h"
#include "AccountTotals.h"
#include "Notes.h"
#include "Platform.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <ostream>

namespace quarvel {
namespace {

using Json = nlohmann::ordered_json;

// A name of a path that is not UTF-8 (a Linux file name may be any bytes) gets U+FFFD for what does not
// read, rather than failing the whole report.
std::string dump(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json pathOrNull(const std::optional<std::filesystem::path>& path) {
    return path ? Json(platform::utf8FromPath(*path)) : Json(nullptr);
}

// The members of the document's one object, in order; every value is the library's, and only the total,
// which is written with exactly two decimals, is spelled here.
class ObjectWriter {
public:
    explicit ObjectWriter(std::ostream& out) : m_out(out) {}
    void member(std::string_view key, const Json& value) {
        m_out << separator() << dump(Json(key)) << ':' << dump(value);
    }
    void numberMember(std::string_view key, std::string_view number) {
        m_out << separator() << dump(Json(key)) << ':' << number;
    }
    /// Opens an array member; its elements follow with element().
    void beginArray(std::string_view key) {
        m_out << separator() << dump(Json(key)) << ":[";
        m_firstElement = true;
    }
    void element(const Json& value) {
        m_out << (m_firstElement ? "\n" : ",\n") << dump(value);
        m_firstElement = false;
    }
    /// An element already written as JSON.
    void rawElement(std::string_view json) {
        m_out << (m_firstElement ? "\n" : ",\n") << json;
        m_firstElement = false;
    }
    void endArray() { m_out << (m_firstElement ? "]" : "\n]"); }
    void end() { m_out << "}\n"; }

private:
    const char* separator() { return std::exchange(m_first, false) ? "{" : ","; }

    std::ostream& m_out;
    bool m_first = true;
    bool m_firstElement = true;
};

std::string totalNumber(double total) {
    if (!std::isfinite(total)) return "null";
    char digits[400];
    const auto [end, ec] = std::to_chars(std::begin(digits), std::end(digits), total, std::chars_format::fixed, 2);
    return ec == std::errc() ? std::string(digits, end) : "null";
}

Json codePageName(CodePage p) {
    return indexOf(p) < kCodePageCount ? Json(std::string(nameOf(p))) : Json(nullptr);
}

Json skippedRecord(const LoadedFile& file, std::size_t i, const Record& record) {
    Json lineErrors = Json::array();
    for (const std::string& message : file.lineErrors(i))
        lineErrors.push_back(utf8FromCp1250(message));
    Json fields = Json::object();
    const Layout& layout = layoutFor(file.kind);
    for (std::size_t j = 0; j < record.fieldCount && j < layout.size(); ++j) {
        if (record.fieldErrorBits[j] == 0) continue;
        Json messages = Json::array();
        for (const std::string& message : fieldErrors(file, i, j))
            messages.push_back(utf8FromCp1250(message));
        fields[utf8FromCp1250(layout[j].name)] = std::move(messages);
    }
    Json entry = Json::object();
    entry["line"] = LoadedFile::lineNumber(i);
    entry["lineErrors"] = std::move(lineErrors);
    entry["fieldErrors"] = std::move(fields);
    return entry;
}

} // namespace

void writeJsonReport(const LoadedFile& file, const RunSettings& settings, const std::filesystem::path& input,
                     const BatchOutcome& outcome,
                     std::ostream& out) {
    ObjectWriter report(out);
    report.member("file", platform::utf8FromPath(input));
    report.member("kind", file.kind == FileKind::Contractors ? "KONTRAHENCI" : "ZLECENIA");
    Json codePage = Json::object();
    codePage["identified"] = codePageName(file.identifiedCodePage);
    codePage["declared"] = file.codePageDeclared ? codePageName(file.declaredCodePage) : Json(nullptr);
    codePage["used"] = codePageName(settings.sourceCodePage(file));
    report.member("codePage", codePage);
    report.member("records", file.records().size());
    report.member("valid", file.validCount);
    report.member("invalid", file.invalidCount);
    // Without records no validation ran: the total is that of no record.
    const double total = file.records().empty() ? 0.0 : file.validTotal;
    report.numberMember("total", file.kind == FileKind::Orders ? totalNumber(total) : "null");
    report.member("output", pathOrNull(outcome.output));
    report.member("log", pathOrNull(outcome.log));
    report.member("rejected", pathOrNull(outcome.rejected));
    report.member("warnings", outcome.warnings);
    report.beginArray("skipped");
    file.records().forEachLine(0, file.records().size(), [&](std::size_t i, const Record& record) {
        if (!record.isValid()) report.element(skippedRecord(file, i, record));
    });
    report.endArray();
    // Notes and batches are of payment orders only; a contractors' report stays as it always was.
    if (file.kind == FileKind::Orders) {
        report.beginArray("notes");
        for (std::size_t k = 0; k < file.notes.size();) {
            const std::size_t record = file.notes[k].record;
            Json texts = Json::array();
            for (; k < file.notes.size() && file.notes[k].record == record; ++k)
                texts.push_back(utf8FromCp1250(noteText(file.notes[k])));
            Json entry = Json::object();
            entry["line"] = LoadedFile::lineNumber(record);
            entry["notes"] = std::move(texts);
            report.element(entry);
        }
        report.endArray();
        report.beginArray("accounts");
        for (const AccountTotal& batch : totalsPerDebitedAccount(file)) {
            // The total is spelled with exactly two decimals, as the grand total is.
            report.rawElement("{\"account\":" + dump(Json(utf8FromCp1250(batch.account))) +
                              ",\"records\":" + std::to_string(batch.records) + ",\"total\":" + totalNumber(batch.total) +
                              "}");
        }
        report.endArray();
    }
    report.end();
}

} // namespace quarvel
