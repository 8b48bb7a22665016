#include "Layout.h"

#include "Windows1250.h"

namespace quarvel {

void AddFieldDef(Layout& layout, std::string_view name, char kindLetter, std::int32_t maxLength, bool required) {
    constexpr std::size_t kMaxNameLength = 100;
    layout.push_back(FieldDef{std::string(name.substr(0, kMaxNameLength)), kindLetter, maxLength, required});
}

void BuildLayouts(Layouts& layouts) {
    Layout& c = layouts.ContractorLayout;
    c.clear();
    AddFieldDef(c, "NAZWA1", 'S', 35, true);
    AddFieldDef(c, "NAZWA2", 'S', 35, true);
    AddFieldDef(c, "ADRES1", 'S', 35, true);
    AddFieldDef(c, "ADRES2", 'S', 35, true);
    AddFieldDef(c, "NUMER KONTA", 'S', 40, true);
    AddFieldDef(c, "NAZWA BANKU1", 'S', 35, true);
    AddFieldDef(c, "NAZWA BANKU2", 'S', 35, true);
    AddFieldDef(c, "ADRES BANKU1", 'S', 35, true);
    AddFieldDef(c, "ADRES BANKU2", 'S', 35, true);
    AddFieldDef(c, "LOGO", 'S', 10, false);
    AddFieldDef(c, "NIP", 'S', 13, false);
    AddFieldDef(c, "TELEFON", 'S', 30, false);
    AddFieldDef(c, "FAX", 'S', 30, false);

    Layout& o = layouts.OrderLayout;
    o.clear();
    AddFieldDef(o, "DATA", 'S', 8, true);
    AddFieldDef(o, "KWOTA", 'S', 15, true);
    AddFieldDef(o, Cp1250FromUtf8("NUMER KONTA OBCIĄŻANEGO"), 'S', 40, true);
    AddFieldDef(o, "NUMER KONTA UZNAWANEGO", 'S', 40, true);
    AddFieldDef(o, Cp1250FromUtf8("TYTUŁEM1"), 'S', 35, true);
    AddFieldDef(o, Cp1250FromUtf8("TYTUŁEM2"), 'S', 35, true);
    AddFieldDef(o, "Typ przelewu", 'S', 3, false);
    AddFieldDef(o, "Kod waluty", 'S', 3, false);
    AddFieldDef(o, "System rozliczeniowy", 'C', 1, false);
    AddFieldDef(o, Cp1250FromUtf8("Tutułem3"), 'S', 35, false);
    AddFieldDef(o, Cp1250FromUtf8("Tutułem4"), 'S', 35, false);
}

const Layouts& StandardLayouts() {
    static const Layouts layouts = [] {
        Layouts built;
        BuildLayouts(built);
        return built;
    }();
    return layouts;
}

const Layout& LayoutFor(FileKind kind) {
    static const Layout none;
    switch (kind) {
    case FileKind::Contractors:
        return StandardLayouts().ContractorLayout;
    case FileKind::Orders:
        return StandardLayouts().OrderLayout;
    case FileKind::None:
        break;
    }
    return none;
}

std::size_t FieldCountFor(FileKind kind) {
    return LayoutFor(kind).size();
}

} // namespace quarvel
