'' The corpus of example imports as a host drives the automation server: for each case of
' the plan (first argument; a line each: folder, device code, device id, device name,
' language, files, separated by tabs) the case's KorvoDEV.dbr goes two levels above the
' component's folder (the layout folder, second argument), the sources as DataSource
' objects go to GetVariables from the case's folder, and the records (JSON lines, as the
' command line writes them), the result, the merged message file and any partial file
' left are put into the case's folder.
Option Explicit
Dim fso, sh, plan, fields, folder, code, id, name, language, sources, ds, layout, i

Dim controls, escapes
controls = ""
For escapes = 1 To 31
    controls = controls & Chr(escapes)
Next
escapes = Array("b", "t", "n", "", "f", "r")

Function Js(text)
    ' Escapes as the command line's JSON does. Wine's VBScript has no AscW, and its "<"
    ' on strings is not binary: a control character is found by its place in a list.
    Dim i, c, n, out
    out = """"
    For i = 1 To Len(text)
        c = Mid(text, i, 1)
        n = InStr(1, controls, c, vbBinaryCompare)
        If c = """" Or c = "\" Then
            out = out & "\" & c
        ElseIf c = Chr(0) Then
            out = out & "\u0000"
        ElseIf n >= 8 And n <= 13 And n <> 11 Then
            out = out & "\" & escapes(n - 8)
        ElseIf n > 0 Then
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
    ' Copy and delete: Wine's MoveFile fails here.
    If fso.FileExists(from) Then
        fso.CopyFile from, target, True
        fso.DeleteFile from
    End If
End Sub

Function HasLanguage()
    On Error Resume Next
    sh.RegRead "HKCU\Software\Tessaro\LanguageId"
    HasLanguage = (Err.Number = 0)
    Err.Clear
End Function

Sub RunCase()
    Dim drv, ok, out, v, i
    fso.CopyFile folder & "\KorvoDEV.dbr", layout & "\KorvoDEV.dbr", True
    If fso.FileExists(layout & "\app\Messenger.Msg") Then fso.DeleteFile layout & "\app\Messenger.Msg"
    If language <> "" Then
        sh.RegWrite "HKCU\Software\Tessaro\LanguageId", language, "REG_SZ"
    ElseIf HasLanguage() Then
        ' Wine's WScript.Shell has no RegDelete: reg.exe removes the value.
        sh.Run "reg delete HKCU\Software\Tessaro /v LanguageId /f", 0, True
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
    ' Partial files left by a failed import stay open until the thread's next import,
    ' which starts them anew: copied, not moved.
    For i = 1 To 6
        If fso.FileExists(layout & "\app\bin\" & i & ".Msg") Then
            fso.CopyFile layout & "\app\bin\" & i & ".Msg", folder & "\got." & i & ".Msg", True
        End If
    Next
    WScript.Echo "imported " & fso.GetFileName(folder)
End Sub

Set fso = CreateObject("Scripting.FileSystemObject")
Set sh = CreateObject("WScript.Shell")
layout = WScript.Arguments(1)
Set plan = fso.OpenTextFile(WScript.Arguments(0), 1)
Do Until plan.AtEndOfStream
    fields = Split(plan.ReadLine, vbTab)
    folder = fields(0)
    code = CLng(fields(1))
    id = CLng(fields(2))
    name = fields(3)
    language = fields(4)
    Set sources = CreateObject("Tessaro.Collection")
    For i = 5 To UBound(fields)
        Set ds = CreateObject("Tessaro.DataSource")
        ds.SourceId = fields(i)
        sources.Add ds
    Next
    ' A script error in one case is that case's failure; the others still run.
    On Error Resume Next
    RunCase
    If Err.Number <> 0 Then WScript.Echo "FAIL " & folder & ": error " & Err.Number & " " & Err.Description
    Err.Clear
    On Error GoTo 0
Loop
plan.Close
WScript.Echo "END OF corpus.vbs"
