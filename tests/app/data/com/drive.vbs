' Drives the automation server as a VBScript client: drive.vbs DATABASE SAVED
' Prints "N passed, M failed" (cscript's exit code hides runtime errors).
Option Explicit
Dim passed, failed
passed = 0
failed = 0
Sub Check(ok, what)
  If ok Then
    passed = passed + 1
  Else
    failed = failed + 1
    WScript.Echo "failed: " & what
  End If
End Sub

Dim app, db, code, plurals, i, dimension, answer, copy
Set app = CreateObject("QEB.Application")
Check app.Version = "QEB 5.7", "Version"
code = app.OpenFile(WScript.Arguments(0), "", db)
Check code = 0, "OpenFile " & code
Check Not (db Is Nothing), "the database object"
Check app.BaseCount = 1, "BaseCount"
Check db.Name = "Example.qex", "Name " & db.Name
plurals = ""
For i = 1 To 3
  Set dimension = db.GetDim(i)
  plurals = plurals & dimension.Plural & ","
Next
Check plurals = "Accounts,Projects,Regions,", "Plural " & plurals
Set dimension = db.GetDim(1)
Check dimension.TotalComponents = 6, "TotalComponents"
answer = db.XML_Command("<QEB-xml-input><dimensions/></QEB-xml-input>")
Check InStr(answer, "plural=""Regions""") > 0, "XML_Command " & answer
Check db.MacroCommand("save """ & WScript.Arguments(1) & """") = 0, "MacroCommand"
Check db.Save() = 0, "Save"
Set copy = CreateObject("QEB.Database")
Check copy.OpenFile(WScript.Arguments(1), "") = 0, "reopening the saved file"
Check copy.GetDim(1).TotalComponents = 6, "the saved file's components"
Set dimension = Nothing
Set copy = Nothing
Set db = Nothing
Set app = Nothing
WScript.Echo passed & " passed, " & failed & " failed"
