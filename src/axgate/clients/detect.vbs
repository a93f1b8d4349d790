' The same detection as detect.js, as a VBScript page or logon script would write it.
Option Explicit
Dim loader
On Error Resume Next
Set loader = CreateObject("axgate.XLoader")
If Err.Number <> 0 Then
  WScript.Echo "not installed"
  WScript.Quit 1
End If
On Error GoTo 0
WScript.Echo "installed at " & loader.Version
loader.Version = "C:\elsewhere\axgate.dll"
WScript.Echo "after a write " & loader.Version
