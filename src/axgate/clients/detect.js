// What a bank page does to find the kit: create the loader object, then read where its file
// lies. A write to "Version" is accepted and changes nothing.
var loader;
try {
  loader = new ActiveXObject("axgate.XLoader");
} catch (e) {
  WScript.Echo("not installed");
  WScript.Quit(1);
}
WScript.Echo("installed at " + loader.Version);
loader.Version = "C:\\elsewhere\\axgate.dll";
WScript.Echo("after a write " + loader.Version);
