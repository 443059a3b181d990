#!/usr/bin/python3
"""Inputs for the scale cases of bench/program_bench.sh, made with the peer's own sheet filler.

  OUTDIR/d/small001..200.xlsx : 200 workbooks of 2 sheets x 20 rows (a merge of many small books)
  OUTDIR/e/many.xlsx          : one workbook of 300 sheets x 20 rows (a split into many files)

Usage: make_scale_inputs.py PEER_DIR OUTDIR [--resave]
With --resave every file is opened and saved again by LibreOffice in one run of soffice, so that
the files have shared strings and cached results as a spreadsheet program writes them.
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile


def main():
    args = [a for a in sys.argv[1:] if a != "--resave"]
    if len(args) != 2:
        sys.exit(__doc__)
    peer, out = args
    sys.path.insert(0, peer)
    from make_inputs import fill_sheet  # noqa: E402  (the peer's folder is only known here)
    from openpyxl import Workbook

    def make(path, nsheets, nrows, seed):
        rng = random.Random(seed)
        wb = Workbook(write_only=True)
        for s in range(nsheets):
            ws = wb.create_sheet(f"Sheet{s + 1}" if s % 2 else f"データ{s + 1}")
            fill_sheet(ws, nrows, rng, s)
        wb.save(path)

    made = []
    os.makedirs(os.path.join(out, "d"), exist_ok=True)
    os.makedirs(os.path.join(out, "e"), exist_ok=True)
    for i in range(1, 201):
        made.append(os.path.join(out, "d", f"small{i:03d}.xlsx"))
        make(made[-1], 2, 20, 1000 + i)
    made.append(os.path.join(out, "e", "many.xlsx"))
    make(made[-1], 300, 20, 5000)
    if "--resave" in sys.argv[1:]:
        soffice = shutil.which("soffice")
        if not soffice:
            sys.exit("--resave needs soffice (apt-get install libreoffice-calc-nogui)")
        with tempfile.TemporaryDirectory() as tmp:
            outdir = os.path.join(tmp, "out")
            subprocess.run([soffice, "-env:UserInstallation=file://" + os.path.join(tmp, "profile"), "--headless",
                            "--convert-to", "xlsx:Calc MS Excel 2007 XML", "--outdir", outdir] + made,
                           check=True, capture_output=True)
            for p in made:
                shutil.move(os.path.join(outdir, os.path.basename(p)), p)


if __name__ == "__main__":
    main()
