' The corpus of example imports as a host drives the automation server: for each case of
' the plan (first argument; lines CASE folder, CODE, ID, NAME, LANG, FILE..., END) the
' case's KorvoDEV.dbr goes two levels above the component's folder (the layout folder,
' second argument), the sources as DataSource objects go to GetVariables from the case's
' folder, and the records (JSON lines, as the command line writes them), the result, the
' merged message file and any partial file left are put into the case's folder.
Option Explicit
Dim fso, sh, plan, line, key, value, folder, code, id, name, language, sources, ds, layout

Function Js(text)
    Dim i, c, n, out
    out = """"
    For i = 1 To Len(text)
        c = Mid(text, i, 1)
        n = AscW(c)
        If c = """" Or c = "\" Then
            out = out & "\" & c
        ElseIf n = 8 Then
            out = out & "\b"
        ElseIf n = 9 Then
            out = out & "\t"
        ElseIf n = 10 Then
            out = out & "\n"
        ElseIf n = 12 Then
            out = out & "\f"
        ElseIf n = 13 Then
            out = out & "\r"
        ElseIf n >= 0 And n < 32 Then
            out = out & "\u00" & LCase(Right("0" & Hex(n), 2))
        Else
            out = out & c
        End If
    Next
    Js = out & """"
End Function

Function Flag(v)
    If v Then Flag = "true" Else Flag = "false"
End Function

Sub MoveIfThere(from, target)
    If fso.FileExists(target) Then fso.DeleteFile target
    If fso.FileExists(from) Then fso.MoveFile from, target
End Sub

Sub RunCase()
    Dim drv, ok, out, v, i
    fso.CopyFile folder & "\KorvoDEV.dbr", layout & "\KorvoDEV.dbr", True
    If fso.FileExists(layout & "\app\Messenger.Msg") Then fso.DeleteFile layout & "\app\Messenger.Msg"
    If language = "" Then
        On Error Resume Next
        sh.RegDelete "HKCU\Software\Tessaro\LanguageId"
        On Error GoTo 0
    Else
        sh.RegWrite "HKCU\Software\Tessaro\LanguageId", language, "REG_SZ"
    End If
    sh.CurrentDirectory = folder
    Set drv = CreateObject("Tessaro.VariableDriver")
    drv.DeviceName = name
    drv.DeviceCodeId = code
    drv.DeviceId = id
    ok = drv.GetVariables(sources)
    Set out = fso.CreateTextFile(folder & "\records.jsonl", True, True)
    For Each v In drv.Variables
        out.Write "{""Name"":" & Js(v.Name) & ",""SectionName"":" & Js(v.SectionName) & ",""DeviceId"":" & v.DeviceId & _
            ",""NestingLevel"":" & v.NestingLevel & ",""TagAttribute"":" & Js(v.TagAttribute) & _
            ",""DataAreaId"":" & v.DataAreaId & ",""DataTypeId"":" & v.DataTypeId & ",""VariableLen"":" & v.VariableLen & _
            ",""FieldAdd1"":" & v.FieldAdd1 & ",""FieldAdd2"":" & v.FieldAdd2 & ",""FieldAdd3"":" & v.FieldAdd3 & _
            ",""FieldAdd4"":" & v.FieldAdd4 & ",""FieldAdd5"":" & v.FieldAdd5 & ",""Sign"":" & Flag(v.Sign) & _
            ",""Warning"":" & Flag(v.Warning) & "}" & vbLf
    Next
    out.Close
    Set out = fso.CreateTextFile(folder & "\imported.txt", True, False)
    If ok Then out.Write "yes" Else out.Write "no"
    out.Close
    MoveIfThere layout & "\app\Messenger.Msg", folder & "\Messenger.Msg"
    For i = 1 To 6
        MoveIfThere layout & "\app\bin\" & i & ".Msg", folder & "\left." & i & ".Msg"
    Next
    WScript.Echo "imported " & fso.GetFileName(folder)
End Sub

Set fso = CreateObject("Scripting.FileSystemObject")
Set sh = CreateObject("WScript.Shell")
layout = WScript.Arguments(1)
Set plan = fso.OpenTextFile(WScript.Arguments(0), 1)
Do Until plan.AtEndOfStream
    line = plan.ReadLine
    key = Left(line, InStr(line & " ", " ") - 1)
    value = Mid(line, Len(key) + 2)
    Select Case key
        Case "CASE"
            folder = value
            Set sources = CreateObject("Tessaro.Collection")
        Case "CODE"
            code = CLng(value)
        Case "ID"
            id = CLng(value)
        Case "NAME"
            name = value
        Case "LANG"
            language = value
        Case "FILE"
            Set ds = CreateObject("Tessaro.DataSource")
            ds.SourceId = value
            sources.Add ds
        Case "END"
            RunCase
    End Select
Loop
plan.Close
WScript.Echo "END OF corpus.vbs"
