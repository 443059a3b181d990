#!/usr/bin/python3
"""The workbooks of the release test, written and read with openpyxl (not the project's engine).
    release_books.py make <folder>    writes 売上.xlsx (一月, 二月), 仕入.xlsx (表1) and
                                      分割元.xlsx (東, 西, 南), and notes their bytes
    release_books.py check <folder>   after merging 売上.xlsx and 仕入.xlsx and splitting
                                      分割元.xlsx: the outputs hold the right sheets, the sources
                                      are unchanged, and nothing else was left in the folder
"""
import hashlib
import json
import os
import sys

import openpyxl

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from openpyxl_books import sheet_names  # noqa: E402 (tests/support, put on the path above)

BOOKS = {"売上.xlsx": ["一月", "二月"], "仕入.xlsx": ["表1"], "分割元.xlsx": ["東", "西", "南"]}
NOTE = ".sources.json"


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def make(folder):
    os.makedirs(folder, exist_ok=True)
    for name, names in BOOKS.items():
        book = openpyxl.Workbook()
        book.active.title = names[0]
        for extra in names[1:]:
            book.create_sheet(extra)
        for i, sheet in enumerate(book.worksheets):
            sheet["A1"] = f"{name} の {sheet.title}"
            sheet["B2"] = i + 1
        book.save(os.path.join(folder, name))
    with open(os.path.join(folder, NOTE), "w", encoding="utf-8") as f:
        json.dump({name: digest(os.path.join(folder, name)) for name in BOOKS}, f)


def check(folder):
    faults = []
    with open(os.path.join(folder, NOTE), encoding="utf-8") as f:
        before = json.load(f)
    for name, value in before.items():
        if digest(os.path.join(folder, name)) != value:
            faults.append(f"{name} was changed")

    # The merged workbook: its own first sheet, then each chosen book's sheets in their order (the
    # books in the order of the listing, which the file system decides).
    merged_path = os.path.join(folder, "新ExcelFile.xlsx")
    a, b = BOOKS["売上.xlsx"], BOOKS["仕入.xlsx"]
    merged = sheet_names(merged_path) if os.path.exists(merged_path) else None
    if merged is None:
        faults.append("新ExcelFile.xlsx is missing")
    elif len(merged) != 1 + len(a) + len(b) or merged[1:] not in (a + b, b + a):
        faults.append(f"新ExcelFile.xlsx holds {merged}")

    split = BOOKS["分割元.xlsx"]
    for i, sheet in enumerate(split, start=1):
        name = f"新分割元.{i}.xlsx"
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            faults.append(f"{name} is missing")
            continue
        got = sheet_names(path)
        if not got or got[0] != sheet:
            faults.append(f"{name} holds {got}, not {sheet} first")

    expected = set(BOOKS) | {NOTE, "新ExcelFile.xlsx"} | {f"新分割元.{i}.xlsx" for i in range(1, len(split) + 1)}
    extra = sorted(set(os.listdir(folder)) - expected)
    if extra:
        faults.append(f"left in the folder: {extra}")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    if sys.argv[1] == "make":
        make(sys.argv[2])
    else:
        sys.exit(check(sys.argv[2]))
