#pragma once

#include "support/TestSupport.h"
#include "MainWindowPresenter.h"
#include "RecordGrid.h"

namespace quarvel::test {

inline const std::string kNrb = "12345678901234567890123456";

/// A contractor line: the nine required fields, then `tail` (for example "|LOGO|NIP").
inline std::string Contractor(const std::string& name = "Firma", const std::string& account = kNrb,
                              const std::string& tail = "") {
    return name + "|Druga|Ulica 1|00-001 Miasto|" + account + "|Bank|Oddzial|Adres 1|Adres 2" + tail + "\n";
}

/// A contractors file with a record of every kind of finding; record i is on line i + 2.
inline std::string FaultyContractors() {
    std::string file = "KONTRAHENCI\n";
    file += Contractor();                                           // 0: valid, unchanged
    file += Contractor("Firma", "PL" + kNrb);                       // 1: valid, account changed
    file += "\n";                                                   // 2: no data
    file += Contractor("Firma", kNrb, "|L|N|T|F|extra");            // 3: too many fields
    file += Contractor("Firma", "PL123", "|LOGO|ab\001cd");         // 4: bad account (changed too), bad NIP
    file += "A|B|C\n";                                              // 5: six required fields missing
    file += Contractor(std::string(36, 'N'), kNrb, "|ABCDEFGHIJK"); // 6: name and logo trimmed, valid
    return file;
}

/// A session with a file loaded through the load driver, and short ways to look at its grid.
struct GridFixture {
    TempDir dir;
    TestSession t;
    explicit GridFixture(std::string_view bytes = {}) {
        if (!bytes.empty()) LoadBytes(t, dir, bytes);
    }
    WindowState& state() { return t.state(); }
    GridState& grid() { return t.state().grid; }
    std::vector<std::string>& memo() { return t.state().detailsMemo.lines; }
    EditState& original() { return t.state().originalValueEdit; }
    void show(RecordFilter filter) {
        t.state().recordFilter.selected = static_cast<int>(filter);
        filterChosen(t.session);
    }
    std::string text(int column, int row) const { return cellText(t.session, column, row); }
    CellAppearance look(int column, int row) const { return getCellAppearance(t.session, column, row); }
    void select(int column, int row) { selectCell(t.session, column, row); }
    /// The line numbers of column 0, row by row.
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (int row = 1; row < gridRowCount(t.session.state); ++row)
            out.push_back(text(0, row));
        return out;
    }
};

} // namespace quarvel::test
