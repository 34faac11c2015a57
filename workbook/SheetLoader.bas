Attribute VB_Name = "SheetLoader"
' tq7_sheet.xls: shows tq7_sheet.csv, which the tq7_sheet plug-in writes into
' the same folder just before it opens this workbook.
'
' Auto_Open runs when the workbook is opened (once macros are enabled). It
' presents the CSV in a new workbook and then closes this one without saving,
' so the next output opens it anew and shows the new set, and tq7_sheet.xls
' stays as shipped (its sheet holds only the notice shown when macros are
' off). The CSV is read whole, once, in the system's ANSI code page and
' split the way CSV is split:
'   - fields are separated by commas; a field in double quotes may contain
'     commas, line breaks (kept as LF, like Excel's in-cell breaks) and
'     doubled quotes ("") standing for one quote;
'   - CR LF, LF and lone CR all end a row; the last row may lack a line end;
'   - a field that is a plain decimal number (digits with an optional leading
'     minus and an optional "." fraction, no leading zeros, at most 15
'     digits) becomes a number; every other field is written as text, so
'     "007", "1-2", "3/4", "1e5", "=A1" or "'x" stay exactly as in the file;
'   - rows and columns beyond the grid are left out and a note at the end
'     says how many.
' The sheet is made to be read and printed: bold first row, thin borders,
' wrapped line breaks, fitted columns, one page wide, file, date and page
' numbers in the header and footer.
Option Explicit

Private Const CSV_NAME As String = "tq7_sheet.csv"
Private Const SHEET_NAME As String = "tq7_sheet"
Private Const MAX_DIGITS As Long = 15
' The grid of an Excel 97-2003 sheet. Newer sheets are larger; keeping to
' this one presents the same in every version and lets the sheet be saved
' in the format this workbook itself has.
Private Const XLS_ROWS As Long = 65536
Private Const XLS_COLUMNS As Long = 256
' Shipped with every Windows, English and Japanese alike; kana and kanji
' fall back to the system's Japanese font through font linking.
Private Const SHEET_FONT As String = "Arial"
' Excel constants, spelled out so the module needs no type library.
Private Const XL_WBAT_WORKSHEET As Long = -4167
Private Const XL_CONTINUOUS As Long = 1
Private Const XL_THIN As Long = 2
Private Const XL_PORTRAIT As Long = 1

' Where the rows go and how far the grid lets them.
Private Type Target
    ws As Object
    maxRows As Long
    maxCols As Long
    lastRow As Long        ' last row written
    widestRow As Long      ' most fields in any row of the CSV
    rowsLeftOut As Long
    heldRow As Variant     ' the grid's last row, written only if no row follows
    holding As Boolean
End Type

Public Sub Auto_Open()
    PresentInWorkbook Workbooks.Add(XL_WBAT_WORKSHEET)
End Sub

' Presents the CSV in the open workbook of that name, then closes this one.
' Auto_Open passes a new workbook; the tests pass one of their own.
Public Sub PresentInBook(ByVal bookName As String)
    PresentInWorkbook Workbooks(bookName)
End Sub

Private Sub PresentInWorkbook(ByVal wb As Object)
    PresentCsv wb
    MarkSaved wb
    ' Last: in Excel nothing of this module runs after its workbook closed.
    ThisWorkbook.Close False
End Sub

' Fills the first worksheet of wb from tq7_sheet.csv beside this workbook.
Private Sub PresentCsv(ByVal wb As Object)
    Dim t As Target
    Dim csvPath As String
    Dim csvText As String
    Dim problem As String

    ' Set the handler only once: LibreOffice keeps "On Error Resume Next"
    ' for called procedures even after a later "On Error GoTo".
    On Error GoTo Failed
    Set t.ws = wb.Worksheets(1)
    SetScreenUpdating False
    NameSheet t.ws
    t.maxRows = XLS_ROWS
    If t.ws.Rows.Count < t.maxRows Then t.maxRows = t.ws.Rows.Count
    t.maxCols = XLS_COLUMNS
    If t.ws.Columns.Count < t.maxCols Then t.maxCols = t.ws.Columns.Count
    t.ws.Cells.Font.Name = SHEET_FONT

    csvPath = CsvFilePath()
    If Not FileExists(csvPath) Then
        ShowMessage t, CSV_NAME & " was not found beside this workbook.", csvPath
    Else
        csvText = ReadWholeFile(csvPath)
        FillSheet t, csvText
        FinishRows t
        FormatTable t
        SetUpPage t.ws, FileDate(csvPath)
    End If

