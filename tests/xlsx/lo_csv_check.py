#!/usr/bin/python3
"""Checks that a real spreadsheet program reads copied sheets as it reads their sources: headless
LibreOffice converts every workbook to CSV, one file per sheet, and the CSV of each copy must equal
the CSV of its source sheet.

Usage: lo_csv_check.py [--recalc] WORKDIR SRC SRC_SHEET OUT OUT_SHEET [SRC SRC_SHEET OUT OUT_SHEET ...]
With --recalc every workbook is recalculated on loading (the private profile's OOXMLRecalcMode is 0), so
formulas show what they compute rather than their cached results.
Exits 0 when all match, 1 on a difference, 77 when soffice is missing.
"""
import os
import shutil
import subprocess
import sys

# Text CSV filter: comma, double quote, UTF-8, from line 1, ..., cells as shown, every sheet (-1).
CSV_FILTER = "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false,-1"


RECALC_ALWAYS = """<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema"
 xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Calc/Formula/Load"><prop oor:name="OOXMLRecalcMode" oor:op="fuse">
<value>0</value></prop></item>
</oor:items>
"""


def main(argv):
    recalc = len(argv) > 1 and argv[1] == "--recalc"
    if recalc:
        argv = argv[:1] + argv[2:]
    if len(argv) < 6 or (len(argv) - 2) % 4:
        print(__doc__, file=sys.stderr)
        return 2
    soffice = shutil.which("soffice")
    if not soffice:
        return 77
    work = os.path.abspath(argv[1])
    inputs, csv_dir, profile = (os.path.join(work, d) for d in ("lo-in", "lo-csv", "lo-profile"))
    for d in (inputs, csv_dir):
        os.makedirs(d, exist_ok=True)
    if recalc:
        os.makedirs(os.path.join(profile, "user"), exist_ok=True)
        with open(os.path.join(profile, "user", "registrymodifications.xcu"), "w", encoding="utf-8") as f:
            f.write(RECALC_ALWAYS)
    names = {}
    quads = [argv[i:i + 4] for i in range(2, len(argv), 4)]
    for q in quads:
        for path in (q[0], q[2]):
            if path not in names:
                names[path] = f"book{len(names)}"
                shutil.copyfile(path, os.path.join(inputs, names[path] + ".xlsx"))
    files = [os.path.join(inputs, n + ".xlsx") for n in names.values()]
    proc = subprocess.run([soffice, f"-env:UserInstallation=file://{profile}", "--headless", "--norestore",
                           "--convert-to", CSV_FILTER, "--outdir", csv_dir] + files,
                          capture_output=True, timeout=240)
    if proc.returncode != 0:
        print(proc.stdout.decode(errors="replace"), proc.stderr.decode(errors="replace"))
        return 1

    def csv(path, sheet):
        name = os.path.join(csv_dir, f"{names[path]}-{sheet}.csv")
        if not os.path.exists(name):
            return None
        with open(name, encoding="utf-8", errors="replace") as f:
            return f.read()

    failures = 0
    for src, src_sheet, out, out_sheet in quads:
        a, b = csv(src, src_sheet), csv(out, out_sheet)
        if a is None or a != b:
            failures += 1
            print(f"{src}[{src_sheet}] -> {out}[{out_sheet}]: CSV differs"
                  f" ({'missing' if a is None or b is None else 'content'})")
            if a is not None and b is not None:
                for i, (x, y) in enumerate(zip(a.splitlines(), b.splitlines())):
                    if x != y:
                        print(f"  line {i + 1}: {x!r} != {y!r}")
                        break
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
