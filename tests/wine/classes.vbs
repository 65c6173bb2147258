' The classes by ProgID as a script meets them: flags -1/0, one object per record
' ("a Is b"), texts by reference, the run-time errors a script reads, and Variables set
' by reference. The members and their DISPIDs are walked in the type library by
' early_bound.exe.
Option Explicit
Dim failures, v, ds, m, drv, drv2, a, x, n, item, count, col
failures = 0

Sub Check(what, actual, expected)
    If actual = expected Then
        WScript.Echo "ok   " & what
    Else
        WScript.Echo "FAIL " & what & ": [" & actual & "] instead of [" & expected & "]"
        failures = failures + 1
    End If
End Sub

' The number of the run-time error the last statement raised, then cleared.
Sub CheckError(what, expected)
    Check what, Err.Number, expected
    Err.Clear
End Sub

' The prefix's ANSI code page, which the texts in Windows-1252 here and in host.exe rely on.
Check "the ANSI code page", CreateObject("WScript.Shell").RegRead("HKLM\System\CurrentControlSet\Control\Nls\CodePage\ACP"), "1252"

Set v = CreateObject("Tessaro.Variable")
Check "Variable.Sign fresh is a Boolean", TypeName(v.Sign) & CInt(v.Sign), "Boolean0"
v.Sign = True
Check "Variable.Sign true reads -1", CInt(v.Sign), -1
v.Name = "caf" & Chr(233)
Check "Variable.Name in the ANSI code page", Asc(Right(v.Name, 1)), 233

' Texts by reference from script variables: a record before CreateMsgFiles is error 52,
' then the whole message log round; the script's variable stays as it was.
Set m = CreateObject("Tessaro.Messenger")
n = "C:\Projects\Bad.ASC"
On Error Resume Next
m.RecordVariableNoForKORVO n
CheckError "Messenger record before CreateMsgFiles: error 52", 52
On Error GoTo 0
m.CreateMsgFiles
m.RecordFileError n
m.DB = "DB 5"
m.RecordKORVOTypeConversion n, "INT", "Word"
m.AppendAllFiles
Check "Messenger.MessengerFile after AppendAllFiles", m.MessengerFile, "Messenger.Msg"
Check "Messenger texts by reference unchanged", n, "C:\Projects\Bad.ASC"

' A driver's Variables: one object, one wrapper per record, the errors of a collection.
Set drv = CreateObject("Tessaro.VariableDriver")
drv.DataSource = "anything"
Set a = drv.Variables
Check "Variables is one object", a Is drv.Variables, True
a.Add v, "_MOTOR_7"
Check "Variables(1) and Variables(key) in any letter case are the added Variable", a(1) Is v And a("_motor_7") Is v, True
Set ds = CreateObject("Tessaro.DataSource")
On Error Resume Next
a.Add CreateObject("Tessaro.Variable"), "_Motor_7"
CheckError "duplicate key: 457", 457
a.Add ds, "other"
CheckError "Variables takes Variable objects only: 13", 13
x = a(2)
CheckError "position past the end: 9", 9
Set x = a.Item("no such key")
CheckError "missing key: 5", 5
On Error GoTo 0
a.Add CreateObject("Tessaro.Variable")
count = 0
For Each item In a
    count = count + 1
    If count = 1 Then Check "For Each gives the records in order", item Is v, True
Next
Check "For Each visits every record", count, 2
' The collection a host holds outlives the driver, emptied; so does a Variable.
Set drv = Nothing
Check "Variables emptied when the driver goes", a.Count, 0
Check "a held Variable stays valid", v.Name, "caf" & Chr(233)

' Tessaro.Collection holds any Variant; an import from it needs DataSource items.
Set col = CreateObject("Tessaro.Collection")
col.Add 42
col.Add "text", "Key"
Check "Collection holds any Variant", col(1), 42
On Error Resume Next
col.Add 1, "key"
Check "Collection duplicate key: 457", Err.Number, 457
Check "Collection error source", Err.Source, "Tessaro"
Err.Clear
On Error GoTo 0
Set drv = CreateObject("Tessaro.VariableDriver")
Check "GetVariables with items that are no DataSource", drv.GetVariables(col), False

' Variables set by reference: another driver's, Nothing, or a host's own collection.
Set drv2 = CreateObject("Tessaro.VariableDriver")
Set drv.Variables = drv2.Variables
Check "Variables set to another driver's", drv.Variables Is drv2.Variables, True
Set drv.Variables = Nothing
Check "Variables set to Nothing", drv.Variables Is Nothing, True
Set col = CreateObject("Tessaro.Collection")
Set drv.Variables = col
Check "Variables set to a host's own collection reads it back", drv.Variables Is col, True
col.Add v, "k"
Set drv = Nothing
Check "a host's own Variables emptied when the driver goes", col.Count, 0

If failures > 0 Then WScript.Echo "FAIL " & failures & " checks failed"
WScript.Echo "END OF classes.vbs"
