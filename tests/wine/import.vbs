' One import driven as a host drives it: the sources as DataSource objects in a
' Tessaro.Collection, then every property of every Variable written as CSV (the Linux
' command line's columns and quoting) into the file named by the first argument.
Option Explicit
Dim drv, sources, ds, i, ok, fso, out, v, row, names, flag

Function Field(text)
    If InStr(text, ",") > 0 Or InStr(text, """") > 0 Or InStr(text, vbCr) > 0 Or InStr(text, vbLf) > 0 Then
        Field = """" & Replace(text, """", """""") & """"
    Else
        Field = text
    End If
End Function

Function FlagText(value)
    If value = -1 Then
        FlagText = "true"
    ElseIf value = 0 Then
        FlagText = "false"
    Else
        FlagText = "FAIL flag " & value
    End If
End Function

Set drv = CreateObject("Tessaro.VariableDriver")
drv.DeviceName = "Line1"
drv.DeviceCodeId = 1
drv.DeviceId = 7
Set sources = CreateObject("Tessaro.Collection")
For i = 1 To WScript.Arguments.Count - 1
    Set ds = CreateObject("Tessaro.DataSource")
    ds.SourceId = WScript.Arguments(i)
    sources.Add ds
Next
ok = drv.GetVariables(sources)
If ok <> True Then WScript.Echo "FAIL GetVariables returned " & ok

Set fso = CreateObject("Scripting.FileSystemObject")
Set out = fso.CreateTextFile(WScript.Arguments(0), True, False)
out.Write "Name,SectionName,DeviceId,NestingLevel,TagAttribute,DataAreaId,DataTypeId,VariableLen," & _
          "FieldAdd1,FieldAdd2,FieldAdd3,FieldAdd4,FieldAdd5,Sign,Warning" & vbCrLf
For Each v In drv.Variables
    row = Field(v.Name) & "," & Field(v.SectionName) & "," & v.DeviceId & "," & v.NestingLevel & "," & _
          Field(v.TagAttribute) & "," & v.DataAreaId & "," & v.DataTypeId & "," & v.VariableLen & "," & _
          v.FieldAdd1 & "," & v.FieldAdd2 & "," & v.FieldAdd3 & "," & v.FieldAdd4 & "," & v.FieldAdd5 & "," & _
          FlagText(CInt(v.Sign)) & "," & FlagText(CInt(v.Warning))
    If InStr(row, "FAIL") > 0 Then WScript.Echo "FAIL " & row
    out.Write row & vbCrLf
Next
out.Close
WScript.Echo drv.Variables.Count & " variables, MessengerFile " & drv.MessengerFile
If drv.MessengerFile <> "Messenger.Msg" Then WScript.Echo "FAIL MessengerFile is [" & drv.MessengerFile & "]"
WScript.Echo "END OF import.vbs"
