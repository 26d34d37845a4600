#!/usr/bin/env python3
"""Turns the public reference data into the seed CSV files of the shipped database.

    tools/make-seed.py SOURCE_FOLDER [SEED_FOLDER]

SOURCE_FOLDER holds anpr/comuni.csv, anpr/stati-esteri.csv, anpr/stati-esteri-cessati.csv and
comuni-cap/comuni.json; SEED_FOLDER (default storage/seed) receives COMUNI.csv, StoriaComuni.csv and
CittaItaliane.csv, UTF-8, fields separated by ';', quoted only where needed.

COMUNI lists the current municipalities first, then the ceased ones, then the foreign states (those
that exist and those that ceased), each group in name order, one row per distinct (name, code):
a whole-name search then finds the current municipality before an older one of the same name.

StoriaComuni holds the history of every cadastral code: one row per period of validity of a
municipality (from, to, both included, as yyyy-mm-dd), with the name, the alternative (bilingual)
name and the province of that period. A foreign state is always valid up to the end of the year in
which it ceased (to 9999-12-31 while it exists); its province is EE.
"""

import csv
import json
import re
import sys
import unicodedata
from pathlib import Path

# Long official region names and the short forms the region picker returns.
REGION_SHORT_NAMES = {
    "Trentino-Alto Adige/Südtirol": "Trentino",
    "Friuli-Venezia Giulia": "Friuli",
    "Emilia-Romagna": "Emilia Romagna",
    "Valle d'Aosta/Vallée d'Aoste": "Valle d'Aosta",
}

PICKER_REGIONS = {
    "Liguria", "Piemonte", "Valle d'Aosta", "Lombardia", "Trentino", "Friuli", "Veneto",
    "Emilia Romagna", "Marche", "Abruzzo", "Molise", "Puglia", "Calabria", "Sicilia",
    "Basilicata", "Campania", "Lazio", "Umbria", "Toscana", "Sardegna",
}


def sort_key(name):
    """Name order as the program shows it: case and accents ignored, ties broken by the text."""
    base = "".join(c for c in unicodedata.normalize("NFD", name) if not unicodedata.combining(c))
    return (base.upper(), name)


def by_name_then_code(pair):
    """Same-name rows keep one fixed order, so the seed comes out the same at every run."""
    return sort_key(pair[0]) + (pair[1],)


def read_csv(path):
    with open(path, newline="", encoding="utf-8") as f:
        return list(csv.DictReader(f))


CADASTRAL_CODE = re.compile(r"[A-Z][0-9]{3}")


def has_code(code):
    """Placeholders such as "n.d." or "ND" stand for a missing code and are left out."""
    return CADASTRAL_CODE.fullmatch(code) is not None


def municipalities(source):
    rows = read_csv(source / "anpr" / "comuni.csv")
    pairs = [(r["name_it"], r["registry_code"], r["status"]) for r in rows if has_code(r["registry_code"])]
    current = {(name, code) for name, code, status in pairs if status == "active"}
    ceased = {(name, code) for name, code, status in pairs if status != "active"}
    ceased -= current
    return sorted(current, key=by_name_then_code), sorted(ceased, key=by_name_then_code)


def foreign_states(source):
    states = set()
    for r in read_csv(source / "anpr" / "stati-esteri.csv"):
        if has_code(r["registry_code"]):
            states.add((r["name_it"].upper(), r["registry_code"]))
    for r in read_csv(source / "anpr" / "stati-esteri-cessati.csv"):
        if has_code(r["registry_code"]):
            states.add((r["name_old"].upper(), r["registry_code"]))
    return sorted(states, key=by_name_then_code)


ALWAYS = "0001-01-01"
FOREVER = "9999-12-31"
FOREIGN_PROVINCE = "EE"


def municipality_history(source):
    rows = read_csv(source / "anpr" / "comuni.csv")
    periods = {(r["registry_code"], r["name_it"], r["alternative_name"], r["provincial_code"],
                r["institution_date"], r["end_date"])
               for r in rows if has_code(r["registry_code"])}
    return sorted(periods, key=lambda p: (p[0], p[4], p[5], p[1]))


def state_history(source):
    periods = set()
    for r in read_csv(source / "anpr" / "stati-esteri.csv"):
        if has_code(r["registry_code"]):
            periods.add((r["registry_code"], r["name_it"].upper(), "", FOREIGN_PROVINCE, ALWAYS, FOREVER))
    for r in read_csv(source / "anpr" / "stati-esteri-cessati.csv"):
        if has_code(r["registry_code"]):
            end = f"{int(r['end_date']):04d}-12-31"
            periods.add((r["registry_code"], r["name_old"].upper(), "", FOREIGN_PROVINCE, ALWAYS, end))
    return sorted(periods)


def localities(source):
    with open(source / "comuni-cap" / "comuni.json", encoding="utf-8") as f:
        towns = json.load(f)
    rows = []
    for town in sorted(towns, key=lambda t: sort_key(t["nome"])):
        long_name = town["regione"]["nome"]
        region = REGION_SHORT_NAMES.get(long_name, long_name)
        if region not in PICKER_REGIONS:
            sys.exit(f"regione sconosciuta: {long_name}")
        for cap in sorted(town["cap"]):
            rows.append((cap, town["sigla"], town["nome"], region))
    return rows


def write_seed(path, header, rows):
    with open(path, "w", newline="", encoding="utf-8") as f:
        writer = csv.writer(f, delimiter=";", lineterminator="\n")
        writer.writerow(header)
        writer.writerows(rows)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    source = Path(sys.argv[1])
    seed = Path(sys.argv[2]) if len(sys.argv) == 3 else Path(__file__).parent.parent / "storage" / "seed"
    current, ceased = municipalities(source)
    states = foreign_states(source)
    write_seed(seed / "COMUNI.csv", ("comune", "codice"), current + ceased + states)
    history = municipality_history(source) + state_history(source)
    write_seed(seed / "StoriaComuni.csv", ("codice", "comune", "altro_nome", "provincia", "dal", "al"),
               history)
    places = localities(source)
    write_seed(seed / "CittaItaliane.csv", ("cap", "provincia", "localita", "regione"), places)
    print(f"COMUNI: {len(current)} attuali, {len(ceased)} cessati, {len(states)} stati esteri")
    print(f"StoriaComuni: {len(history)} periodi")
    print(f"CittaItaliane: {len(places)} coppie località/CAP")


if __name__ == "__main__":
    main()
