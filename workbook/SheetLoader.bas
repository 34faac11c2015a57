Attribute VB_Name = "SheetLoader"
' tq7_sheet.xls: shows tq7_sheet.csv, which the tq7_sheet plug-in writes into
' the same folder just before it opens this workbook.
'
' Auto_Open runs when the workbook is opened (once macros are enabled). It
' reads the whole CSV file as text in the system's ANSI code page, splits it
' the way CSV is split, and writes it to the first worksheet:
'   - fields are separated by commas; a field in double quotes may contain
'     commas, line breaks (kept as LF, like Excel's in-cell breaks) and
'     doubled quotes ("") standing for one quote;
'   - CR LF, LF and lone CR all end a row; the last row may lack a line end;
'   - a field that is a plain decimal number (digits with an optional leading
'     minus and an optional "." fraction, no leading zeros, at most 15
'     digits) becomes a number; every other field is written as text, so
'     "007", "1-2", "3/4", "1e5", "=A1" or "'x" stay exactly as in the file;
'   - the sheet is cleared first, the first row is bold, columns are fitted.
' Afterwards the workbook is marked as saved, so closing it asks nothing.
Option Explicit

Private Const CSV_NAME As String = "tq7_sheet.csv"
Private Const MAX_DIGITS As Long = 15

Public Sub Auto_Open()
    LoadSheet
End Sub

' Fills the first worksheet from tq7_sheet.csv beside this workbook.
Public Sub LoadSheet()
    Dim ws As Object
    Dim csvPath As String
    Dim csvText As String
    Dim problem As String

    ' Set the handler only once: LibreOffice keeps "On Error Resume Next"
    ' for called procedures even after a later "On Error GoTo".
    On Error GoTo Failed
    Set ws = ThisWorkbook.Worksheets(1)
    SetScreenUpdating False

    ws.Cells.Clear
    csvPath = CsvFilePath()

    If Not FileExists(csvPath) Then
        ShowMessage ws, CSV_NAME & " was not found beside this workbook.", csvPath
    Else
        csvText = ReadWholeFile(csvPath)
        FillSheet ws, csvText
    End If

Finish:
    SetScreenUpdating True
    MarkSaved
    Exit Sub

Failed:
    problem = Err.Description
    If Len(problem) = 0 Then problem = "error " & Err.Number
    Resume ShowProblem
ShowProblem:
    On Error Resume Next
    Close
    ws.Cells.Clear
    ShowMessage ws, CSV_NAME & " could not be read: " & problem, csvPath
    GoTo Finish
End Sub

Private Sub SetScreenUpdating(ByVal onOff As Boolean)
    On Error Resume Next
    Application.ScreenUpdating = onOff
End Sub

' Nothing the user needs to save: closing the workbook asks nothing.
Private Sub MarkSaved()
    On Error Resume Next
    ThisWorkbook.Saved = True
End Sub

Private Sub ShowMessage(ByVal ws As Object, ByVal message As String, _
                        ByVal detail As String)
    ws.Cells(1, 1).Value = "'" & message
    ws.Cells(1, 1).Font.Bold = True
    ws.Cells(2, 1).Value = "'" & detail
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

' Whole file as a String, bytes converted from the system's ANSI code page
' (e.g. 1252, or 932 on Japanese systems). Reading bytes and converting them
' with StrConv behaves alike in Excel and LibreOffice; Get into a String
' does not (LibreOffice expects a length prefix).
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

' Splits text as CSV and writes the fields into ws, starting at A1.
Private Sub FillSheet(ByVal ws As Object, ByVal csvText As String)
    Dim n As Long, i As Long
    Dim ch As String
    Dim field As String
    Dim inQuotes As Boolean
    Dim rowNo As Long, colNo As Long
    Dim maxCol As Long
    Dim pending As Boolean   ' a row has been started and not yet ended

    n = Len(csvText)
    rowNo = 1
    colNo = 1
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
        ElseIf ch = "," Then
            PutField ws, rowNo, colNo, field
            If colNo > maxCol Then maxCol = colNo
            field = ""
            colNo = colNo + 1
            pending = True
        ElseIf ch = vbCr Or ch = vbLf Then
            PutField ws, rowNo, colNo, field
            If colNo > maxCol Then maxCol = colNo
            field = ""
            rowNo = rowNo + 1
            colNo = 1
            pending = False
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
        PutField ws, rowNo, colNo, field
        If colNo > maxCol Then maxCol = colNo
    Else
        rowNo = rowNo - 1
    End If

    If rowNo >= 1 And maxCol >= 1 Then FormatSheet ws, rowNo, maxCol
End Sub

Private Sub PutField(ByVal ws As Object, ByVal rowNo As Long, _
                     ByVal colNo As Long, ByVal field As String)
    If Len(field) = 0 Then Exit Sub
    If IsPlainNumber(field) Then
        ws.Cells(rowNo, colNo).Value = Val(field)
    Else
        ' A leading apostrophe makes Excel and LibreOffice keep the rest as
        ' text exactly, instead of reading it as a number, date or formula.
        ws.Cells(rowNo, colNo).Value = "'" & field
    End If
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

Private Sub FormatSheet(ByVal ws As Object, ByVal lastRow As Long, _
                        ByVal lastCol As Long)
    On Error Resume Next
    ws.Range(ws.Cells(1, 1), ws.Cells(1, lastCol)).Font.Bold = True
    ws.Range(ws.Cells(1, 1), ws.Cells(lastRow, lastCol)).Columns.AutoFit
    On Error GoTo 0
End Sub
