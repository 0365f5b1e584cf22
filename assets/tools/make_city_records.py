#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""Builds CityRecords.txt, the station catalogue that ships beside Nimbrel.exe.

Source: the station list of Debian's weather-util-data package (/usr/share/weather-util/stations.gz:
every station that reports METAR observations, with a free-text description and a position), put
together by the weather-util project from public-domain NOAA, US Census Bureau and OurAirports data.
The census places of the same package (places.gz) name the city of US airports whose description
gives only the airport; Debian's iso-codes package gives country names for two-letter codes; and
the cities of tzdata's zone.tab give the usual names of big cities that some descriptions only hint
at ("Zurich-Kloten", "King Khaled International Airport").

Each output line is one record: Id;StationCode;Country;DisplayName;Details;Latitude;Longitude, in
Windows-1252, ended by CR LF, sorted by country, city, details and code.

Ids: the built-in default cities keep their fixed ids. Every other station's id is
1000000 + the station code read as a base-36 number (digits 0-9, letters A-Z = 10-35), so
"EGLL" is 1000000 + 14*36^3 + 16*36^2 + 21*36 + 21. That number depends on nothing but the station's
own code: adding, dropping or renaming other stations never moves it, it is unique because codes
are, and it stays clear of the built-in ids (all below 1000000) and below 2^31 (at most 2679615).

