#!/usr/bin/env python3
"""Builds the old-calendar table JDOLDCAL from the month-start list.

Each output line is "<day number>,<month>" ended by CR LF, where the day number
is the Julian day number of the month's first day and the month is 1..12, or
100 + n for the leap month that follows month n.

    make_oldcal.py [--check] [CSV [OUT]]

--check compares the result with OUT instead of writing it (exit 1 on a
difference), so a test can prove that the committed table is this tool's
output.
"""

import argparse
import csv
import datetime
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_CSV = os.path.join(ROOT, "tools", "oldcal", "month_starts_1989_2010.csv")
DEFAULT_OUT = os.path.join(ROOT, "resources", "calendar", "JDOLDCAL")
HEADER = ["gregorian_date", "julian_day_number", "old_month", "leap"]
# Julian day number of 0001-01-01 (proleptic Gregorian) minus its ordinal 1.
ORDINAL_TO_JDN = 1721425


class TableError(Exception):
    pass


def read_rows(path):
    with open(path, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f))
    if not rows or [c.strip() for c in rows[0]] != HEADER:
        raise TableError(f"{path}: the header must be {','.join(HEADER)}")
    result = []
    for number, row in enumerate(rows[1:], start=2):
        if not row:
            continue
        if len(row) != 4:
            raise TableError(f"{path}:{number}: expected 4 columns, found {len(row)}")
        try:
            date = datetime.date.fromisoformat(row[0].strip())
            jdn = int(row[1])
            month = int(row[2])
            leap = int(row[3])
        except ValueError as e:
            raise TableError(f"{path}:{number}: {e}") from None
        if date.toordinal() + ORDINAL_TO_JDN != jdn:
            raise TableError(f"{path}:{number}: day number {jdn} is not {date}")
        if not 1 <= month <= 12 or leap not in (0, 1):
            raise TableError(f"{path}:{number}: bad month {month} / leap {leap}")
        result.append((number, jdn, month, leap))
    return result


def check_sequence(path, rows):
    for (_, jdn0, m0, leap0), (number, jdn1, m1, leap1) in zip(rows, rows[1:]):
        if jdn1 - jdn0 not in (29, 30):
            raise TableError(f"{path}:{number}: a month of {jdn1 - jdn0} days ends here")
        following = m0 % 12 + 1
        allowed = {(following, 0)} if leap0 else {(following, 0), (m0, 1)}
        if (m1, leap1) not in allowed:
            raise TableError(f"{path}:{number}: month {m1} (leap {leap1}) cannot follow "
                             f"month {m0} (leap {leap0})")


def build(path):
    rows = read_rows(path)
    if len(rows) < 2:
        raise TableError(f"{path}: fewer than two month starts")
    check_sequence(path, rows)
    lines = [f"{jdn},{100 + month if leap else month}\r\n" for _, jdn, month, leap in rows]
    return "".join(lines).encode("ascii")


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="compare with OUT instead of writing it")
    parser.add_argument("csv", nargs="?", default=DEFAULT_CSV)
    parser.add_argument("out", nargs="?", default=DEFAULT_OUT)
    args = parser.parse_args(argv)
    try:
        data = build(args.csv)
    except (OSError, TableError) as e:
        print(f"make_oldcal: {e}", file=sys.stderr)
        return 1
    if args.check:
        try:
            with open(args.out, "rb") as f:
                current = f.read()
        except OSError as e:
            print(f"make_oldcal: {e}", file=sys.stderr)
            return 1
        if current != data:
            print(f"make_oldcal: {args.out} differs from the table built from {args.csv}",
                  file=sys.stderr)
            return 1
        return 0
    with open(args.out, "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