Finish:
    SetScreenUpdating True
    Exit Sub

Failed:
    problem = Err.Description
    If Len(problem) = 0 Then problem = "error " & Err.Number
    Resume ShowProblem
ShowProblem:
    On Error Resume Next
    Close
    ' What was written stays; the reason follows it.
    ShowMessage t, CSV_NAME & " could not be shown completely: " & problem, csvPath
    GoTo Finish
End Sub

Private Sub SetScreenUpdating(ByVal onOff As Boolean)
    On Error Resume Next
    Application.ScreenUpdating = onOff
End Sub

Private Sub NameSheet(ByVal ws As Object)
    On Error Resume Next
    ws.Name = SHEET_NAME
End Sub

' Nothing the user needs to save: closing the presented workbook asks
' nothing, while saving it still asks for a name and a place.
Private Sub MarkSaved(ByVal wb As Object)
    On Error Resume Next
    wb.Saved = True
End Sub

' A bold message below whatever was written, with a detail line under it.
Private Sub ShowMessage(ByRef t As Target, ByVal message As String, _
                        ByVal detail As String)
    Dim r As Long
    r = t.lastRow + 1
    If t.lastRow > 0 Then r = r + 1
    If t.maxRows > 1 And r > t.maxRows - 1 Then r = t.maxRows - 1
    t.ws.Cells(r, 1).Value = "'" & message
    t.ws.Cells(r, 1).Font.Bold = True
    t.ws.Cells(r + 1, 1).Value = "'" & detail
End Sub

