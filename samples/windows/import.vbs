' Imports S7 export files through the registered tessaro.dll and writes every variable,
' one line each, to a CSV file (header row, fields quoted where needed, Windows code page).
'
'   cscript //nologo import.vbs [OUTPUT.csv [SOURCE...]]
'
' Without arguments it imports the sample plant (..\plant\Plant.ASC and Plant.AWL beside
' this script's folder) into Plant.csv in the current folder. The merged messages go to
' Messenger.Msg one folder above the DLL's.
Option Explicit
Dim fso, here, output, drv, sources, ds, i, out, v

Function Field(text)
    If InStr(text, ",") > 0 Or InStr(text, """") > 0 Or InStr(text, vbCr) > 0 Or InStr(text, vbLf) > 0 Then
        Field = """" & Replace(text, """", """""") & """"
    Else
        Field = text
    End If
End Function

' The flags are -1 for true and 0 for false.
Function Flag(value)
    Select Case CInt(value)
        Case -1: Flag = "true"
        Case 0: Flag = "false"
        Case Else: Flag = CStr(value)
    End Select
End Function

Sub AddSource(path)
    Set ds = CreateObject("Tessaro.DataSource")
    ds.SourceId = path
    sources.Add ds
End Sub

Set fso = CreateObject("Scripting.FileSystemObject")
here = fso.GetParentFolderName(WScript.ScriptFullName)
output = "Plant.csv"
If WScript.Arguments.Count > 0 Then output = WScript.Arguments(0)

Set drv = CreateObject("Tessaro.VariableDriver")
drv.DeviceName = "Line1"
drv.DeviceCodeId = 1   ' the device's code in KorvoDEV.dbr
drv.DeviceId = 7       ' the host's identifier of the device, part of every key
Set sources = CreateObject("Tessaro.Collection")
If WScript.Arguments.Count > 1 Then
    For i = 1 To WScript.Arguments.Count - 1
        AddSource WScript.Arguments(i)
    Next
Else
    AddSource fso.BuildPath(here, "..\plant\Plant.ASC")
    AddSource fso.BuildPath(here, "..\plant\Plant.AWL")
End If

If Not drv.GetVariables(sources) Then
    WScript.Echo "The import stopped: is KorvoDEV.dbr two folders above tessaro.dll?"
    WScript.Quit 1
End If

Set out = fso.CreateTextFile(output, True, False)
out.Write "Name,SectionName,DeviceId,NestingLevel,TagAttribute,DataAreaId,DataTypeId,VariableLen," & _
          "FieldAdd1,FieldAdd2,FieldAdd3,FieldAdd4,FieldAdd5,Sign,Warning" & vbCrLf
For Each v In drv.Variables
    out.Write Field(v.Name) & "," & Field(v.SectionName) & "," & v.DeviceId & "," & v.NestingLevel & "," & _
              Field(v.TagAttribute) & "," & v.DataAreaId & "," & v.DataTypeId & "," & v.VariableLen & "," & _
              v.FieldAdd1 & "," & v.FieldAdd2 & "," & v.FieldAdd3 & "," & v.FieldAdd4 & "," & v.FieldAdd5 & "," & _
              Flag(v.Sign) & "," & Flag(v.Warning) & vbCrLf
Next
out.Close
WScript.Echo "Messages in " & drv.MessengerFile
WScript.Echo drv.Variables.Count & " variables written to " & output
