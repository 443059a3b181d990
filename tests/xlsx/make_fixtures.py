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
  related.xlsx   (raw XML) a sheet with threaded comments (and their legacy comments and VML), a
                 persons part, a form control, sparklines, formulas using workbook names (one
                 through another) and the second of two external links; a second sheet the names
                 refer to, which holds a table filled by a query (query table, data connection).
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


MS_REL = "http://schemas.microsoft.com/office/2017/10/relationships"
TC_NS = "http://schemas.microsoft.com/office/spreadsheetml/2018/threadedcomments"
CT = "application/vnd.openxmlformats-officedocument.spreadsheetml."
THREAD1 = "{1D3A6F2E-0000-4000-8000-000000000001}"
THREAD2 = "{1D3A6F2E-0000-4000-8000-000000000002}"
PERSON1 = "{5E2B8C11-0000-4000-8000-0000000000A1}"
PERSON2 = "{5E2B8C11-0000-4000-8000-0000000000A2}"


def related(path):
    def over(part, ct):
        return f'<Override PartName="/{part}" ContentType="{ct}"/>'

    def link(book, sheet, cell, value):
        return (f'<externalLink xmlns="{NS}"><externalBook xmlns:r="{REL}" r:id="rId1"><sheetNames>'
                f'<sheetName val="{sheet}"/></sheetNames><sheetDataSet><sheetData sheetId="0"><row r="1">'
                f'<cell r="{cell}"><v>{value}</v></cell></row></sheetData></sheetDataSet></externalBook>'
                '</externalLink>')

    def link_rels(book):
        return (f'<Relationships xmlns="{PKG}"><Relationship Id="rId1" Type="{REL}/externalLinkPath" '
                f'Target="{book}" TargetMode="External"/></Relationships>')

    parts = {
        "[Content_Types].xml":
            '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
            '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
            '<Default Extension="xml" ContentType="application/xml"/>'
            '<Default Extension="vml" ContentType="application/vnd.openxmlformats-officedocument.vmlDrawing"/>'
            + over("xl/workbook.xml", CT + "sheet.main+xml")
            + over("xl/worksheets/sheet1.xml", CT + "worksheet+xml")
            + over("xl/worksheets/sheet2.xml", CT + "worksheet+xml")
            + over("xl/styles.xml", CT + "styles+xml")
            + over("xl/comments1.xml", CT + "comments+xml")
            + over("xl/threadedComments/threadedComment1.xml", "application/vnd.ms-excel.threadedcomments+xml")
            + over("xl/persons/person.xml", "application/vnd.ms-excel.person+xml")
            + over("xl/ctrlProps/ctrlProp1.xml", "application/vnd.ms-excel.controlproperties+xml")
            + over("xl/externalLinks/externalLink1.xml", CT + "externalLink+xml")
            + over("xl/externalLinks/externalLink2.xml", CT + "externalLink+xml")
            + over("xl/tables/table1.xml", CT + "table+xml") + over("xl/queryTables/queryTable1.xml", CT + "queryTable+xml")
            + over("xl/connections.xml", CT + "connections+xml") + '</Types>',
        "_rels/.rels":
            f'<Relationships xmlns="{PKG}"><Relationship Id="rId1" Type="{REL}/officeDocument" '
            'Target="xl/workbook.xml"/></Relationships>',
        "xl/_rels/workbook.xml.rels":
            f'<Relationships xmlns="{PKG}">'
            f'<Relationship Id="rId1" Type="{REL}/worksheet" Target="worksheets/sheet1.xml"/>'
            f'<Relationship Id="rId2" Type="{REL}/worksheet" Target="worksheets/sheet2.xml"/>'
            f'<Relationship Id="rId3" Type="{REL}/styles" Target="styles.xml"/>'
            f'<Relationship Id="rId4" Type="{MS_REL}/person" Target="persons/person.xml"/>'
            f'<Relationship Id="rId5" Type="{REL}/externalLink" Target="externalLinks/externalLink1.xml"/>'
            f'<Relationship Id="rId6" Type="{REL}/externalLink" Target="externalLinks/externalLink2.xml"/>'
            f'<Relationship Id="rId7" Type="{REL}/connections" Target="connections.xml"/>'
            '</Relationships>',
        "xl/workbook.xml":
            f'<workbook xmlns="{NS}" xmlns:r="{REL}"><bookViews><workbookView/></bookViews><sheets>'
            '<sheet name="Data" sheetId="1" r:id="rId1"/><sheet name="Params" sheetId="2" r:id="rId2"/></sheets>'
            '<externalReferences><externalReference r:id="rId5"/><externalReference r:id="rId6"/>'
            '</externalReferences><definedNames>'
            '<definedName name="Chain">Rate*2</definedName>'
            '<definedName name="Ext">[1]Prices!$A$1</definedName>'
            '<definedName name="Limit">100</definedName>'
            '<definedName name="Rate">0.1</definedName>'
            '<definedName name="Region">Params!$A$1:$A$3</definedName>'
            '<definedName name="Unused">42</definedName>'
            '</definedNames></workbook>',
        "xl/styles.xml":
            f'<styleSheet xmlns="{NS}"><fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts>'
            '<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill '
            'patternType="gray125"/></fill></fills><borders count="1"><border/></borders>'
            '<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>'
            '<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>'
            '<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>'
            '<dxfs count="1"><dxf><font><b/></font></dxf></dxfs></styleSheet>',
        "xl/worksheets/sheet1.xml":
            f'<worksheet xmlns="{NS}" xmlns:r="{REL}" '
            'xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" '
            'xmlns:x14="http://schemas.microsoft.com/office/spreadsheetml/2009/9/main" '
            'xmlns:xm="http://schemas.microsoft.com/office/excel/2006/main" mc:Ignorable="x14"><sheetData>'
            '<row r="1"><c r="A1"><v>1</v></c><c r="B1"><f>Chain*A1</f><v>0.2</v></c>'
            "<c r=\"C1\"><f>'[2]Other sheet'!B2</f><v>7</v></c></row>"
            '<row r="2"><c r="A2"><v>2</v></c><c r="B2"><f>SUM(Region)</f><v>6</v></c></row>'
            '<row r="3"><c r="A3"><v>3</v></c></row></sheetData>'
            '<conditionalFormatting sqref="A1:A3"><cfRule type="expression" dxfId="0" priority="1">'
            '<formula>A1&gt;Limit</formula></cfRule></conditionalFormatting>'
            '<legacyDrawing r:id="rId2"/>'
            '<mc:AlternateContent><mc:Choice Requires="x14"><controls><mc:AlternateContent>'
            '<mc:Choice Requires="x14"><control shapeId="1025" r:id="rId4" name="Check Box 1">'
            '<controlPr defaultSize="0" autoFill="0" autoLine="0" autoPict="0"><anchor moveWithCells="1">'
            '<from><xdr:col xmlns:xdr="http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing">4'
            '</xdr:col><xdr:colOff xmlns:xdr="http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing">'
            '0</xdr:colOff><xdr:row xmlns:xdr="http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing">'
            '1</xdr:row><xdr:rowOff xmlns:xdr="http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing">'
            '0</xdr:rowOff></from><to><xdr:col xmlns:xdr="http://schemas.openxmlformats.org/drawingml/2006/'
            'spreadsheetDrawing">6</xdr:col><xdr:colOff xmlns:xdr="http://schemas.openxmlformats.org/drawingml/'
            '2006/spreadsheetDrawing">0</xdr:colOff><xdr:row xmlns:xdr="http://schemas.openxmlformats.org/'
            'drawingml/2006/spreadsheetDrawing">2</xdr:row><xdr:rowOff xmlns:xdr="http://schemas.openxmlformats.'
            'org/drawingml/2006/spreadsheetDrawing">0</xdr:rowOff></to></anchor></controlPr></control>'
            '</mc:Choice></mc:AlternateContent></controls></mc:Choice></mc:AlternateContent>'
            '<extLst><ext uri="{05C60535-1F16-4fd2-B633-F4F36F0B64E0}" '
            'xmlns:x14="http://schemas.microsoft.com/office/spreadsheetml/2009/9/main"><x14:sparklineGroups '
            'xmlns:xm="http://schemas.microsoft.com/office/excel/2006/main"><x14:sparklineGroup '
            'displayEmptyCellsAs="gap"><x14:colorSeries rgb="FF376092"/><x14:sparklines><x14:sparkline>'
            '<xm:f>Data!A1:A3</xm:f><xm:sqref>D1</xm:sqref></x14:sparkline><x14:sparkline>'
            '<xm:f>Params!A1:A3</xm:f><xm:sqref>D2</xm:sqref></x14:sparkline></x14:sparklines>'
            '</x14:sparklineGroup></x14:sparklineGroups></ext></extLst></worksheet>',
        "xl/worksheets/_rels/sheet1.xml.rels":
            f'<Relationships xmlns="{PKG}">'
            f'<Relationship Id="rId1" Type="{REL}/comments" Target="../comments1.xml"/>'
            f'<Relationship Id="rId2" Type="{REL}/vmlDrawing" Target="../drawings/vmlDrawing1.vml"/>'
            f'<Relationship Id="rId3" Type="{MS_REL}/threadedComment" '
            'Target="../threadedComments/threadedComment1.xml"/>'
            f'<Relationship Id="rId4" Type="{REL}/ctrlProp" Target="../ctrlProps/ctrlProp1.xml"/>'
            '</Relationships>',
        "xl/worksheets/sheet2.xml":
            f'<worksheet xmlns="{NS}" xmlns:r="{REL}"><sheetData><row r="1"><c r="A1"><v>1</v></c>'
            '<c r="B1"><v>0.1</v></c><c r="D1" t="inlineStr"><is><t>Code</t></is></c></row>'
            '<row r="2"><c r="A2"><v>2</v></c><c r="D2"><v>7</v></c></row>'
            '<row r="3"><c r="A3"><v>3</v></c><c r="D3"><v>9</v></c></row>'
            '</sheetData><tableParts count="1"><tablePart r:id="rId1"/></tableParts></worksheet>',
        "xl/worksheets/_rels/sheet2.xml.rels":
            f'<Relationships xmlns="{PKG}"><Relationship Id="rId1" Type="{REL}/table" '
            'Target="../tables/table1.xml"/></Relationships>',
        "xl/tables/table1.xml":
            f'<table xmlns="{NS}" id="1" name="Codes" displayName="Codes" ref="D1:D3" tableType="queryTable" '
            'totalsRowShown="0"><autoFilter ref="D1:D3"/><tableColumns count="1"><tableColumn id="1" '
            'uniqueName="1" name="Code" queryTableFieldId="1"/></tableColumns><tableStyleInfo '
            'name="TableStyleMedium2" showRowStripes="1"/></table>',
        "xl/tables/_rels/table1.xml.rels":
            f'<Relationships xmlns="{PKG}"><Relationship Id="rId1" Type="{REL}/queryTable" '
            'Target="../queryTables/queryTable1.xml"/></Relationships>',
        "xl/queryTables/queryTable1.xml":
            f'<queryTable xmlns="{NS}" name="Codes query" connectionId="2" autoFormatId="16" '
            'applyNumberFormats="0" applyBorderFormats="0" applyFontFormats="0" applyPatternFormats="0" '
            'applyAlignmentFormats="0" applyWidthHeightFormats="0"><queryTableRefresh nextId="2">'
            '<queryTableFields count="1"><queryTableField id="1" name="Code" tableColumnId="1"/>'
            '</queryTableFields></queryTableRefresh></queryTable>',
        "xl/connections.xml":
            f'<connections xmlns="{NS}"><connection id="1" name="Unused query" type="1" refreshedVersion="6" '
            'saveData="1"><dbPr connection="DSN=Other;" command="SELECT 1"/></connection>'
            '<connection id="2" name="Codes" type="1" refreshedVersion="6" background="1" saveData="1">'
            '<dbPr connection="DSN=Sales;" command="SELECT code FROM codes"/></connection></connections>',
        "xl/comments1.xml":
            f'<comments xmlns="{NS}" xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" '
            'mc:Ignorable="xr" xmlns:xr="http://schemas.microsoft.com/office/spreadsheetml/2014/revision">'
            f'<authors><author>tc={THREAD1}</author></authors><commentList>'
            f'<comment ref="A1" authorId="0" shapeId="0" xr:uid="{THREAD1}"><text><t>[Threaded comment]\n\n'
            'Check this\nReply: Done</t></text></comment></commentList></comments>',
        "xl/threadedComments/threadedComment1.xml":
            f'<ThreadedComments xmlns="{TC_NS}" xmlns:x="{NS}">'
            f'<threadedComment ref="A1" dT="2024-01-05T09:00:00.00" personId="{PERSON1}" id="{THREAD1}">'
            '<text>Check this</text></threadedComment>'
            f'<threadedComment ref="A1" dT="2024-01-05T10:00:00.00" personId="{PERSON2}" id="{THREAD2}" '
            f'parentId="{THREAD1}"><text>Done</text></threadedComment></ThreadedComments>',
        "xl/persons/person.xml":
            f'<personList xmlns="{TC_NS}" xmlns:x="{NS}">'
            f'<person displayName="山田 花子" id="{PERSON1}" userId="hanako@example.com" providerId="None"/>'
            f'<person displayName="Taro" id="{PERSON2}" userId="taro@example.com" providerId="None"/></personList>',
        "xl/ctrlProps/ctrlProp1.xml":
            '<formControlPr xmlns="http://schemas.microsoft.com/office/spreadsheetml/2009/9/main" '
            'objectType="CheckBox" checked="Checked" lockText="1"/>',
        "xl/externalLinks/externalLink1.xml": link("prices.xlsx", "Prices", "A1", 5),
        "xl/externalLinks/_rels/externalLink1.xml.rels": link_rels("prices.xlsx"),
        "xl/externalLinks/externalLink2.xml": link("other.xlsx", "Other sheet", "B2", 7),
        "xl/externalLinks/_rels/externalLink2.xml.rels": link_rels("other.xlsx"),
        "xl/drawings/vmlDrawing1.vml":
            '<xml xmlns:v="urn:schemas-microsoft-com:vml" xmlns:o="urn:schemas-microsoft-com:office:office" '
            'xmlns:x="urn:schemas-microsoft-com:office:excel"><o:shapelayout v:ext="edit"><o:idmap v:ext="edit" '
            'data="1"/></o:shapelayout><v:shapetype id="_x0000_t202" coordsize="21600,21600" o:spt="202" '
            'path="m,l,21600r21600,l21600,xe"><v:stroke joinstyle="miter"/><v:path gradientshapeok="t" '
            'o:connecttype="rect"/></v:shapetype><v:shape id="_x0000_s1025" type="#_x0000_t202" '
            'style="position:absolute;margin-left:60pt;margin-top:1.5pt;width:96pt;height:55.5pt;z-index:1;'
            'visibility:hidden" fillcolor="#ffffe1" o:insetmode="auto"><v:textbox/><x:ClientData ObjectType="Note">'
            '<x:MoveWithCells/><x:SizeWithCells/><x:Anchor>1, 15, 0, 2, 3, 15, 4, 4</x:Anchor><x:AutoFill>False'
            '</x:AutoFill><x:Row>0</x:Row><x:Column>0</x:Column></x:ClientData></v:shape></xml>',
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
    related(os.path.join(out, "related.xlsx"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
