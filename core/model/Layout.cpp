#include "Layout.h"

#include "Windows1250.h"

namespace quarvel {

void addFieldDef(Layout& layout, std::string_view name, char kindLetter, std::int32_t maxLength, bool required) {
    constexpr std::size_t kMaxNameLength = 100;
    layout.push_back(FieldDef{std::string(name.substr(0, kMaxNameLength)), kindLetter, maxLength, required});
}

void buildLayouts(Layouts& layouts) {
    Layout& c = layouts.contractorLayout;
    c.clear();
    addFieldDef(c, "NAZWA1", 'S', 35, true);
    addFieldDef(c, "NAZWA2", 'S', 35, true);
    addFieldDef(c, "ADRES1", 'S', 35, true);
    addFieldDef(c, "ADRES2", 'S', 35, true);
    addFieldDef(c, "NUMER KONTA", 'S', 40, true);
    addFieldDef(c, "NAZWA BANKU1", 'S', 35, true);
    addFieldDef(c, "NAZWA BANKU2", 'S', 35, true);
    addFieldDef(c, "ADRES BANKU1", 'S', 35, true);
    addFieldDef(c, "ADRES BANKU2", 'S', 35, true);
    addFieldDef(c, "LOGO", 'S', 10, false);
    addFieldDef(c, "NIP", 'S', 13, false);
    addFieldDef(c, "TELEFON", 'S', 30, false);
    addFieldDef(c, "FAX", 'S', 30, false);

    Layout& o = layouts.orderLayout;
    o.clear();
    addFieldDef(o, "DATA", 'S', 8, true);
    addFieldDef(o, "KWOTA", 'S', 15, true);
    addFieldDef(o, cp1250FromUtf8("NUMER KONTA OBCIĄŻANEGO"), 'S', 40, true);
    addFieldDef(o, "NUMER KONTA UZNAWANEGO", 'S', 40, true);
    addFieldDef(o, cp1250FromUtf8("TYTUŁEM1"), 'S', 35, true);
    addFieldDef(o, cp1250FromUtf8("TYTUŁEM2"), 'S', 35, true);
    addFieldDef(o, "Typ przelewu", 'S', 3, false);
    addFieldDef(o, "Kod waluty", 'S', 3, false);
    addFieldDef(o, "System rozliczeniowy", 'C', 1, false);
    addFieldDef(o, cp1250FromUtf8("Tutułem3"), 'S', 35, false);
    addFieldDef(o, cp1250FromUtf8("Tutułem4"), 'S', 35, false);
}

const Layouts& standardLayouts() {
    static const Layouts layouts = [] {
        Layouts built;
        buildLayouts(built);
        return built;
    }();
    return layouts;
}

const Layout& layoutFor(FileKind kind) {
    static const Layout none;
    switch (kind) {
    case FileKind::Contractors:
        return standardLayouts().contractorLayout;
    case FileKind::Orders:
        return standardLayouts().orderLayout;
    case FileKind::None:
        break;
    }
    return none;
}

std::size_t fieldCountFor(FileKind kind) {
    return layoutFor(kind).size();
}

} // namespace quarvel