Usage: make_city_records.py OUTPUT [STATIONS.gz PLACES.gz ISO_3166-1.json ZONE.tab]
"""

import gzip
import html
import json
import math
import os
import re
import sys
import unicodedata

STATIONS = "/usr/share/weather-util/stations.gz"
PLACES = "/usr/share/weather-util/places.gz"
ISO_3166 = "/usr/share/iso-codes/json/iso_3166-1.json"
ZONE_TAB = "/usr/share/zoneinfo/zone.tab"

ID_BASE = 1000000

# The program's built-in default cities: (Id, code, country, name, details, latitude, longitude).
# They appear in the catalogue exactly like this, so that picking one there gives the same record.
BUILT_IN = [
    (348400, "KLAX", "USA", "Los Angeles", "Los Angeles International Airport", "33.938", "-118.389"),
    (358900, "KMIA", "USA", "Miami", "Miami International Airport", "25.791", "-80.316"),
    (370800, "KJFK", "USA", "New York", "Kennedy International Airport", "40.639", "-73.762"),
    (113600, "LFPO", "France", "Paris", "Orly", "48.733", "2.400"),
    (221800, "LEMD", "Spain", "Madrid", "Barajas", "40.450", "-3.550"),
    (152100, "LIRF", "Italy", "Roma", "Fiumicino", "41.800", "12.233"),
    (163300, "RJAA", "Japan", "Tokyo", "New Tokyo International Airport", "35.767", "140.383"),
    (213600, "WSSS", "Singapore", "Singapore", "Changi Airport", "1.367", "103.983"),
    (216100, "FAJS", "South Africa", "Johannesburg", "", "-26.133", "28.233"),
    (227400, "ESSA", "Sweden", "Stockholm", "Arlanda", "59.650", "17.950"),
    (79800, "CYVR", "Canada", "Vancouver", "International Airport", "49.183", "-123.167"),
    (12100, "YSSY", "Australia", "Sydney", "", "-33.950", "151.183"),
    (86600, "ZBAA", "China", "Beijing", "", "39.933", "116.283"),
    (133400, "VHHH", "Hong Kong", "Hong Kong", "", "22.333", "114.183"),
    (136800, "VIDP", "India", "New Delhi", "Palam", "28.567", "77.117"),
    (179000, "GMMC", "Morocco", "Casablanca", "", "33.567", "-7.667"),
    (23000, "SBBR", "Brazil", "Brasilia", "", "-15.867", "-47.933"),
    (175100, "MMMX", "Mexico", "Mexico City", "Licenci", "19.433", "-99.100"),
]

# Country names as people write them. US territories stay "USA": the program asks the US
# forecast service only for cities whose country is exactly that, and the service covers them.
COUNTRY_BY_ISO = {
    "US": "USA", "PR": "USA", "VI": "USA", "GU": "USA", "AS": "USA", "MP": "USA", "UM": "USA",
    "RU": "Russia", "CZ": "Czech Republic", "TR": "Turkey", "CD": "DR Congo", "CG": "Congo",
    "CI": "Ivory Coast", "CV": "Cape Verde", "BN": "Brunei", "MO": "Macau", "FM": "Micronesia",
    "VG": "British Virgin Islands", "FK": "Falkland Islands", "SH": "Saint Helena", "VA": "Vatican City",
    "SX": "Sint Maarten", "MF": "Saint Martin", "PS": "Palestine", "XK": "Kosovo", "BQ": "Caribbean Netherlands",
    "CC": "Cocos Islands", "RE": "Réunion", "CW": "Curaçao", "SZ": "Eswatini", "MK": "North Macedonia",
}
COUNTRY_BY_NAME = {
    "United States": "USA", "United States of America": "USA", "United States Of America": "USA",
    "United States Minor Outlying Islands": "USA", "Virgin Islands": "USA",
    "Korea, South": "South Korea", "Korea, North": "North Korea", "Bahamas, The": "Bahamas",
    "Gambia, The": "Gambia", "Micronesia, Federated States Of": "Micronesia",
    "Congo, Democratic Republic Of The": "DR Congo", "Congo, Republic Of The": "Congo",
    "Macedonia, The Republic Of": "North Macedonia", "Falkland Islands, Islas Malvinas": "Falkland Islands",
    "Cote D'Ivoire": "Ivory Coast", "Swaziland": "Eswatini", "Reunion": "Réunion",
}
# Stations filed under a country that no longer exists, or under the wrong one.
COUNTRY_BY_STATION = {
    "TNCB": "Bonaire", "TNCE": "Sint Eustatius", "TNCC": "Curaçao", "TNCM": "Sint Maarten",
    "EGYP": "Falkland Islands", "LYPG": "Montenegro", "LYTV": "Montenegro",
}
# Two-part country names in the NOAA style ("Korea, South"): the second parts.
COUNTRY_TAILS = {"South", "North", "The", "Federated States Of", "Democratic Republic Of The", "Republic Of The",
                 "The Republic Of", "Islas Malvinas"}

# Words that mark a station or airport name rather than a place name.
SITE_WORDS = [
    "Supplementary Aviation Weather Reporting Station", "Aviation Weather Reporting Station",
    "Automatic Weather Reporting System", "Automated Reporting Station", "Marine Aviation Reporting Station",
    "Meteorological Aeronautical Presentation System", "Royal Air Force Base", "Air Force Base", "Air Base",
    "Air-Port", "Airport", "Airfield", "Airstrip", "Aerodrome", "Aeroporto", "Aero-Porto", "Aeropuerto",
    "Aeroport", "Aero.", "Airp.", "Flughafen", "Lufthavn", "Flygplats", "International", "Inter-National",
    "Interntl", "Intl.", "Intl", "Int'l", "Int.", "Municipal", "Muni", "Regional", "Rgnl", "Memorial", "County",
    "Field", "Fld", "Ab", "Afb", "Aaf", "Nas", "Naval", "Heliport", "Helistop", "Weather Station",
    "Weather Centre", "Met Stn.", "Amo", "Aws", "Observ.", "AWOS", "ASOS", "AP", "Intercontinental", "Jetport",
    "Air Force", "Air Station", "Army", "Base",
    # Canadian climate and agricultural stations.
    "Cs", "Rcs", "Rc", "Cda", "Agdm", "Agcm", "Climate",
]
SITE_PATTERN = re.compile(r"(?<![\w'])(%s)(?![\w'])" % "|".join(re.escape(w) for w in SITE_WORDS), re.IGNORECASE)

AIRPORT_PATTERN = re.compile(r"\b(Airport|International|Aerodrome|Aeroporto|Aeropuerto|Aeroport|Airfield)\b")

# Abbreviations in airport names, written out for the details column.
EXPANSIONS = [
    (r"\bInterntl\b", "International"), (r"\bInter-National\b", "International"), (r"\bIntl\b\.?", "International"),
    (r"\bInt'l\b\.?", "International"), (r"\bInt\.", "International"), (r"\bAir-Port\b", "Airport"),
    (r"\bAirp\.", "Airport"), (r"\bAirpt\b", "Airport"), (r"\bRgnl\b", "Regional"), (r"\bMuni\b", "Municipal"),
    (r"\bFld\b", "Field"),
    (r"\bAfb\b", "Air Force Base"), (r"\bAaf\b", "Army Airfield"), (r"\bAb\b", "Air Base"),
]

# Province and state abbreviations that some descriptions put before the country.
REGION_PATTERN = re.compile(r"(?:[A-Z]\.\s?)+[A-Z]?\.?|[A-Z][A-Za-z]{1,4}\.|[A-Z0-9]{1,4}|Alta|Sask|Man|Ont|Que|Nfld"
                            r"|Nwt|Nu|Quebec|Ontario|Alberta|Manitoba|Saskatchewan|British Columbia|Nova Scotia"
                            r"|New Brunswick|Newfoundland|Nunavut|Yukon")

# Census place kinds that are towns people would name (not townships or county subdivisions).
TOWN_KINDS = {"city", "town", "village", "borough", "municipality", "city and borough", "unified government",
              "consolidated government", "metro government", "comunidad", "zona urbana"}
INCORPORATED = TOWN_KINDS - {"comunidad", "zona urbana"}
MAJOR_CITY_KM = 35.0  # an airport named after a person, this close to a big city, serves it
NEAR_KM = 30.0  # how far from its airport a town may lie and still name it
PREFIX_KM = 65.0  # a town an airport is named after may lie further (census centres can be off)

# Letters outside Windows-1252 that Unicode decomposition does not reduce to one that is inside.
TRANSLITERATION = {"ı": "i", "ł": "l", "Ł": "L", "đ": "d", "Đ": "D", "ħ": "h", "Ħ": "H", "ŧ": "t", "ŋ": "n",
                   "ə": "e", "ʻ": "'", "ʼ": "'", "‘": "'", "’": "'", "“": '"', "”": '"', "–": "-", "—": "-"}


def read_sections(path):
    """The INI-like sections of a weather-util data file: {name: {key: value}}."""
    sections = {}
    current = None
    with gzip.open(path, "rt", encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            if line.startswith("[") and line.endswith("]"):
                current = sections.setdefault(line[1:-1], {})
            elif current is not None and " = " in line:
                key, value = line.split(" = ", 1)
                current[key] = value
    return sections


def radians_pair(text):
    """'(0.59, -2.06)' in radians to (latitude, longitude) in degrees, or None."""
    m = re.fullmatch(r"\(\s*(-?\d+(?:\.\d+)?)\s*,\s*(-?\d+(?:\.\d+)?)\s*\)", text or "")
    if not m:
        return None
    return math.degrees(float(m.group(1))), math.degrees(float(m.group(2)))


def distance_km(a, b):
    (la1, lo1), (la2, lo2) = a, b
    p1, p2 = math.radians(la1), math.radians(la2)
    h = math.sin((p2 - p1) / 2) ** 2 + math.cos(p1) * math.cos(p2) * math.sin(math.radians(lo2 - lo1) / 2) ** 2
    return 2 * 6371.0 * math.asin(min(1.0, math.sqrt(h)))


def to_ansi(text):
    """Text that Windows-1252 can carry and the record format accepts: no separators, no controls."""
    out = []
    for ch in text:
        ch = TRANSLITERATION.get(ch, ch)
        for c in ch:
            if c == ";":
                c = ","
            if ord(c) < 0x20 or ord(c) == 0x7F:
                c = " "
            try:
                c.encode("cp1252")
                out.append(c)
            except UnicodeEncodeError:
                for part in unicodedata.normalize("NFKD", c):
                    if not unicodedata.combining(part):
                        try:
                            part.encode("cp1252")
                            out.append(part)
                        except UnicodeEncodeError:
                            pass
    return re.sub(r"\s+", " ", "".join(out)).strip()


def tidy(text):
    text = re.sub(r"\s+", " ", text).strip(" ,")
    # "Arhangel'Sk", "Mary'S": a capital after an apostrophe inside a word.
    text = re.sub(r"(?<=[a-z])'([A-Z])(?=[a-z]{0,2}\b)", lambda m: "'" + m.group(1).lower(), text)
    # Words glued together in the source: "Internationalairport", "Airportgrand Cayman".
    text = re.sub(r"(?<=[a-z])(airport|aeropuerto|aeroporto)\b", lambda m: " " + m.group(1).capitalize(), text)
    text = re.sub(r"\b(Airport|Aeropuerto|Aeroporto)([a-z]{2,})\b",
                  lambda m: m.group(1) + " " + m.group(2).capitalize(), text)
    # "Mccarran" -> "McCarran"; military acronyms that merely start with "Mc" -> capitals.
    text = re.sub(r"\b(Mcas|Mcaf|Mcolf|Mcmwtc)\b", lambda m: m.group(1).upper(), text)
    text = re.sub(r"\bMc([a-z])(?=[a-z]{2})", lambda m: "Mc" + m.group(1).upper(), text)
    return text


def expand(details):
    for pattern, replacement in EXPANSIONS:
        details = re.sub(pattern, replacement, details)
    return re.sub(r"\s+", " ", details).strip()


def is_site(text):
    return SITE_PATTERN.search(text) is not None


def place_from_site(name):
    """The place part of an airport name: "Amsterdam Airport Schiphol" -> "Amsterdam"."""
    m = SITE_PATTERN.search(name)
    if not m:
        return name
    before = name[:m.start()].strip(" -/,")
    if before:
        return before
    rest = SITE_PATTERN.sub(" ", name)
    rest = re.sub(r"\s+", " ", rest).strip(" -/,")
    return rest or name


class Countries:
    def __init__(self, iso_path):
        with open(iso_path, encoding="utf-8") as f:
            entries = json.load(f)["3166-1"]
        self.by_code = {}
        self.by_name = {}
        for e in entries:
            nice = COUNTRY_BY_ISO.get(e["alpha_2"], e.get("common_name", e["name"]))
            self.by_code[e["alpha_2"]] = nice
            for key in ("name", "common_name", "official_name"):
                if key in e:
                    self.by_name[e[key].lower()] = nice
        for code, nice in COUNTRY_BY_ISO.items():
            self.by_code.setdefault(code, nice)

    def from_code(self, code):
        return self.by_code.get(code)

    def from_name(self, name):
        if name in COUNTRY_BY_NAME:
            return COUNTRY_BY_NAME[name]
        known = self.by_name.get(name.lower())
        if known:
            return known
        return re.sub(r"(?<=\w) (And|Of|The|Da|De) ", lambda m: " " + m.group(1).lower() + " ", name)


class Towns:
    """US census places by state, to name the town of an airport whose description lacks one."""

    def __init__(self, path):
        self.by_state = {}
        for section in read_sections(path).values():
            description = section.get("description", "")
            position = radians_pair(section.get("centroid"))
            m = re.fullmatch(r"(.+), ([A-Z]{2})", description)
            if not m or position is None:
                continue
            name, state = m.group(1), m.group(2)
            name = re.sub(r" \(balance\)$", "", name)
            if name.endswith(" CDP"):
                name, kind = name[:-4], "CDP"
            else:
                words = name.split(" ")
                split = len(words)
                while split > 1 and words[split - 1].islower():
                    split -= 1
                name, kind = " ".join(words[:split]), " ".join(words[split:])
                if kind not in TOWN_KINDS:
                    continue
            name = re.sub(r"\s*\(.*?\)\s*", " ", name).strip()
            if kind.endswith("government"):
                name = re.split(r"[-/]", name)[0]  # "Augusta-Richmond County" is Augusta
            self.by_state.setdefault(state, []).append((name, kind, position))
        self.by_first_word = {}
        self.by_last_word = {}
        for state, towns in self.by_state.items():
            towns.sort()
            for town in towns:
                for index, word in ((self.by_first_word, first_word(town[0])), (self.by_last_word, last_word(town[0]))):
                    index.setdefault((state, word), []).append(town)
                    index.setdefault(("", word), []).append(town)

    def candidates(self, state):
        if state in self.by_state:
            return self.by_state[state]
        return [t for towns in self.by_state.values() for t in towns]

    def named_in(self, site, state, position):
        """The longest town name that starts (or else ends) the airport's name and lies near it."""
        for index, pattern in ((self.by_first_word, r"%s(?:[\s/-]|$)"), (self.by_last_word, r".*[\s/-]%s$")):
            word = first_word(site) if index is self.by_first_word else last_word(site)
            best = None
            for name, kind, where in index.get((state, word), []):
                if len(name) < 3 or (best and len(name) <= len(best)):
                    continue
                if re.match(pattern % re.escape(name), site) and distance_km(where, position) <= PREFIX_KM:
                    best = name
            if best:
                return best
        return None

    def nearest(self, state, position):
        window = NEAR_KM / 100.0  # degrees of latitude, a cheap first filter
        for kinds in (INCORPORATED, TOWN_KINDS | {"CDP"}):
            best, best_km = None, NEAR_KM
            for name, kind, where in self.candidates(state):
                if kind in kinds and abs(where[0] - position[0]) <= window:
                    km = distance_km(where, position)
                    if km < best_km:
                        best, best_km = name, km
            if best:
                return best
        return None