Private Function CsvFilePath() As String
    Dim folder As String
    Dim sep As String
    folder = ThisWorkbook.Path
    ' "\" in Excel on Windows; "/" where the host system uses it.
    If InStr(folder, "\") = 0 And InStr(folder, "/") > 0 Then
        sep = "/"
    Else
        sep = "\"
    End If
    If Len(folder) > 0 Then
        If Right$(folder, 1) <> sep Then folder = folder & sep
    End If
    CsvFilePath = folder & CSV_NAME
End Function

Private Function FileExists(ByVal filePath As String) As Boolean
    Dim found As String
    On Error GoTo NotThere
    found = Dir(filePath)
    If Len(found) > 0 Then
        FileExists = ((GetAttr(filePath) And vbDirectory) = 0)
    End If
    Exit Function
NotThere:
    FileExists = False
End Function

' When the host wrote the CSV, i.e. when the set was output.
Private Function FileDate(ByVal filePath As String) As String
    On Error Resume Next
    FileDate = Format$(FileDateTime(filePath), "yyyy-mm-dd hh:mm")
End Function

' Whole file as a String, bytes converted from the system's ANSI code page
' (e.g. 1252, or 932 on Japanese systems). Reading bytes and converting them
' with StrConv behaves alike in Excel and LibreOffice; Get into a String
' does not (LibreOffice expects a length prefix). The file is closed before
' anything is written, so the next output can replace it.
Private Function ReadWholeFile(ByVal filePath As String) As String
    Dim f As Integer
    Dim size As Long
    Dim bytes() As Byte
    f = FreeFile
    Open filePath For Binary Access Read Shared As #f
    size = LOF(f)
    If size > 0 Then
        ReDim bytes(0 To size - 1)
        Get #f, 1, bytes
    End If
    Close #f
    If size > 0 Then
        ReadWholeFile = StrConv(bytes, vbUnicode)
    Else
        ReadWholeFile = ""
    End If
End Function

' Splits text as CSV and hands each row to EndRow.
Private Sub FillSheet(ByRef t As Target, ByVal csvText As String)
    Dim n As Long, i As Long
    Dim ch As String
    Dim field As String
    Dim inQuotes As Boolean
    Dim fields() As String
    Dim count As Long
    Dim pending As Boolean   ' a row has been started and not yet ended

    n = Len(csvText)
    ReDim fields(1 To 16)
    i = 1
    ' A byte order mark is not part of the first field.
    If n > 0 Then
        If AscW(Left$(csvText, 1)) = &HFEFF Then i = 2
    End If

    Do While i <= n
        ch = Mid$(csvText, i, 1)
        If inQuotes Then
            If ch = """" Then
                If i < n And Mid$(csvText, i + 1, 1) = """" Then
                    field = field & """"
                    i = i + 1
                Else
                    inQuotes = False
                End If
            ElseIf ch = vbCr Then
                ' A line break inside a cell is a single LF, as in Excel.
                field = field & vbLf
                If i < n Then
                    If Mid$(csvText, i + 1, 1) = vbLf Then i = i + 1
                End If
            Else
                field = field & ch
            End If
        ElseIf ch = """" Then
            inQuotes = True
            pending = True
        ElseIf ch = "," Or ch = vbCr Or ch = vbLf Then
            count = count + 1
            ' A block If: after a one-line "If ... Then ReDim Preserve",
            ' LibreOffice stores nothing more into the array.
            If count > UBound(fields) Then
                ReDim Preserve fields(1 To 2 * count)
            End If
            fields(count) = field
            field = ""
            pending = (ch = ",")
            If Not pending Then
                EndRow t, fields, count
                count = 0
            End If
            If ch = vbCr And i < n Then
                If Mid$(csvText, i + 1, 1) = vbLf Then i = i + 1
            End If
        Else
            field = field & ch
            pending = True
        End If
        i = i + 1
    Loop

    ' Last row without a line end.
    If pending Or Len(field) > 0 Then
        count = count + 1
        If count > UBound(fields) Then
            ReDim Preserve fields(1 To count)
        End If
        fields(count) = field
        EndRow t, fields, count
    End If
End Sub

' Writes one row as cell values in one go. The grid's last row is held
' back until it is clear that no row follows: if one does, that row holds
' the note instead.
Private Sub EndRow(ByRef t As Target, ByVal fields As Variant, _
                   ByVal count As Long)
    If count > t.widestRow Then t.widestRow = count
    If t.holding Then
        t.holding = False
        t.rowsLeftOut = 2
        Exit Sub
    End If
    If t.rowsLeftOut > 0 Then
        t.rowsLeftOut = t.rowsLeftOut + 1
        Exit Sub
    End If
    If t.lastRow + 1 >= t.maxRows Then
        t.heldRow = RowValues(t, fields, count)
        t.holding = True
        Exit Sub
    End If
    t.lastRow = t.lastRow + 1
    WriteRow t, RowValues(t, fields, count)
End Sub

Private Sub FinishRows(ByRef t As Target)
    If t.holding Then
        t.holding = False
        t.lastRow = t.lastRow + 1
        WriteRow t, t.heldRow
    End If
    If t.rowsLeftOut > 0 Or t.widestRow > t.maxCols Then WriteNote t
End Sub

' The row's cells as an array of values: numbers, text kept exact through a
' leading apostrophe (so neither Excel nor LibreOffice reads it as a number,
' date or formula), Empty for empty fields. Fields beyond the grid are
' dropped.
Private Function RowValues(ByRef t As Target, ByVal fields As Variant, _
                           ByVal count As Long) As Variant
    Dim values() As Variant
    Dim c As Long
    If count > t.maxCols Then count = t.maxCols
    ReDim values(1 To 1, 1 To count)
    For c = 1 To count
        If Len(fields(c)) = 0 Then
            values(1, c) = Empty
        ElseIf IsPlainNumber(fields(c)) Then
            values(1, c) = Val(fields(c))
        Else
            values(1, c) = "'" & fields(c)
        End If
    Next c
    RowValues = values
End Function

Private Sub WriteRow(ByRef t As Target, ByVal values As Variant)
    Dim count As Long, c As Long
    count = UBound(values, 2)
    t.ws.Range(t.ws.Cells(t.lastRow, 1), t.ws.Cells(t.lastRow, count)).Value = values
    ' Line breaks inside a cell show only when the cell wraps.
    For c = 1 To count
        If VarType(values(1, c)) = vbString Then
            If InStr(values(1, c), vbLf) > 0 Then t.ws.Cells(t.lastRow, c).WrapText = True
        End If
    Next c
End Sub

' The note after the last row: how much of the CSV the grid could not hold.
Private Sub WriteNote(ByRef t As Target)
    Dim text As String
    Dim r As Long
    text = "Not shown, beyond the sheet's grid of " & t.maxRows & " rows and " & _
           t.maxCols & " columns:"
    If t.rowsLeftOut > 0 Then text = text & " " & t.rowsLeftOut & " rows"
    If t.rowsLeftOut > 0 And t.widestRow > t.maxCols Then text = text & " and"
    If t.widestRow > t.maxCols Then text = text & " " & (t.widestRow - t.maxCols) & " columns"
    text = text & " of " & CSV_NAME & "."
    r = t.lastRow + 2
    If r > t.maxRows Then r = t.maxRows
    t.ws.Cells(r, 1).Value = "'" & text
    t.ws.Cells(r, 1).Font.Bold = True
End Sub

' True for "0", "15", "-3", "12.5", "0.25"; False for "007", "+1", "1.",
' ".5", "1e5", "1,5", " 1", "1-2" and anything longer than MAX_DIGITS digits.
Private Function IsPlainNumber(ByVal s As String) As Boolean
    Dim i As Long, n As Long
    Dim ch As String
    Dim digits As Long, intDigits As Long, fracDigits As Long
    Dim seenDot As Boolean

    IsPlainNumber = False
    n = Len(s)
    i = 1
    If n = 0 Then Exit Function
    If Left$(s, 1) = "-" Then i = 2
    If i > n Then Exit Function

    Do While i <= n
        ch = Mid$(s, i, 1)
        If AscW(ch) >= 48 And AscW(ch) <= 57 Then
            digits = digits + 1
            If seenDot Then
                fracDigits = fracDigits + 1
            Else
                intDigits = intDigits + 1
            End If
        ElseIf ch = "." And Not seenDot Then
            seenDot = True
        Else
            Exit Function
        End If
        i = i + 1
    Loop

    If intDigits = 0 Then Exit Function
    If seenDot And fracDigits = 0 Then Exit Function
    If digits > MAX_DIGITS Then Exit Function
    ' A leading zero only before the decimal point: "0", "0.5", not "007".
    If intDigits > 1 And Mid$(s, IIf(Left$(s, 1) = "-", 2, 1), 1) = "0" Then
        Exit Function
    End If
    IsPlainNumber = True
End Function

' Bold header row, thin borders around every cell of the table, columns
' fitted to their content and rows to their wrapped lines. Numbers keep the
' general alignment, which puts them to the right and text to the left.
Private Sub FormatTable(ByRef t As Target)
    Dim lastCol As Long
    Dim table As Object
    On Error Resume Next
    lastCol = t.widestRow
    If lastCol > t.maxCols Then lastCol = t.maxCols
    If t.lastRow < 1 Or lastCol < 1 Then Exit Sub
    Set table = t.ws.Range(t.ws.Cells(1, 1), t.ws.Cells(t.lastRow, lastCol))
    t.ws.Range(t.ws.Cells(1, 1), t.ws.Cells(1, lastCol)).Font.Bold = True
    table.Borders.LineStyle = XL_CONTINUOUS
    table.Borders.Weight = XL_THIN
    table.Columns.AutoFit
    table.Rows.AutoFit
End Sub

' Printed: portrait, one page wide and as many tall as needed, centred
' across the page; the file and when it was written in the header, page
' numbers in the footer. A missing printer makes Excel refuse page setup;
' the sheet is then shown all the same.
Private Sub SetUpPage(ByVal ws As Object, ByVal written As String)
    On Error Resume Next
    With ws.PageSetup
        .Orientation = XL_PORTRAIT
        .Zoom = False
        .FitToPagesWide = 1
        .FitToPagesTall = False
        .CenterHorizontally = True
        .LeftHeader = CSV_NAME
        .CenterHeader = ""
        .RightHeader = written
        .CenterFooter = "&P / &N"
    End With
End Sub
