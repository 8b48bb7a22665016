#include "gen/FileGenerator.h"

#include "Windows1250.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

namespace quarvel::bench {
namespace {

using namespace std::chrono;

/// xoshiro256**: fast, and the same sequence on every platform, so a seed names one file.
class Random {
public:
    explicit Random(std::uint64_t seed) {
        for (auto& s : m_state) s = splitMix(seed);
    }
    std::uint64_t next() {
        const std::uint64_t result = rotl(m_state[1] * 5, 7) * 9;
        const std::uint64_t t = m_state[1] << 17;
        m_state[2] ^= m_state[0];
        m_state[3] ^= m_state[1];
        m_state[1] ^= m_state[2];
        m_state[0] ^= m_state[3];
        m_state[2] ^= t;
        m_state[3] = rotl(m_state[3], 45);
        return result;
    }
    /// 0 .. n-1 for n up to 2^32, by scaling the high half of a draw rather than a biased modulo.
    std::uint64_t below(std::uint64_t n) { return ((next() >> 32) * n) >> 32; }
    /// True with probability percent/100.
    bool percent(unsigned p) { return below(100) < p; }
    template <class T> const T& pick(const std::vector<T>& items) { return items[below(items.size())]; }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    static std::uint64_t splitMix(std::uint64_t& x) {
        std::uint64_t z = (x += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    std::array<std::uint64_t, 4> m_state{};
};

std::vector<std::string> cp1250(std::initializer_list<std::string_view> utf8) {
    std::vector<std::string> out;
    out.reserve(utf8.size());
    for (std::string_view w : utf8) out.push_back(cp1250FromUtf8(w));
    return out;
}

/// Polish words the records are built from, in Windows-1250; chosen so that the letter counts of a file
/// resemble those of real contractor and payment data.
struct Words {
    std::vector<std::string> firstNames = cp1250({"Łucja", "Zdzisław", "Józef", "Małgorzata", "Grażyna", "Bożena",
        "Jerzy", "Wojciech", "Ścibor", "Żaneta", "Agnieszka", "Paweł", "Michał", "Jadwiga", "Stanisław", "Krzysztof",
        "Elżbieta", "Tomasz", "Urszula", "Mirosław", "Jolanta", "Zbigniew", "Dorota", "Mieczysław"});
    std::vector<std::string> surnames = cp1250({"Żółkiewski", "Łęcki", "Wiśniewski", "Kowalczyk", "Gęsiorowski",
        "Ślązak", "Źrebiec", "Dąbrowska", "Jóźwiak", "Przybył", "Szczęsny", "Ćwikła", "Mroczek", "Nowak",
        "Łukasiewicz", "Bażant", "Kaźmierczak", "Ostrowski", "Wójcik", "Kamińska", "Lewandowski", "Zieliński",
        "Szymańska", "Woźniak", "Kozłowski", "Jabłońska", "Mazur", "Krawczyk", "Piątek", "Grabowski", "Pawłowska",
        "Michalski", "Król", "Wieczorek", "Jastrzębski", "Dudek", "Zając", "Stępień", "Pietrzak", "Gołębiowski"});
    std::vector<std::string> companies = cp1250({"Przedsiębiorstwo Handlowe", "Zakład Usługowy", "Spółdzielnia",
        "Hurtownia", "Piekarnia", "Biuro Rachunkowe", "Przychodnia", "Usługi Remontowe", "Sklep Spożywczy",
        "Drukarnia", "Zakład Stolarski", "Firma Transportowa", "Kancelaria", "Apteka", "Gospodarstwo Rolne",
        "Warsztat Samochodowy", "Pracownia Złotnicza", "Księgarnia"});
    std::vector<std::string> legalForms = cp1250({"Sp. z o.o.", "S.A.", "s.c.", "Spółka jawna", "i Wspólnicy",
        "Spółka komandytowa", "Przedsiębiorstwo Prywatne", "Spółdzielnia Pracy", "Oddział w Polsce"});
    std::vector<std::string> streets = cp1250({"Świętokrzyska", "Żeromskiego", "Łąkowa", "Źródlana", "Pańska",
        "Grunwaldzka", "Chmielna", "Wrocławska", "Mickiewicza", "Kościuszki", "Ogrodowa", "Szkolna", "Długa",
        "Łódzka", "Piłsudskiego", "Słoneczna", "Wiśniowa", "Kwiatowa", "Żwirki i Wigury", "Jagiellońska",
        "Gdańska", "Polna", "Leśna", "Częstochowska", "Księżycowa", "Różana", "Sienkiewicza", "Ułańska"});
    std::vector<std::string> cities = cp1250({"00-950 Warszawa", "90-001 Łódź", "30-001 Kraków", "80-001 Gdańsk",
        "61-001 Poznań", "50-001 Wrocław", "15-001 Białystok", "20-001 Lublin", "35-001 Rzeszów", "62-200 Gniezno",
        "18-400 Łomża", "87-100 Toruń", "43-300 Bielsko-Biała", "41-200 Sosnowiec", "25-001 Kielce",
        "58-500 Jelenia Góra", "64-100 Leszno", "05-500 Piaseczno", "96-300 Żyrardów", "99-100 Łęczyca",
        "22-400 Zamość", "44-100 Gliwice", "10-001 Olsztyn", "65-001 Zielona Góra"});
    std::vector<std::string> cityLocatives = cp1250({"w Łomży", "w Poznaniu", "w Gnieźnie", "w Żyrardowie",
        "w Łęczycy", "w Krakowie", "w Białymstoku", "w Rzeszowie", "w Zamościu", "w Łodzi", "w Gdańsku",
        "we Wrocławiu", "w Toruniu", "w Kielcach"});
    std::vector<std::string> banks = cp1250({"Bank Spółdzielczy", "Powszechna Kasa Oszczędności BP",
        "Bank Gospodarki Żywnościowej", "Bank Pekao S.A.", "Bank Millennium S.A.", "ING Bank Śląski S.A.",
        "Santander Bank Polska S.A.", "mBank S.A.", "Alior Bank S.A.", "Bank Ochrony Środowiska",
        "Credit Agricole Bank Polska", "Bank Pocztowy S.A.", "Mazowiecki Bank Regionalny"});
    std::vector<std::string> branches = cp1250({"Oddział", "I Oddział", "II Oddział", "Oddział Śródmieście",
        "Filia nr 3", "Centrala", "Oddział Główny", "Punkt Obsługi Klienta"});
    std::vector<std::string> titles = cp1250({"Zapłata za fakturę", "Czynsz za lokal", "Opłata za energię",
        "Składka członkowska", "Wynagrodzenie za pracę", "Zaliczka na poczet dostawy", "Zwrot kosztów podróży",
        "Prenumerata czasopism", "Usługi księgowe", "Dostawa węgla", "Naprawa dźwigu", "Opłata za wodę i ścieki",
        "Abonament telefoniczny", "Ubezpieczenie OC", "Odsetki za zwłokę", "Zakup materiałów biurowych",
        "Wywóz nieczystości", "Usługa transportowa", "Szkolenie pracowników", "Dzierżawa gruntu"});
    std::vector<std::string> months = cp1250({"styczeń", "luty", "marzec", "kwiecień", "maj", "czerwiec", "lipiec",
        "sierpień", "wrzesień", "październik", "listopad", "grudzień"});
    std::vector<std::string> fillers = cp1250({"zgodnie", "z", "umową", "nr", "dotyczy", "dostawy", "ręczników",
        "łóżek", "żarówek", "śrub", "źródeł", "światła", "gęsi", "część", "należności", "za", "miesiąc", "półrocze"});
    std::vector<std::string> orderTypes = cp1250({"51", "N", "S", "SEP", "E"});
    std::vector<std::string> clearing = cp1250({"E", "S", "B"});
    // Bank numbers of the routing numbers: commercial banks and a few cooperative ones.
    std::vector<std::string> bankIds = cp1250({"102", "105", "109", "114", "116", "124", "132", "154", "160",
        "175", "187", "193", "194", "203", "249", "847", "862", "893", "945"});
};

const Words& words() {
    static const Words w;
    return w;
}

void appendNumber(std::string& out, std::uint64_t n) {
    char buffer[24];
    const auto result = std::to_chars(std::begin(buffer), std::end(buffer), n);
    out.append(buffer, result.ptr);
}

void appendTwoDigits(std::string& out, unsigned n) {
    out.push_back(static_cast<char>('0' + n / 10 % 10));
    out.push_back(static_cast<char>('0' + n % 10));
}

void appendDigits(Random& random, std::string& out, int count) {
    for (int k = 0; k < count; ++k) out.push_back(static_cast<char>('0' + random.below(10)));
}

/// Appends " " + word while the text stays within `max` characters.
void appendWordsWithin(Random& random, std::string& out, std::size_t max, const std::vector<std::string>& from, int count) {
    for (int k = 0; k < count; ++k) {
        const std::string& word = random.pick(from);
        if (out.size() + 1 + word.size() > max) return;
        if (!out.empty()) out.push_back(' ');
        out += word;
    }
}

/// Builds one record's values in Windows-1250 and joins them into a line.
class RecordMaker {
public:
    RecordMaker(const GeneratorOptions& options, Random& random) : m_options(options), m_random(random), m_w(words()) {
        m_fields.resize(kMaxFieldCount);
        m_todayDays = sys_days{options.today};
    }

    /// The line of the next record, without line end; `fault` tells which fault it carries.
    const std::string& next(Fault& fault) {
        fault = chooseFault();
        if (m_options.kind == FileKind::Contractors) {
            makeContractor();
        } else {
            makeOrder();
        }
        applyFault(fault);
        join(fault);
        return m_line;
    }

    /// One valid record whose last field is lengthened (or the line cut) to exactly `length` bytes.
    std::string longLine(std::uint64_t length) {
        if (m_options.kind == FileKind::Contractors) {
            makeContractor();
        } else {
            makeOrder();
        }
        m_written = m_count;
        join(Fault::None);
        std::string line = m_line;
        if (line.size() < length && !line.empty() && line.back() == '|') line.pop_back();
        line.reserve(static_cast<std::size_t>(length));
        while (line.size() < length) {
            line.push_back(' ');
            line += m_random.pick(m_w.fillers);
        }
        line.resize(static_cast<std::size_t>(length));
        return line;
    }

private:
    Fault chooseFault() {
        if (m_random.below(1000000) >= static_cast<std::uint64_t>(m_options.faultShare * 1000000)) return Fault::None;
        static constexpr Fault kOrderFaults[] = {Fault::BadAccount, Fault::BadDate, Fault::BadAmount, Fault::TooLong,
                                                 Fault::Tab, Fault::EmptyLine, Fault::TooManyFields, Fault::MissingFields};
        static constexpr Fault kContractorFaults[] = {Fault::BadAccount, Fault::TooLong, Fault::Tab,
                                                      Fault::EmptyLine, Fault::TooManyFields, Fault::MissingFields};
        if (m_options.kind == FileKind::Contractors) return kContractorFaults[m_random.below(std::size(kContractorFaults))];
        return kOrderFaults[m_random.below(std::size(kOrderFaults))];
    }

    std::string& field(std::size_t j) { return m_fields[j]; }

    void makeOrder() {
        m_count = kOrderFieldCount;
        for (std::size_t j = 0; j < m_count; ++j) m_fields[j].clear();
        makeDate(field(0));
        makeAmount(field(1));
        makeAccount(field(2));
        makeAccount(field(3));
        field(4) = m_random.pick(m_w.titles);
        makeSecondTitle(field(5));
        if (m_random.percent(30)) field(6) = m_random.pick(m_w.orderTypes);
        if (m_random.percent(60)) field(7) = "PLN";
        if (m_random.percent(50)) field(8) = m_random.pick(m_w.clearing);
        if (m_random.percent(20)) makePerson(field(9));
        if (m_random.percent(10)) makeStreet(field(10));
        m_written = writtenCount(6);
    }

    void makeContractor() {
        m_count = kContractorFieldCount;
        for (std::size_t j = 0; j < m_count; ++j) m_fields[j].clear();
        if (m_random.percent(70)) {
            field(0) = m_random.pick(m_w.companies);
            appendWordsWithin(m_random, field(0), 35, m_w.surnames, 1);
            field(1) = m_random.pick(m_w.legalForms);
        } else {
            makePerson(field(0));
            field(1) = m_random.percent(50) ? std::string("-") : m_random.pick(m_w.legalForms);
        }
        makeStreet(field(2));
        field(3) = m_random.pick(m_w.cities);
        makeAccount(field(4));
        field(5) = m_random.pick(m_w.banks);
        field(6) = m_random.pick(m_w.branches);
        appendWordsWithin(m_random, field(6), 35, m_w.cityLocatives, 1);
        makeStreet(field(7));
        field(8) = m_random.pick(m_w.cities);
        if (m_random.percent(40)) {
            field(9) = m_random.pick(m_w.surnames).substr(0, 8);
            appendTwoDigits(field(9), static_cast<unsigned>(m_random.below(100)));
        }
        if (m_random.percent(70)) makeNip(field(10));
        if (m_random.percent(80)) makePhone(field(11));
        if (m_random.percent(30)) makePhone(field(12));
        m_written = writtenCount(9);
    }

    // Optional fields after the last filled one are often left out of the line altogether.
    std::size_t writtenCount(std::size_t fixed) {
        if (m_random.percent(50)) return m_count;
        std::size_t n = m_count;
        while (n > fixed && m_fields[n - 1].empty()) --n;
        return n;
    }

    void makeDate(std::string& out) {
        const std::uint64_t kind = m_random.below(100);
        if (kind < 5) {
            // Shorter than eight characters: neither moved to today nor rewritten, but still a date.
            const auto d = year_month_day{m_todayDays + days{static_cast<int>(m_random.below(300)) + 1}};
            appendNumber(out, 1 + m_random.below(9));
            out.push_back('/');
            appendNumber(out, 1 + m_random.below(9));
            out.push_back('/');
            appendTwoDigits(out, static_cast<unsigned>(static_cast<int>(d.year()) % 100));
            return;
        }
        const int offset = kind < 45 ? -static_cast<int>(m_random.below(1200)) - 1 : static_cast<int>(m_random.below(400)) + 1;
        writeDate(out, year_month_day{m_todayDays + days{offset}});
    }

    static void writeDate(std::string& out, year_month_day d) {
        appendTwoDigits(out, static_cast<unsigned>(d.month()));
        out.push_back('/');
        appendTwoDigits(out, static_cast<unsigned>(d.day()));
        out.push_back('/');
        appendTwoDigits(out, static_cast<unsigned>(static_cast<int>(d.year()) % 100));
    }

    void makeAmount(std::string& out) {
        // Spread over several orders of magnitude, as payments from a few złoty to a few million are.
        std::uint64_t limit = 10;
        for (std::uint64_t k = m_random.below(6); k > 0; --k) limit *= 10;
        appendNumber(out, 1 + m_random.below(limit));
        const std::uint64_t form = m_random.below(10);
        if (form < 7) {
            out.push_back('.');
            appendTwoDigits(out, static_cast<unsigned>(m_random.below(100)));
        } else if (form < 8) {
            out.push_back('.');
            appendNumber(out, m_random.below(10));
        }
    }

    /// A 26-digit NRB with correct check digits, in one of the ways people write it.
    void makeAccount(std::string& out) {
        std::string bban = m_random.pick(m_w.bankIds);
        appendDigits(m_random, bban, 5 + 16);
        // Check digits of the IBAN: PL is 25 21, then 00; the remainder modulo 97 of BBAN + "252100".
        unsigned remainder = 0;
        for (char c : bban) remainder = (remainder * 10 + static_cast<unsigned>(c - '0')) % 97;
        for (char c : std::string_view("252100")) remainder = (remainder * 10 + static_cast<unsigned>(c - '0')) % 97;
        std::string nrb;
        appendTwoDigits(nrb, 98 - remainder);
        nrb += bban;

        const std::uint64_t form = m_random.below(100);
        if (form < 60) {
            out += nrb;
        } else if (form < 75) {
            out += "PL";
            out += nrb;
        } else if (form < 97) {
            if (form >= 93) out += "PL";
            out.append(nrb, 0, 2);
            for (std::size_t k = 2; k < nrb.size(); k += 4) {
                out.push_back(' ');
                out.append(nrb, k, 4);
            }
        } else {
            out += "RACHUNEK-"; // eight characters and a "-", dropped by the correction
            out += nrb;
        }
    }

    void makeSecondTitle(std::string& out) {
        switch (m_random.below(5)) {
        case 0:
            out.clear();
            out += "FV ";
            appendNumber(out, 1 + m_random.below(2000));
            out.push_back('/');
            appendNumber(out, 2020 + m_random.below(7));
            break;
        case 1:
            out.clear();
            out += "za ";
            out += m_random.pick(m_w.months);
            out.push_back(' ');
            appendNumber(out, 2020 + m_random.below(7));
            break;
        case 2:
            out.clear();
            out += "Umowa nr ";
            appendNumber(out, 1 + m_random.below(500));
            out.push_back('/');
            appendTwoDigits(out, static_cast<unsigned>(20 + m_random.below(7)));
            break;
        case 3:
            out.clear();
            out += "Lokal nr ";
            appendNumber(out, 1 + m_random.below(120));
            break;
        default:
            makePerson(out);
            break;
        }
    }

    void makePerson(std::string& out) {
        out = m_random.pick(m_w.firstNames);
        out.push_back(' ');
        out += m_random.pick(m_w.surnames);
    }

    void makeStreet(std::string& out) {
        out.clear();
        out += "ul. ";
        out += m_random.pick(m_w.streets);
        out.push_back(' ');
        appendNumber(out, 1 + m_random.below(150));
        if (m_random.percent(40)) {
            out.push_back('/');
            appendNumber(out, 1 + m_random.below(60));
        }
    }

    void makeNip(std::string& out) {
        if (m_random.percent(60)) {
            appendDigits(m_random, out, 3);
            out.push_back('-');
            appendDigits(m_random, out, 3);
            out.push_back('-');
            appendDigits(m_random, out, 2);
            out.push_back('-');
            appendDigits(m_random, out, 2);
        } else {
            appendDigits(m_random, out, 10);
        }
    }

    void makePhone(std::string& out) {
        if (m_random.percent(50)) {
            out.clear();
            out += "+48 ";
            appendDigits(m_random, out, 2);
            out.push_back(' ');
            appendDigits(m_random, out, 3);
            out.push_back(' ');
            appendDigits(m_random, out, 2);
            out.push_back(' ');
            appendDigits(m_random, out, 2);
        } else {
            out.clear();
            out += "(";
            appendDigits(m_random, out, 2);
            out += ") ";
            appendDigits(m_random, out, 3);
            out.push_back('-');
            appendDigits(m_random, out, 2);
            out.push_back('-');
            appendDigits(m_random, out, 2);
        }
    }

    std::size_t accountField() {
        if (m_options.kind == FileKind::Contractors) return 4;
        return m_random.percent(50) ? 2 : 3;
    }

    void applyFault(Fault fault) {
        switch (fault) {
        case Fault::None:
        case Fault::EmptyLine:
        case Fault::Count: break;
        case Fault::BadAccount: {
            std::string& account = field(accountField());
            account.clear();
            switch (m_random.below(4)) {
            case 0: appendDigits(m_random, account, 25); break;
            case 1: appendDigits(m_random, account, 27); break;
            case 2:
                appendDigits(m_random, account, 26);
                account[10 + m_random.below(10)] = 'O'; // a letter O typed for a zero
                break;
            default:
                appendDigits(m_random, account, 2);
                for (int k = 0; k < 6; ++k) {
                    account.push_back('-');
                    appendDigits(m_random, account, 4);
                }
                break;
            }
            break;
        }
        case Fault::BadDate: {
            std::string& date = field(0);
            date.clear();
            const auto d = year_month_day{m_todayDays + days{static_cast<int>(m_random.below(400))}};
            switch (m_random.below(4)) {
            case 0: // year first with hyphens
                appendNumber(date, static_cast<std::uint64_t>(static_cast<int>(d.year())));
                date.push_back('-');
                appendTwoDigits(date, static_cast<unsigned>(d.month()));
                date.push_back('-');
                appendTwoDigits(date, static_cast<unsigned>(d.day()));
                break;
            case 1: // no separators
                appendNumber(date, static_cast<std::uint64_t>(static_cast<int>(d.year())));
                appendTwoDigits(date, static_cast<unsigned>(d.month()));
                appendTwoDigits(date, static_cast<unsigned>(d.day()));
                break;
            case 2: // day and month swapped so the month is 13 or more
                appendNumber(date, 13 + m_random.below(19));
                date.push_back('/');
                appendTwoDigits(date, 1 + static_cast<unsigned>(m_random.below(12)));
                date.push_back('/');
                appendTwoDigits(date, static_cast<unsigned>(static_cast<int>(d.year()) % 100));
                break;
            default: // a day the month does not have
                date.clear();
                date += "02/30/";
                appendTwoDigits(date, static_cast<unsigned>(static_cast<int>(d.year()) % 100));
                break;
            }
            break;
        }
        case Fault::BadAmount: {
            std::string& amount = field(1);
            amount.clear();
            switch (m_random.below(3)) {
            case 0: // decimal comma
                appendNumber(amount, 1 + m_random.below(100000));
                amount.push_back(',');
                appendTwoDigits(amount, static_cast<unsigned>(m_random.below(100)));
                break;
            case 1: // grouped thousands
                appendNumber(amount, 1 + m_random.below(999));
                amount += " 000.00";
                break;
            default: // with a currency
                appendNumber(amount, 1 + m_random.below(10000));
                amount += cp1250FromUtf8(".00 zł");
                break;
            }
            break;
        }
        case Fault::TooLong: {
            std::string& value = field(m_options.kind == FileKind::Contractors ? 0 : 4);
            const std::size_t goal = 36 + m_random.below(40);
            while (value.size() < goal) {
                value.push_back(' ');
                value += m_random.pick(m_w.fillers);
            }
            break;
        }
        case Fault::Tab: {
            std::string& value = field(m_options.kind == FileKind::Contractors ? 0 : 4);
            const std::size_t space = value.find(' ');
            value.insert(value.begin() + static_cast<std::ptrdiff_t>(space == std::string::npos ? value.size() / 2 : space), '\t');
            break;
        }
        case Fault::TooManyFields: m_written = m_count; break;
        case Fault::MissingFields: {
            const std::size_t required = m_options.kind == FileKind::Contractors ? 9 : 6;
            m_written = 1 + m_random.below(required - 1);
            break;
        }
        }
    }

    void join(Fault fault) {
        m_line.clear();
        if (fault == Fault::EmptyLine) return;
        for (std::size_t j = 0; j < m_written; ++j) {
            if (j > 0) m_line.push_back('|');
            m_line += m_fields[j];
        }
        if (fault == Fault::TooManyFields) {
            m_line += "|Uwagi|";
            m_line += m_random.pick(m_w.fillers);
        } else if (m_random.percent(10)) {
            m_line.push_back('|'); // one "|" after the last field adds no field
        }
    }

    const GeneratorOptions& m_options;
    Random& m_random;
    const Words& m_w;
    std::vector<std::string> m_fields;
    std::size_t m_count = 0;
    std::size_t m_written = 0;
    std::string m_line;
    sys_days m_todayDays;
};

/// Collects output in blocks of about a megabyte, translating it into the target code page on the way
/// (encoding it, for UTF-8).
class ChunkWriter {
public:
    static constexpr std::size_t kChunk = std::size_t{1} << 20;

    ChunkWriter(const ChunkSink& sink, CodePage codePage)
        : m_sink(sink), m_map(conversionMap(CodePage::WindowsEe, codePage)), m_utf8(codePage == CodePage::Utf8) {
        m_buffer.reserve(kChunk + 4096);
    }
    ~ChunkWriter() = default;
    ChunkWriter(const ChunkWriter&) = delete;
    ChunkWriter& operator=(const ChunkWriter&) = delete;

    /// The bytes `cp1250` takes once written.
    std::size_t sizeOf(std::string_view cp1250) const {
        if (!m_utf8) return cp1250.size();
        std::size_t size = 0;
        for (char c : cp1250) {
            const char32_t cp = unicodeFromCp1250(static_cast<unsigned char>(c));
            size += cp < 0x80 ? 1 : cp < 0x800 ? 2 : 3;
        }
        return size;
    }

    void write(std::string_view cp1250) {
        if (m_utf8) {
            writeBytes(utf8FromCp1250(cp1250));
            return;
        }
        while (!cp1250.empty()) {
            const std::size_t n = std::min(cp1250.size(), kChunk + 4096 - m_buffer.size());
            const std::size_t at = m_buffer.size();
            m_buffer.resize(at + n);
            std::transform(cp1250.begin(), cp1250.begin() + static_cast<std::ptrdiff_t>(n), m_buffer.begin() + static_cast<std::ptrdiff_t>(at),
                           [this](char c) { return static_cast<char>(m_map[static_cast<std::uint8_t>(c)]); });
            m_bytes += n;
            cp1250.remove_prefix(n);
            if (m_buffer.size() >= kChunk) flush();
        }
    }
    void writeBytes(std::string_view bytes) {
        m_buffer.append(bytes);
        m_bytes += bytes.size();
        if (m_buffer.size() >= kChunk) flush();
    }
    void repeat(char c, std::uint64_t count) {
        const std::string block(kChunk, c);
        while (count > 0) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, kChunk));
            write(std::string_view(block).substr(0, n));
            count -= n;
        }
    }
    void flush() {
        if (!m_buffer.empty()) m_sink(m_buffer);
        m_buffer.clear();
    }
    std::uint64_t bytes() const { return m_bytes; }

private:
    const ChunkSink& m_sink;
    const ByteMap& m_map;
    bool m_utf8;
    std::string m_buffer;
    std::uint64_t m_bytes = 0;
};

} // namespace