def first_word(text):
    return re.split(r"[\s/-]", text, 1)[0].lower()


def last_word(text):
    return re.split(r"[\s/-]", text)[-1].lower()


def split_city_details(parts, us_state, position, towns, airport_first):
    """City and details from the description parts that remain after the country (and state).
    airport_first: the parts are "airport, municipality, ..." (the OurAirports order)."""
    parts = [tidy(p) for p in parts if tidy(p)]
    if not parts:
        return None, "", None
    if airport_first and len(parts) >= 2 and not is_site(parts[1]):
        # "San Ramón / Mamoré": the first of the places named.
        return re.split(r"\s*/\s*", parts[1])[0], ", ".join([parts[0]] + parts[2:]), None
    bracket = re.fullmatch(r"(.*?)\s*\[(.*)\]", parts[0])
    if bracket:
        parts = [bracket.group(1), bracket.group(2)] + parts[1:]
    if len(parts) == 1:
        single = parts[0]
        # "Tampere / Pirkkala": city and airport. US names keep "Dallas/Ft. Worth" whole.
        m = re.fullmatch(r"(.+?)\s+[/\\]\s+(.+)" if us_state is not None else r"(.+?)\s*[/\\]\s*(.+)", single)
        if m and not is_site(m.group(1)):
            return m.group(1), m.group(2), None
        if us_state is not None:
            # US station names start or end with their town more often than not ("Houston
            # Intercontinental", "Hartsfield-Jackson Atlanta"); the census knows the towns.
            # Washington National lies in Virginia: the town may be across a state line.
            city = towns.named_in(single, us_state, position) or towns.named_in(single, "", position)
            if city is None and is_site(single):
                city = towns.nearest(us_state, position)
            if city is not None:
                return city, single, None
        if not is_site(single):
            return single, "", "plain"
        return place_from_site(single), single, "site"
    # Several parts: the first one that names a place is the city, the rest describe the site.
    index = next((i for i, p in enumerate(parts) if not is_site(p)), 0)
    city = parts[index]
    details = ", ".join(p for i, p in enumerate(parts) if i != index)
    city = city.split("/")[0].strip()
    return city, details, None


