#pragma once

// The Polish texts of the field and content checks, in Windows-1250.

#include "Windows1250.h"

#include <array>
#include <string>

namespace quarvel::texts {

inline const std::string kRequiredEmpty = Cp1250FromUtf8("Wymagane pole jest puste");
inline const std::string kTooLongPrefix = Cp1250FromUtf8("Pole posiada zbyt dużą ilość znaków = ");
inline const std::string kTooLongMaximum = Cp1250FromUtf8(". Maksymalna ilość dla tego pola = ");
inline const std::string kNotPermittedChars = Cp1250FromUtf8("Pole zawiera znaki niezgodne z Windows");
inline const std::string kBadNrb = Cp1250FromUtf8("Nieprawidłowy numer NRB");
inline const std::string kBadNrbCheckDigits = Cp1250FromUtf8("Nieprawidłowe cyfry kontrolne numeru NRB");
inline const std::string kBadDate = Cp1250FromUtf8("Nieprawidłowy format daty");
inline const std::string kBadAmount = Cp1250FromUtf8("Nieprawidłowa kwota zlecenia");
inline const std::string kCurrency = " PLN";
inline const std::string kBadNip = Cp1250FromUtf8("Nieprawidłowy numer NIP");

// Notes: what a bank or a tax office would ask about, which never makes a record invalid.
inline const std::string kPossibleDoublePrefix =
    Cp1250FromUtf8("Możliwe podwójne zlecenie: takie samo jak w linii nr ");
inline const std::string kDayOffPrefix = Cp1250FromUtf8(
    "Data wykonania przypada w dzień wolny od pracy; bank wykona zlecenie w najbliższym dniu roboczym: ");

/// The names of the days of the week, Sunday first as std::chrono::weekday counts them.
inline const std::array<std::string, 7> kWeekdayNames = {
    Cp1250FromUtf8("niedziela"), Cp1250FromUtf8("poniedziałek"), Cp1250FromUtf8("wtorek"),
    Cp1250FromUtf8("środa"),     Cp1250FromUtf8("czwartek"),     Cp1250FromUtf8("piątek"),
    Cp1250FromUtf8("sobota"),
};

} // namespace quarvel::texts