std::string HeaderLine(FileKind kind, CodePage codePage) {
    std::string line = kind == FileKind::Contractors ? "KONTRAHENCI|" : "ZLECENIA|";
    line += nameOf(codePage);
    return line;
}

GeneratorStats GenerateFile(const GeneratorOptions& options, const ChunkSink& sink) {
    GeneratorStats stats;
    Random random(options.seed);
    RecordMaker maker(options, random);
    ChunkWriter out(sink, options.codePage);
    if (options.header) {
        out.write(HeaderLine(options.kind, options.codePage));
        out.write("\r\n");
    }
    switch (options.shape) {
    case FileShape::Records: {
        const std::uint64_t lineLimit = options.lines != 0 ? options.lines : UINT64_MAX;
        const std::uint64_t byteLimit = options.targetBytes != 0 ? options.targetBytes : UINT64_MAX;
        if (options.lines == 0 && options.targetBytes == 0) break;
        while (stats.dataLines < lineLimit) {
            Fault fault = Fault::None;
            const std::string& line = maker.next(fault);
            if (out.bytes() + out.sizeOf(line) + 2 > byteLimit) break;
            out.write(line);
            out.write("\r\n");
            ++stats.dataLines;
            ++stats.faults[static_cast<int>(fault)];
            if (fault != Fault::None) ++stats.faultyLines;
        }
        break;
    }
    case FileShape::LongLine: {
        out.write(maker.longLine(options.shapeBytes));
        stats.dataLines = 1;
        break;
    }
    case FileShape::Bars: {
        out.repeat('|', options.shapeBytes);
        out.write("\r\n");
        stats.dataLines = 1;
        break;
    }
    }
    out.flush();
    stats.bytes = out.bytes();
    return stats;
}