def describe(code, description, position, countries, towns):
    """(country, city, details, hint) for one station, or None when it cannot be placed. The hint
    says how a lone name was read: "plain" (a place name as it stands), "site" (an airport or
    station name the city was cut from), or None."""
    if description.startswith("unknown station"):
        return None
    text = html.unescape(html.unescape(description)).split(" // ")[0]
    parts = [p.strip() for p in text.split(",") if p.strip()]
    if len(parts) < 2:
        return None
    us_state = None
    airport_first = re.fullmatch(r"[A-Z]{2}", parts[-1]) is not None
    if airport_first:
        # OurAirports style: "name, municipality, region, CC".
        country = countries.from_code(parts[-1])
        if country is None:
            return None
        rest = parts[:-1]
        if parts[-1] == "US" and rest and re.fullmatch(r"[A-Z]{2}", rest[-1]):
            us_state = rest[-1]
        if len(rest) >= 2:
            rest = rest[:-1]
    else:
        if len(parts) >= 3 and parts[-1] in COUNTRY_TAILS:
            parts = parts[:-2] + [parts[-2] + ", " + parts[-1]]
        raw_country = parts[-1]
        country = countries.from_name(raw_country)
        rest = parts[:-1]
        if raw_country.startswith("United States") and rest and re.fullmatch(r"[A-Z]{2}", rest[-1]):
            us_state = rest[-1]
            rest = rest[:-1]
        elif len(rest) >= 2 and REGION_PATTERN.fullmatch(rest[-1]):
            rest = rest[:-1]
    country = COUNTRY_BY_STATION.get(code, country)
    if country == "Serbia and Montenegro":
        country = "Serbia"
    rest = [p for p in rest if p.lower() != country.lower()]
    if country == "USA" and us_state is None and rest and re.fullmatch(r"[A-Z]{2}", rest[-1]):
        us_state = rest[-1]
        rest = rest[:-1]
    if country == "USA" and us_state is None:
        us_state = ""
    city, details, hint = split_city_details(rest, us_state, position, towns, airport_first)
    if not city:
        return None
    city = to_ansi(city)
    details = to_ansi(expand(details))
    if details == city:
        details = ""
    if city[:1].islower():
        city = city[0].upper() + city[1:]
    return to_ansi(country), city, details, hint


