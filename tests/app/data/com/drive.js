// Drives the automation server as a JScript client: drive.js DATABASE SAVED
// Prints "N passed, M failed" (cscript's exit code hides runtime errors). Non-ASCII checks live
// here: Wine's VBScript reads scripts as cp1252 and has no ChrW.
var args = WScript.Arguments;
var passed = 0, failed = 0;
function check(ok, what) {
  if (ok) {
    passed++;
  } else {
    failed++;
    WScript.Echo("failed: " + what);
  }
}

var app = new ActiveXObject("QEB.Application");
check(app.Version == "QEB 5.7", "Version");
var db = new ActiveXObject("QEB.Database");
var code = db.OpenFile(args.Item(0), "");
check(code == 0, "OpenFile " + code);
check(app.BaseCount == 1, "BaseCount");
check(db.Name == "Example.qex", "Name " + db.Name);
var plurals = "";
for (var i = 1; i <= 3; i++) plurals += db.GetDim(i).Plural + ",";
check(plurals == "Accounts,Projects,Regions,", "Plural " + plurals);
check(db.GetDim(1).TotalComponents == 6, "TotalComponents");
var name = "\u00c5sa \u20ac \ud83d\ude00";
var dimension = db.GetDim(2);
dimension.Singular = name;
check(dimension.Singular == name, "Singular");
var answer = db.XML_Command("<QEB-xml-input><dimensions num=\"2\"/></QEB-xml-input>");
check(answer.indexOf("singular=\"" + name + "\"") >= 0, "XML_Command " + answer);
check(db.MacroCommand("save \"" + args.Item(1) + "\"") == 0, "MacroCommand");
check(db.Save() == 0, "Save");
var copy = new ActiveXObject("QEB.Database");
check(copy.OpenFile(args.Item(1), "") == 0, "reopening the saved file");
check(copy.GetDim(2).Singular == name, "the saved file's name");
dimension = null;
copy = null;
db = null;
app = null;
CollectGarbage();
WScript.Echo(passed + " passed, " + failed + " failed");
