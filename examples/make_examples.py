#!/usr/bin/env python3
"""Writes the sample input files of this folder: the same contractors and payment orders in several code pages,
and the payment orders (and contractors) as programs of today export them: UTF-8 with and without its mark, and
UTF-16 ("Unicode text") in both byte orders.

Run it from anywhere; it rewrites the .txt files beside it. The letter bytes are the tool's own table.
"""
from pathlib import Path

LETTERS = "ĄĆĘŁŃÓŚŹŻąćęłńóśźż"
CODE_PAGES = {
    "MAZOVIA": "8F95909CA5A398A0A1868D9192A4A29EA6A7",
    "ISO_LATIN2": "A1C6CAA3D1D3A6ACAFB1E6EAB3F1F3B6BCBF",
    "IBM_LATIN2": "A48FA89DE3E0978DBDA586A988E4A298ABBE",
    "WINDOWS_EE": "A5C6CAA3D1D38C8FAFB9E6EAB3F1F39C9FBF",
}

CONTRACTORS = [
    # valid
    "Przedsiębiorstwo Handlowe|Żółw Sp. z o.o.|ul. Źródlana 12|00-950 Łódź|PL61109010140000071219812874|"
    "Bank Śląski|Oddział w Łodzi|ul. Piotrkowska 1|90-001 Łódź|ZOLW|7251801126|+48 42 123 45 67|+48 42 123 45 68",
    # valid: the account written in groups loses its spaces
    "Gospodarstwo Rolne|Jan Kowalczyk|Wólka Mała 3|08-400 Garwolin|61 1090 1014 0000 0712 1981 2874|"
    "Bank Spółdzielczy|w Garwolinie|ul. Kościuszki 7|08-400 Garwolin",
    # invalid: the account number has too few digits
    "Usługi Budowlane|Grzegorz Żak|ul. Długa 5|31-147 Kraków|6110901014000007121981287|"
    "Bank Pekao|I Oddział Kraków|Rynek Główny 31|31-010 Kraków||||",
    # invalid: an empty line
    "",
    # invalid: ADRES BANKU1 and ADRES BANKU2 are missing
    "Apteka Pod Łabędziem|Anna Nowak|pl. Wolności 2|50-071 Wrocław|PL61109010140000071219812874|Bank Zachodni|Wrocław",
    # invalid: fourteen fields
    "Hurtownia Ćma|Piotr Wiśniewski|ul. Leśna 8|80-001 Gdańsk|61109010140000071219812874|Bank Morski|Gdańsk|"
    "ul. Portowa 1|80-002 Gdańsk|CMA|5840000000|58 300 00 00|58 300 00 01|nadmiarowe",
    # valid: eight characters and "-" in front of the account number
    "Źródło Sp. j.|Małgorzata Ślęzak|ul. Żeromskiego 44|26-600 Radom|BANKPKO1-61109010140000071219812874|"
    "PKO Bank Polski|Oddział 1 w Radomiu|ul. Traugutta 9|26-600 Radom||7960000000",
]

ORDERS = [
    # valid: a past date, moved to the day of the load
    "01/15/06|1500.50|61109010140000071219812874|PL27114020040000300201355387|Zapłata za fakturę|FV 12/2006|||||",
    # valid, with the third title line
    "12/31/99|250|61109010140000071219812874|27 1140 2004 0000 3002 0135 5387|Czynsz za grudzień|Lokal 5|"
    "N|PLN|E|Opłata dodatkowa",
    # invalid: a comma in the amount
    "12/31/99|100,50|61109010140000071219812874|27114020040000300201355387|Składka członkowska|Styczeń||||",
    # invalid: the date is written year first
    "2006-12-07|75.25|61109010140000071219812874|27114020040000300201355387|Prenumerata|Rok 2007||||",
    # invalid: the credited account number holds a letter
    "12/31/99|19.99|61109010140000071219812874|2711402004000030020135538X|Książki|Zamówienie 7||||",
    # invalid: a tab inside the title (valid once control characters are replaced)
    "12/31/99|42|61109010140000071219812874|27114020040000300201355387|Wpłata\tna cel|Ośrodek Źródło||||",
    # valid: a negative amount and a short date that is left as it is
    "1/5/07|-12.5|BANKPKO1-61109010140000071219812874|27114020040000300201355387|Zwrot nadpłaty|Ślęża||||",
]


def encode(text: str, code_page: str) -> bytes:
    table = bytes.fromhex(CODE_PAGES[code_page])
    out = bytearray()
    for ch in text:
        k = LETTERS.find(ch)
        if k >= 0:
            out.append(table[k])
        else:
            out.extend(ch.encode("ascii"))
    return bytes(out)


# Files of today's programs: (file name, header, encoding). The UTF-16 ones, as a spreadsheet saves them,
# name no code page.
UNICODE_FILES = [
    ("kontrahenci_utf8.txt", "KONTRAHENCI|UTF-8", "utf-8"),
    ("zlecenia_utf8.txt", "ZLECENIA|UTF-8", "utf-8"),
    ("zlecenia_utf8_bom.txt", "ZLECENIA|UTF-8", "utf-8-sig"),
    ("zlecenia_utf16le.txt", "ZLECENIA", "utf-16-le"),
    ("zlecenia_utf16be.txt", "ZLECENIA", "utf-16-be"),
]


def main() -> None:
    here = Path(__file__).resolve().parent
    for code_page in CODE_PAGES:
        for stem, keyword, lines in (("kontrahenci", "KONTRAHENCI", CONTRACTORS), ("zlecenia", "ZLECENIA", ORDERS)):
            body = "\r\n".join([f"{keyword}|{code_page}"] + lines) + "\r\n"
            (here / f"{stem}_{code_page.lower()}.txt").write_bytes(encode(body, code_page))
    for name, header, encoding in UNICODE_FILES:
        lines = CONTRACTORS if name.startswith("kontrahenci") else ORDERS
        body = "\r\n".join([header] + lines) + "\r\n"
        mark = "\ufeff" if encoding.startswith("utf-16") else ""
        (here / name).write_bytes((mark + body).encode(encoding))


if __name__ == "__main__":
    main()