class MajorCities:
    """Cities the time zone database is named after (Zurich, Manila, Riyadh ...), with positions,
    plus one-word city names the catalogue itself uses: the usual names of the places that some
    station descriptions only hint at ("Zurich-Kloten", "King Khaled International Airport")."""

    def __init__(self, zone_tab, countries):
        self.by_country = {}
        with open(zone_tab, encoding="utf-8") as f:
            for line in f:
                fields = line.rstrip("\n").split("\t")
                if line.startswith("#") or len(fields) < 3:
                    continue
                m = re.fullmatch(r"([+-]\d{2})(\d{2})(\d{2})?([+-]\d{3})(\d{2})(\d{2})?", fields[1])
                country = countries.from_code(fields[0])
                if not m or country is None:
                    continue
                lat = dms(m.group(1), m.group(2), m.group(3))
                lon = dms(m.group(4), m.group(5), m.group(6))
                name = fields[2].split("/")[-1].replace("_", " ")
                self.by_country.setdefault(country, {})[name] = (lat, lon)
        self.words = {}

    def learn(self, country, city):
        if re.fullmatch(r"[A-Za-z]{4,}", city):
            self.words.setdefault(country, set()).add(city)

    def improve(self, country, city, details, hint, position):
        if hint is None or country == "USA":
            return city, details
        full = details if hint == "site" else city
        big = self.by_country.get(country, {})
        # "Zurich-Kloten", "Bucuresti Otopeni": a known city and the airport's own name.
        for known in sorted(set(big) | self.words.get(country, set()), key=len, reverse=True):
            m = re.match(re.escape(known) + r"(-|\s)(.+)", full)
            # The rest must be a name, not an abbreviation ("Thule A. B." stays whole).
            if m and (m.group(1) == "-" or known in big) and re.search(r"[A-Za-z]{3}", m.group(2)):
                return known, details if hint == "site" else m.group(2)
        if hint == "site" and " " in city and AIRPORT_PATTERN.search(details):
            # "King Khaled International Airport": an airport named after a person serves the big
            # city next to it. One-word names ("Sharjah", "Larnaca") are towns of their own.
            near = [(distance_km(where, position), name) for name, where in big.items()
                    if not country.startswith(name)]
            near = [n for n in near if n[0] <= MAJOR_CITY_KM]
            if near:
                return min(near)[1], details
        return city, details