std::string GenerateToString(const GeneratorOptions& options, GeneratorStats* stats) {
    std::string all;
    if (options.targetBytes != 0) all.reserve(static_cast<std::size_t>(options.targetBytes));
    const GeneratorStats made = GenerateFile(options, [&all](std::string_view chunk) { all.append(chunk); });
    if (stats != nullptr) *stats = made;
    return all;
}

std::string_view FaultName(Fault fault) {
    switch (fault) {
    case Fault::None: return "none";
    case Fault::BadAccount: return "bad account";
    case Fault::BadDate: return "bad date";
    case Fault::BadAmount: return "bad amount";
    case Fault::TooLong: return "too long value";
    case Fault::Tab: return "tab character";
    case Fault::EmptyLine: return "empty line";
    case Fault::TooManyFields: return "too many fields";
    case Fault::MissingFields: return "missing fields";
    case Fault::Count: break;
    }
    return "?";
}

bool ParseSize(std::string_view text, std::uint64_t& value) {
    std::uint64_t number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (ec != std::errc() || end == text.data()) return false;
    std::string_view suffix(end, static_cast<std::size_t>(text.data() + text.size() - end));
    const bool binary = suffix.size() == 2 && suffix[1] == 'i';
    if (binary) suffix.remove_suffix(1);
    if (suffix.size() > 1) return false;
    std::uint64_t unit = 1;
    if (!suffix.empty()) {
        const std::uint64_t base = binary ? 1024 : 1000;
        switch (suffix[0]) {
        case 'k':
        case 'K': unit = base; break;
        case 'M': unit = base * base; break;
        case 'G': unit = base * base * base; break;
        default: return false;
        }
    } else if (binary) {
        return false;
    }
    if (number > UINT64_MAX / unit) return false;
    value = number * unit;
    return true;
}

} // namespace quarvel::bench
