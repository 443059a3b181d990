#!/usr/bin/python3
"""Writes the generated workbooks of the engine tests into OUTDIR.

  rich.xlsx      (openpyxl) styles of every kind, a named style, a custom indexed palette,
                 conditional formats, validations, hyperlinks, merges, widths, heights, hidden and
                 outlined rows/columns, panes, print settings, header/footer, protection, tab colour,
                 a hidden sheet, print areas and titles on two sheets, a workbook-scoped name.
  mac1904.xlsx   (openpyxl) the 1904 date system: dates, a date-time, a time of day, a duration, a
                 plain number.
  strings.xlsx   (raw XML) shared strings with rich and phonetic runs, an inline string, shared and
                 array formulas with cached results, booleans and errors, elements in an "x:" prefix.
Usage: make_fixtures.py OUTDIR
"""
import datetime as dt
import os
import sys
import zipfile

from openpyxl import Workbook
from openpyxl.formatting.rule import CellIsRule, FormulaRule
from openpyxl.styles import Alignment, Border, Font, NamedStyle, PatternFill, Protection, Side
from openpyxl.styles.colors import COLOR_INDEX, Color
from openpyxl.utils.datetime import CALENDAR_MAC_1904
from openpyxl.workbook.defined_name import DefinedName
from openpyxl.worksheet.datavalidation import DataValidation


def rich(path):
    wb = Workbook()
    ws = wb.active
    ws.title = "明細 一覧"
    # A palette whose entry 10 differs from the default one: indexed colours must keep their look.
    palette = list(COLOR_INDEX[:64])
    palette[10] = "00123456"
    wb._colors = palette
    note = NamedStyle(name="メモ", font=Font(name="Meiryo", sz=9, i=True, color="FF0000FF"))
    wb.add_named_style(note)
    thin = Side(style="thin", color="FF999999")
    for r in range(1, 41):
        for c in range(1, 9):
            cell = ws.cell(row=r, column=c, value=(r * c if c % 3 else f"文字{r}-{c}"))
            if r == 1:
                cell.font = Font(b=True, sz=12, color="FFFFFFFF")
                cell.fill = PatternFill("solid", fgColor="FF305496")
                cell.alignment = Alignment(horizontal="center", vertical="top", wrap_text=True)
            elif r % 5 == 0:
                cell.border = Border(left=thin, right=thin, top=thin, bottom=Side(style="double"))
                cell.number_format = '#,##0.000;[Red]\\(#,##0.000\\)'
            elif r % 7 == 0:
                cell.fill = PatternFill("darkGrid", fgColor="FFFFC000", bgColor="FF00B050")
                cell.protection = Protection(locked=False, hidden=True)
    ws["J2"] = "named"
    ws["J2"].style = "メモ"
    ws["J3"] = 0.25
    ws["J3"].number_format = "0.0%"
    ws["J4"] = "=SUM(A2:A40)"
    ws["K1"] = "palette"
    ws["K1"].font = Font(color=Color(indexed=10))
    ws["K2"].fill = PatternFill("solid", fgColor=Color(indexed=10))
    ws["K2"] = "fill"
    ws.merge_cells("A42:D43")
    ws["A42"] = "結合"
    ws.column_dimensions["A"].width = 18.5
    ws.column_dimensions["C"].hidden = True
    ws.column_dimensions.group("E", "F", outline_level=1)
    ws.row_dimensions[3].height = 30
    ws.row_dimensions[4].hidden = True
    ws.row_dimensions.group(10, 12, outline_level=2)
    ws.freeze_panes = "B2"
    ws.conditional_formatting.add("B2:B40", CellIsRule(operator="greaterThan", formula=["50"],
                                                       font=Font(color="FF9C0006"),
                                                       fill=PatternFill("solid", bgColor="FFFFC7CE")))
    ws.conditional_formatting.add("D2:D40", FormulaRule(formula=["MOD(D2,2)=0"], font=Font(b=True)))
    dv = DataValidation(type="list", formula1='"はい,いいえ"', allow_blank=True)
    ws.add_data_validation(dv)
    dv.add("H2:H40")
    ws["L1"] = "外部リンク"
    ws["L1"].hyperlink = "https://example.com/a?b=c&d=e"
    ws["L2"] = "内部リンク"
    ws["L2"].hyperlink = "#'別シート'!A1"
    ws.sheet_properties.tabColor = "FF00B050"
    ws.page_setup.orientation = "landscape"
    ws.page_setup.paperSize = ws.PAPERSIZE_A4
    ws.page_setup.fitToWidth = 1
    ws.page_setup.fitToHeight = 0
    ws.sheet_properties.pageSetUpPr.fitToPage = True
    ws.page_margins.left = 0.4
    ws.oddHeader.center.text = "&[Page] / &N ページ"
    ws.oddFooter.right.text = "社外秘"
    ws.print_area = "A1:H40"
    ws.print_title_rows = "1:1"
    ws.protection.sheet = True
    ws.protection.password = "abc"
    ws.auto_filter.ref = "A1:H40"

    other = wb.create_sheet("別シート")
    other["A1"] = "隠し列あり"
    other["B2"] = "='明細 一覧'!A2*2"
    other.print_title_cols = "A:B"
    other.sheet_properties.tabColor = "FFFF0000"
    hidden = wb.create_sheet("Hidden")
    hidden.sheet_state = "hidden"
    hidden["A1"] = "secret"
    wb.defined_names.append(DefinedName("合計範囲", attr_text="'明細 一覧'!$A$2:$A$40"))
    wb.defined_names.append(DefinedName("Other", attr_text="'別シート'!$A$1"))
    wb.save(path)