def dms(sign_degrees, minutes, seconds):
    value = abs(int(sign_degrees)) + int(minutes) / 60 + int(seconds or 0) / 3600
    return -value if sign_degrees.startswith("-") else value


def station_id(code):
    value = 0
    for ch in code:
        value = value * 36 + int(ch, 36)
    return ID_BASE + value


def number(value):
    text = "%.4f" % value
    return "0.0000" if float(text) == 0.0 else text  # the reader refuses a zero written as -0


def build(stations_path, places_path, iso_path, zone_tab):
    countries = Countries(iso_path)
    towns = Towns(places_path)
    major = MajorCities(zone_tab, countries)
    described_stations = []
    for key, section in read_sections(stations_path).items():
        code = key.upper()
        position = radians_pair(section.get("location"))
        if not re.fullmatch(r"[A-Z][A-Z0-9]{3}", code) or position is None:
            continue
        latitude, longitude = position
        if not (-90 <= latitude <= 90 and -180 <= longitude <= 180):
            continue
        described = describe(code, section.get("description", ""), position, countries, towns)
        if described is None:
            continue
        described_stations.append((code, position, described))
        major.learn(described[0], described[1])
    records = {}
    for code, (latitude, longitude), (country, city, details, hint) in described_stations:
        city, details = major.improve(country, city, details, hint, (latitude, longitude))
        records[code] = (station_id(code), code, country, city, details, number(latitude), number(longitude))
    for record in BUILT_IN:
        records[record[1]] = record
    lines = sorted(records.values(), key=lambda r: (r[2], r[3], r[4], r[1]))
    check(lines)
    return lines


def check(lines):
    ids = set()
    for record in lines:
        assert record[0] not in ids, record
        ids.add(record[0])
        for field in record[1:5]:
            assert ";" not in field and "\r" not in field and "\n" not in field, record
            field.encode("cp1252")
        assert record[3], record


def main():
    if len(sys.argv) not in (2, 6):
        sys.exit(__doc__)
    paths = sys.argv[2:] if len(sys.argv) == 6 else [STATIONS, PLACES, ISO_3166, ZONE_TAB]
    lines = build(*paths)
    text = "".join("%d;%s;%s;%s;%s;%s;%s\r\n" % record for record in lines)
    os.makedirs(os.path.dirname(os.path.abspath(sys.argv[1])), exist_ok=True)
    with open(sys.argv[1] + ".tmp", "wb") as f:
        f.write(text.encode("cp1252"))
    os.replace(sys.argv[1] + ".tmp", sys.argv[1])


if __name__ == "__main__":
    main()
