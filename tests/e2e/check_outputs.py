#!/usr/bin/python3
"""Reads the files that the end-to-end test e2e_written left, with openpyxl (a reader independent
of the project's engine): the merged workbook holds the new workbook's own sheet, then a1, a2 and
b1; the split of a twelve-sheet Book1.xlsx wrote 新Book1.1.xlsx ... 新Book1.12.xlsx, each with its
sheet first.
    check_outputs.py <outputs folder>
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from openpyxl_books import sheet_names  # noqa: E402 (tests/support, put on the path above)


def main():
    folder = sys.argv[1]
    failures = []

    def expect(name, wanted):
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            failures.append(f"{name}: missing")
            return
        got = sheet_names(path)
        if got != wanted:
            failures.append(f"{name}: sheets {got}, expected {wanted}")

    expect("新ExcelFile.xlsx", ["Sheet1", "a1", "a2", "b1"])
    for j in range(1, 13):
        expect(f"新Book1.{j}.xlsx", [f"s{j}", "Sheet1"])
    for failure in failures:
        print(failure)
    print(f"{13 - len(failures)} of 13 files read as expected")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
