' The five classes by ProgID: fresh defaults, flags -1/0, one object per record
' ("a Is b"), the collections' members and the run-time errors a host reads.
Option Explicit
Dim failures
failures = 0

Sub Check(what, actual, expected)
    If actual = expected Then
        WScript.Echo "ok   " & what
    Else
        WScript.Echo "FAIL " & what & ": [" & actual & "] instead of [" & expected & "]"
        failures = failures + 1
    End If
End Sub

' A Variable's texts, and its numbers in the order of the class.
Function Texts(x)
    Texts = "[" & x.Name & "][" & x.SectionName & "][" & x.TagAttribute & "]"
End Function
Function Numbers(x)
    Numbers = x.DeviceId & " " & x.NestingLevel & " " & x.DataAreaId & " " & x.DataTypeId & " " & x.VariableLen & " " & _
              x.FieldAdd1 & " " & x.FieldAdd2 & " " & x.FieldAdd3 & " " & x.FieldAdd4 & " " & x.FieldAdd5
End Function

' The number of the run-time error the last statement raised, then cleared.
Sub CheckError(what, expected)
    Check what, Err.Number, expected
    Err.Clear
End Sub

Dim v, ds, m, drv, col, a, b, x, n, item, i, count

' Variable: every property's fresh value, then a write and read back of each.
Set v = CreateObject("Tessaro.Variable")
Check "Variable texts fresh", Texts(v), "[][][]"
Check "Variable numbers fresh", Numbers(v), "0 0 0 0 0 0 0 0 0 0"
' A value of its own for each property: a member mapped to another one's slot shows.
v.DeviceId = -2146483
v.NestingLevel = -2145483
v.DataAreaId = -2144483
v.DataTypeId = -2143483
v.VariableLen = -2142483
v.FieldAdd1 = -2141483
v.FieldAdd2 = -2140483
v.FieldAdd3 = -2139483
v.FieldAdd4 = -2138483
v.FieldAdd5 = -2137483
Check "Variable numbers written", Numbers(v), _
      "-2146483 -2145483 -2144483 -2143483 -2142483 -2141483 -2140483 -2139483 -2138483 -2137483"
v.FieldAdd5 = -2147483647 - 1
Check "Variable.FieldAdd5 takes the 32-bit minimum", v.FieldAdd5, -2147483647 - 1
Check "Variable.FieldAdd4 untouched by FieldAdd5", v.FieldAdd4, 9000 - 2147483
Check "Variable.Sign fresh", CInt(v.Sign), 0
Check "Variable.Warning fresh", CInt(v.Warning), 0
Check "Variable.Sign type", TypeName(v.Sign), "Boolean"
v.Sign = True
Check "Variable.Sign true reads -1", CInt(v.Sign), -1
Check "Variable.Warning untouched by Sign", CInt(v.Warning), 0
v.Warning = True
v.Sign = False
Check "Variable.Warning true reads -1", CInt(v.Warning), -1
Check "Variable.Sign false reads 0", CInt(v.Sign), 0
v.Name = "  Motor 1  "
v.SectionName = "Plant.ASC (Symbol file)"
v.TagAttribute = "BOOL"
Check "Variable texts written, blanks kept", Texts(v), "[  Motor 1  ][Plant.ASC (Symbol file)][BOOL]"
v.Name = "caf" & Chr(233)
Check "Variable.Name in the ANSI code page", Asc(Right(v.Name, 1)), 233

' DataSource and Messenger.
Set ds = CreateObject("Tessaro.DataSource")
Check "DataSource.SourceId fresh", ds.SourceId, ""
ds.SourceId = "C:\Project\Plant.AWL"
Check "DataSource.SourceId written", ds.SourceId, "C:\Project\Plant.AWL"
Set m = CreateObject("Tessaro.Messenger")
Check "Messenger texts fresh", m.DeviceName & "|" & m.MessengerFile & "|" & m.DB, "||"
m.DB = "Symbol Files"
Check "Messenger.DB written", m.DB, "Symbol Files"
n = "Motor"
On Error Resume Next
m.RecordVariableNoForKORVO n
CheckError "Messenger record before CreateMsgFiles: error 52", 52
On Error GoTo 0
Check "Messenger argument by reference unchanged", n, "Motor"

