' Both controls as a script sees them: created by ProgID, values set and read,
' the library's errors caught with their number, source and text.
' cscript reports script errors nowhere, so every result is printed and the
' exit code says whether the script ran to its end.
Option Explicit
Dim picker, calendar
Set picker = CreateObject("Almanix.DatePicker")
Set calendar = CreateObject("Almanix.MonthCalendar")

Sub Show(name, value)
  WScript.Echo name & "=" & value
End Sub

Function Ymd(d)
  Ymd = Year(d) & "-" & Month(d) & "-" & Day(d)
End Function

Show "new picker holds a date", IsDate(picker.Value)
picker.MinDate = DateSerial(2000, 1, 1)
picker.MaxDate = DateSerial(2030, 12, 31)
picker.Value = DateSerial(2026, 3, 4)
Show "picker.Value", Ymd(picker.Value)
Show "default member", Ymd(CDate(picker))
picker.Value = ""
Show "empty text gives Null", IsNull(picker.Value)
picker.Value = Null
Show "DateValue of Null", CDbl(picker.DateValue)

calendar.Value = DateSerial(2026, 5, 17)
Show "calendar.SelectedMonth", calendar.SelectedMonth

On Error Resume Next
picker.MinDate = DateSerial(2031, 1, 1)
Show "picker.MinDate above MaxDate", Err.Number & "|" & Err.Source & "|" & Err.Description
Err.Clear
calendar.MaxDate = DateSerial(1500, 1, 1)
Show "calendar.MaxDate below MinDate", Err.Number & "|" & Err.Source & "|" & Err.Description
Err.Clear
picker.Value = DateSerial(2040, 1, 1)
Show "picker.Value out of range", Err.Number & "|" & Err.Source & "|" & Err.Description
Err.Clear
picker.Format = 7
Show "picker.Format 7", Err.Number & "|" & Err.Source & "|" & Err.Description
Err.Clear
On Error Goto 0

WScript.Quit 0