def mac1904(path):
    wb = Workbook()
    wb.epoch = CALENDAR_MAC_1904
    ws = wb.active
    ws.title = "Mac日付"
    values = [(dt.date(2024, 2, 29), "yyyy/mm/dd"), (dt.datetime(2001, 1, 1, 12, 30), "yyyy-mm-dd hh:mm"),
              (dt.date(1999, 12, 31), '[$-411]ggge"年"m"月"d"日"'), (dt.date(2020, 5, 5), 14),
              (dt.time(6, 15), "hh:mm"), (1.25, "[h]:mm"), (12345, "General"), (0.5, "0.0E+00")]
    for r, (v, fmt) in enumerate(values, start=1):
        cell = ws.cell(row=r, column=1, value=v)
        if isinstance(fmt, int):
            from openpyxl.styles.numbers import BUILTIN_FORMATS
            fmt = BUILTIN_FORMATS[fmt]
        cell.number_format = fmt
    wb.save(path)


NS = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG = "http://schemas.openxmlformats.org/package/2006/relationships"


def strings(path):
    parts = {
        "[Content_Types].xml":
            '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
            '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
            '<Default Extension="xml" ContentType="application/xml"/>'
            '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.'
            'spreadsheetml.sheet.main+xml"/>'
            '<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-'
            'officedocument.spreadsheetml.worksheet+xml"/>'
            '<Override PartName="/xl/worksheets/sheet2.xml" ContentType="application/vnd.openxmlformats-'
            'officedocument.spreadsheetml.worksheet+xml"/>'
            '<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.'
            'spreadsheetml.styles+xml"/>'
            '<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-'
            'officedocument.spreadsheetml.sharedStrings+xml"/></Types>',
        "_rels/.rels":
            f'<Relationships xmlns="{PKG}"><Relationship Id="rId1" Type="{REL}/officeDocument" '
            'Target="xl/workbook.xml"/></Relationships>',
        "xl/_rels/workbook.xml.rels":
            f'<Relationships xmlns="{PKG}">'
            f'<Relationship Id="rId1" Type="{REL}/worksheet" Target="worksheets/sheet1.xml"/>'
            f'<Relationship Id="rId2" Type="{REL}/worksheet" Target="/xl/worksheets/sheet2.xml"/>'
            f'<Relationship Id="rId3" Type="{REL}/styles" Target="styles.xml"/>'
            f'<Relationship Id="rId4" Type="{REL}/sharedStrings" Target="sharedStrings.xml"/>'
            '</Relationships>',
        "xl/workbook.xml":
            f'<x:workbook xmlns:x="{NS}" xmlns:r="{REL}"><x:bookViews><x:workbookView activeTab="1"/>'
            '</x:bookViews><x:sheets><x:sheet name="文字列" sheetId="5" r:id="rId1"/>'
            '<x:sheet name="Formulas" sheetId="9" r:id="rId2"/></x:sheets>'
            '<x:definedNames><x:definedName name="_xlnm.Print_Area" localSheetId="1">Formulas!$A$1:$C$9'
            '</x:definedName><x:definedName name="_xlnm.Print_Titles" localSheetId="0">\'文字列\'!$1:$1'
            '</x:definedName></x:definedNames></x:workbook>',
        "xl/styles.xml":
            f'<x:styleSheet xmlns:x="{NS}"><x:numFmts count="1"><x:numFmt numFmtId="170" '
            'formatCode="[$-411]ggge&quot;年&quot;m&quot;月&quot;d&quot;日&quot;"/></x:numFmts>'
            '<x:fonts count="2"><x:font><x:sz val="10"/><x:name val="MS PGothic"/></x:font>'
            '<x:font><x:b/><x:sz val="14"/><x:color indexed="12"/><x:name val="MS PGothic"/></x:font>'
            '</x:fonts><x:fills count="2"><x:fill><x:patternFill patternType="none"/></x:fill>'
            '<x:fill><x:patternFill patternType="gray125"/></x:fill></x:fills>'
            '<x:borders count="1"><x:border/></x:borders>'
            '<x:cellStyleXfs count="1"><x:xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></x:cellStyleXfs>'
            '<x:cellXfs count="3"><x:xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>'
            '<x:xf numFmtId="170" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>'
            '<x:xf numFmtId="0" fontId="1" fillId="0" borderId="0" xfId="0" applyFont="1"/></x:cellXfs>'
            '<x:cellStyles count="1"><x:cellStyle name="Normal" xfId="0" builtinId="0"/></x:cellStyles>'
            '<x:colors><x:indexedColors>' + "".join(
                f'<x:rgbColor rgb="FF{"ABCDEF" if i == 12 else COLOR_INDEX[i][2:]}"/>' for i in range(64)) +
            '</x:indexedColors></x:colors></x:styleSheet>',
        "xl/sharedStrings.xml":
            f'<x:sst xmlns:x="{NS}" count="5" uniqueCount="4">'
            '<x:si><x:t>plain</x:t></x:si>'
            '<x:si><x:r><x:rPr><x:b/><x:sz val="11"/><x:color rgb="FFFF0000"/><x:rFont val="Arial"/></x:rPr>'
            '<x:t>bold </x:t></x:r><x:r><x:t xml:space="preserve"> and plain</x:t></x:r></x:si>'
            '<x:si><x:t>東京都</x:t><x:rPh sb="0" eb="2"><x:t>トウキョウ</x:t></x:rPh>'
            '<x:rPh sb="2" eb="3"><x:t>ト</x:t></x:rPh><x:phoneticPr fontId="0" type="Hiragana"/></x:si>'
            '<x:si><x:t xml:space="preserve">  spaced  </x:t></x:si></x:sst>',
        "xl/worksheets/sheet1.xml":
            f'<x:worksheet xmlns:x="{NS}" xmlns:r="{REL}"><x:sheetViews><x:sheetView tabSelected="1" '
            'workbookViewId="0"/></x:sheetViews><x:sheetData>'
            '<x:row r="1"><x:c r="A1" t="s"><x:v>0</x:v></x:c><x:c r="B1" t="s" s="2"><x:v>1</x:v></x:c>'
            '<x:c r="C1" t="s"><x:v>2</x:v></x:c><x:c r="D1" t="s"><x:v>3</x:v></x:c></x:row>'
            '<x:row r="2"><x:c r="A2" t="inlineStr"><x:is><x:t>インライン &amp; &lt;text&gt;</x:t></x:is></x:c>'
            '<x:c r="B2" s="1"><x:v>43831</x:v></x:c><x:c r="C2" t="s"><x:v>0</x:v></x:c></x:row>'
            '<x:row r="3"/>'
            '</x:sheetData></x:worksheet>',
        "xl/worksheets/sheet2.xml":
            f'<worksheet xmlns="{NS}" xmlns:r="{REL}"><sheetData>'
            '<row r="1"><c r="A1"><v>1</v></c><c r="B1"><f t="shared" ref="B1:B3" si="0">A1*2</f><v>2</v></c>'
            '<c r="C1" t="b"><v>1</v></c></row>'
            '<row r="2"><c r="A2"><v>2</v></c><c r="B2"><f t="shared" si="0"/><v>4</v></c>'
            '<c r="C2" t="e"><v>#DIV/0!</v></c></row>'
            '<row r="3"><c r="A3"><v>3</v></c><c r="B3"><f t="shared" si="0"/><v>6</v></c>'
            '<c r="C3" t="str"><f>"a"&amp;"b"</f><v>ab</v></c></row>'
            '<row r="4"><c r="A4"><f t="array" ref="A4:A5">A1:A2*10</f><v>10</v></c></row>'
            '<row r="5"><c r="A5"><v>20</v></c></row>'
            '</sheetData></worksheet>',
    }
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, xml in parts.items():
            z.writestr(name, '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n' + xml)


def main(argv):
    out = argv[1] if len(argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    rich(os.path.join(out, "rich.xlsx"))
    strings(os.path.join(out, "strings.xlsx"))
    mac1904(os.path.join(out, "mac1904.xlsx"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