' VariableDriver: fresh values, Variables the same object on every read.
Set drv = CreateObject("Tessaro.VariableDriver")
Check "VariableDriver fresh", drv.MessengerFile & "|" & drv.DeviceName & "|" & drv.DeviceId & "|" & drv.DeviceCodeId, "||0|0"
drv.DataSource = "anything"
Set a = drv.Variables
Set b = drv.Variables
Check "Variables is one object", a Is b, True
Check "Variables fresh and empty", a.Count, 0

' Variables: Add with a key, items by position and key are the same object.
a.Add v, "_MOTOR_7"
Check "Variables.Count after Add", a.Count, 1
Check "Variables(1) Is the added Variable", a(1) Is v, True
Check "Variables(key) any letter case", a("_motor_7") Is v, True
Check "Variables.Item(1) Is Variables(1)", a.Item(1) Is a(1), True
On Error Resume Next
a.Add CreateObject("Tessaro.Variable"), "_Motor_7"
CheckError "duplicate key: Err.Number 457", 457
a.Add "not a variable", "other"
CheckError "Variables takes Variable objects only: 13", 13
x = a(2)
CheckError "position past the end: 9", 9
Set x = a.Item("no such key")
CheckError "missing key: 5", 5
On Error GoTo 0
Check "Variables unchanged by the failures", a.Count, 1
a.Add CreateObject("Tessaro.Variable")
a(2).Name = "second"
count = 0
For Each item In a
    count = count + 1
    If count = 1 Then Check "For Each gives the records in order", item Is v, True
    If count = 2 Then Check "For Each second item", item.Name, "second"
Next
Check "For Each visits every record", count, 2
a.Remove "_MOTOR_7"
Check "Remove by key", a.Count, 1
Check "the rest moves up", a(1).Name, "second"
a.Remove 1
Check "Remove by position", a.Count, 0

' A record the host holds outlives the driver; the driver empties its Variables.
a.Add v, "k"
Set drv = Nothing
Check "Variables emptied when the driver goes", a.Count, 0
Check "a held Variable stays valid", v.Name, "caf" & Chr(233)

' Tessaro.Collection holds any Variant.
Set col = CreateObject("Tessaro.Collection")
col.Add 42
col.Add "text", "Key"
col.Add v
Check "Collection.Count", col.Count, 3
Check "Collection number item", col(1), 42
Check "Collection item by key", col("KEY"), "text"
Check "Collection object item Is the same", col(3) Is v, True
On Error Resume Next
col.Add 1, "key"
Check "Collection duplicate key: 457", Err.Number, 457
Check "Collection error source", Err.Source, "Tessaro"
Err.Clear
On Error GoTo 0

' An import with an item that is no DataSource ends with false.
Set drv = CreateObject("Tessaro.VariableDriver")
Set col = CreateObject("Tessaro.Collection")
col.Add 5
Check "GetVariables with a non-DataSource item", drv.GetVariables(col), False
Set col = Nothing

' Texts by reference from script variables, the whole message log round.
Set m = CreateObject("Tessaro.Messenger")
m.CreateMsgFiles
n = "C:\Projects\Bad.ASC"
m.RecordFileError n
m.DB = "DB 5"
m.RecordKORVOTypeConversion n, "INT", "Word"
m.AppendAllFiles
Check "Messenger.MessengerFile after AppendAllFiles", m.MessengerFile, "Messenger.Msg"
Check "Messenger texts by reference unchanged", n, "C:\Projects\Bad.ASC"

' Variables set by reference: Nothing, or another driver's collection.
Dim drv2
Set drv = CreateObject("Tessaro.VariableDriver")
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
