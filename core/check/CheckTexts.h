#pragma once

// The Polish texts of the field and content checks, in Windows-1250.

#include "Windows1250.h"

#include <array>
#include <string>

namespace quarvel::texts {

inline const std::string kRequiredEmpty = cp1250FromUtf8("Wymagane pole jest puste");
inline const std::string kTooLongPrefix = cp1250FromUtf8("Pole posiada zbyt dużą ilość znaków = ");
inline const std::string kTooLongMaximum = cp1250FromUtf8(". Maksymalna ilość dla tego pola = ");
inline const std::string kNotPermittedChars = cp1250FromUtf8("Pole zawiera znaki niezgodne z Windows");
inline const std::string kBadNrb = cp1250FromUtf8("Nieprawidłowy numer NRB");
inline const std::string kBadNrbCheckDigits = cp1250FromUtf8("Nieprawidłowe cyfry kontrolne numeru NRB");
inline const std::string kBadDate = cp1250FromUtf8("Nieprawidłowy format daty");
inline const std::string kBadAmount = cp1250FromUtf8("Nieprawidłowa kwota zlecenia");
inline const std::string kCurrency = " PLN";
inline const std::string kBadNip = cp1250FromUtf8("Nieprawidłowy numer NIP");

// Notes: what a bank or a tax office would ask about, which never makes a record invalid.
inline const std::string kPossibleDoublePrefix =
    cp1250FromUtf8("Możliwe podwójne zlecenie: takie samo jak w linii nr ");
inline const std::string kDayOffPrefix = cp1250FromUtf8(
    "Data wykonania przypada w dzień wolny od pracy; bank wykona zlecenie w najbliższym dniu roboczym: ");

/// The names of the days of the week, Sunday first as std::chrono::weekday counts them.
inline const std::array<std::string, 7> kWeekdayNames = {
    cp1250FromUtf8("niedziela"), cp1250FromUtf8("poniedziałek"), cp1250FromUtf8("wtorek"),
    cp1250FromUtf8("środa"),     cp1250FromUtf8("czwartek"),     cp1250FromUtf8("piątek"),
    cp1250FromUtf8("sobota"),
};

} // namespace quarvel::texts
