' The prefix's ANSI code page, which the byte-for-byte comparisons with the Linux build
' (Windows-1252) rely on.
Dim shell
Set shell = CreateObject("WScript.Shell")
acp = shell.RegRead("HKLM\System\CurrentControlSet\Control\Nls\CodePage\ACP")
If acp <> "1252" Then WScript.Echo "FAIL the ANSI code page is " & acp & ", not 1252"
WScript.Echo "ANSI code page " & acp
WScript.Echo "END OF codepage.vbs"
