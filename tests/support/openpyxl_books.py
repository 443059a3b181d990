"""Reading workbooks with openpyxl, a reader independent of the project's engine, for the Python
checks of what the program wrote (tests/e2e/check_outputs.py, tests/package/release_books.py)."""
import openpyxl


def sheet_names(path):
    """The names of the workbook's sheets, in order."""
    book = openpyxl.load_workbook(path, read_only=True)
    try:
        return book.sheetnames
    finally:
        book.close()
