// copier.exe run as the bank's page runs it: from a package folder holding the new files and
// the scenario, over a kit installed in its own folder and registered under a class of its own,
// with its message boxes answered on the screen as a person answers them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <optional>
#include <sstream>

#include "childprocess.h"
#include "fixtures.h"
#include "msgbox.h"
#include "windriver.h"

namespace {

using namespace copiertest;
using namespace std::chrono_literals;
using wintest::BoxIcon;

std::wstring Wide(const std::string& text, UINT codePage = CP_ACP) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(static_cast<size_t>(::MultiByteToWideChar(codePage, 0, text.data(),
                                                        static_cast<int>(text.size()), wide.data(),
                                                        static_cast<int>(wide.size()))));
  return wide;
}

std::string Utf8(const std::wstring& text) {
  std::string narrow(text.size() * 3, '\0');
  narrow.resize(static_cast<size_t>(
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                            static_cast<int>(narrow.size()), nullptr, nullptr)));
  return narrow;
}

std::wstring ReplaceAll(std::wstring text, const std::wstring& from, const std::wstring& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::wstring::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

// A text with its "%s" taken by the arguments in turn.
std::wstring Format(std::wstring text, const std::vector<std::wstring>& arguments) {
  size_t at = 0;
  for (const auto& argument : arguments) {
    at = text.find(L"%s", at);
    text.replace(at, 2, argument);
    at += argument.size();
  }
  return text;
}

// The thirteen built-in texts as a scenario file holds them, "\n" for each line break: the
// test data, written from the texts the user must see.
std::map<std::string, std::wstring> BuiltInTexts() {
  std::map<std::string, std::wstring> texts;
  std::istringstream lines(ReadAll(wintest::HostPath(KIT_COPIER_MESSAGES)));
  for (std::string line; std::getline(lines, line);) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos)
      texts[line.substr(0, equals)] = Wide(line.substr(equals + 1), CP_UTF8);
  }
  return texts;
}

// A built-in text as a message box shows it.
std::wstring Shown(const std::string& key) {
  static const auto texts = BuiltInTexts();
  return ReplaceAll(texts.at(key), L"\\n", L"\r\n");
}

struct Box {
  std::wstring caption;
  BoxIcon icon;
  std::vector<int> buttons;
  std::wstring text;
};

Box ErrorBox(const std::wstring& text) { return {L"Error", BoxIcon::Error, {IDOK}, text}; }
Box SharingBox(const std::wstring& text) {
  return {L"Внимание", BoxIcon::Question, {IDOK, IDCANCEL}, text};
}
Box CopyErrorBox() {
  return {L"Внимание!", BoxIcon::Warning, {IDOK, IDCANCEL}, Shown("COPY_ERROR")};
}

// The request to close programs when only `program` holds installed files.
std::wstring OtherProgramRequest(const std::wstring& program) {
  return Format(Shown("SHARING_ERROR"),
                {program + L"\r\n",
                 L"1. " + Format(Shown("OTHERPROCESSES_CLOSE"), {program + L"\r\n"}) + L"\r\n2"});
}

bool IsLogPrefix(const std::string& line) {
  static const char kPattern[] = "[00.00.0000 00:00:00] -> ";
  if (line.size() < sizeof kPattern - 1) return false;
  for (size_t i = 0; i + 1 < sizeof kPattern; ++i) {
    const bool digit = line[i] >= '0' && line[i] <= '9';
    if (kPattern[i] == '0' ? !digit : line[i] != kPattern[i]) return false;
  }
  return true;
}

class CopierRun : public ::testing::Test {
 protected:
  CopierRun() {
    std::filesystem::create_directories(package_);
    std::filesystem::create_directories(install_);
    ::CopyFileA(CopierProgram().c_str(), Package("copier.exe").c_str(), FALSE);
    // The installation is found through its ActiveX server file, so there always is one.
    PutDll(Installed("axgate.dll"), {3, 1, 0, 5}, 0);
    ::SetEnvironmentVariableA("KIT_COM_TRACE", comTrace_.c_str());
    current_.emplace(package_);
  }

  std::string Package(const std::string& name) const { return package_ + "\\" + name; }
  std::string Installed(const std::string& name) const { return install_ + "\\" + name; }

  void WriteScenario(const std::vector<std::string>& files, const std::string& more = "") const {
    std::string text = "[COPIER]\r\nAXCLSID=" + installation_.ClassId() + "\r\n";
    for (size_t i = 0; i < files.size(); ++i)
      text += "FILE" + std::to_string(i + 1) + "=" + files[i] + "\r\n";
    WriteText(Package("update.ini"), text + more);
  }

  std::future<wintest::ProgramResult> Launch(const std::string& arguments) const {
    const std::string line = "\"" + Package("copier.exe") + "\" " + arguments;
    return std::async(std::launch::async, [line] { return wintest::RunProgram(line, 90s); });
  }

  // Waits for the box, checks what it shows, lets `meanwhile` act as the user would while
  // reading it, and presses the button.
  void Answer(const Box& expected, int button, const std::function<void()>& meanwhile = {}) {
    HWND box = wintest::WaitForWindow(L"#32770", expected.caption, 30s);
    ASSERT_NE(box, nullptr) << "no message box \"" << Utf8(expected.caption) << "\"";
    Check(box, expected);
    if (meanwhile) meanwhile();
    ASSERT_TRUE(wintest::PressButton(box, button));
    EXPECT_TRUE(wintest::WaitForWindowGone(box));
  }

  void Check(HWND box, const Box& expected) {
    const auto shown = wintest::ReadMessageBox(box);
    EXPECT_EQ(Utf8(shown.caption), Utf8(expected.caption));
    EXPECT_EQ(Utf8(shown.text), Utf8(expected.text));
    EXPECT_EQ(shown.icon, expected.icon) << wintest::BoxIconName(shown.icon);
    EXPECT_EQ(shown.buttons, expected.buttons);
  }

  // Waits until copier.exe has ended with exit code 0; any box that appears meanwhile is a
  // failure, and is cancelled.
  void Finish(std::future<wintest::ProgramResult>& run) {
    while (run.wait_for(50ms) != std::future_status::ready) {
      HWND box = wintest::WaitForWindow(L"#32770", L"", 0ms);
      if (box == nullptr) continue;
      const auto shown = wintest::ReadMessageBox(box);
      ADD_FAILURE() << "unexpected message box \"" << Utf8(shown.caption)
                    << "\": " << Utf8(shown.text);
      wintest::PressButton(box, shown.buttons.empty() ? IDOK : shown.buttons.back());
      wintest::WaitForWindowGone(box);
    }
    const auto result = run.get();
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0u);
  }

  // The log's entries without their time prefix, each checked; an entry of several lines is
  // one entry.
  std::vector<std::string> Log() const {
    std::vector<std::string> entries;
    std::string text = ReadAll(Package("log.txt"));
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
      text.resize(text.size() - 2);
    size_t start = 0;
    while (start <= text.size() && !text.empty()) {
      size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(start, end - start);
      if (IsLogPrefix(line))
        entries.push_back(line.substr(25));
      else if (!entries.empty())
        entries.back() += "\r\n" + line;
      else
        ADD_FAILURE() << "the log begins without a time prefix: " << line;
      start = end + 2;
    }
    return entries;
  }

  std::vector<std::string> ComTrace() const {
    std::vector<std::string> lines;
    std::istringstream text(ReadAll(comTrace_));
    for (std::string line; std::getline(text, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    return lines;
  }

  TempFolder root_{"copier"};
  Holders holders_{root_ / "holders.txt"};
  const std::string package_ = root_ / "package";
  // A dot in the folder's name: backups must still lie beside their files.
  const std::string install_ = root_ / "Kit.v2";
  const std::string comTrace_ = root_ / "com.txt";
  const ClassRegistration installation_{Installed("axgate.dll")};
  std::optional<CurrentFolder> current_;
};

TEST_F(CopierRun, WithoutArgumentsShowsOnlyTheUsage) {
  auto run = Launch("");
  Answer({L"Warning",
          BoxIcon::Warning,
          {IDOK},
          L"Использование: copier.exe -c=inifilename <Дополнительные, необязательные параметры>\r\n"
          L"-c=<Имя файла> - конфигурационный файл сценария работы.\r\n"
          L"Дополнительные, необязательные параметры: \r\n"
          L"-l=<Имя файла> - включает логирование в указанный файл.\r\n"
          L"-cw=<Имя файла> - сохраняет настройки по-умолчанию в указанный файл.\r\n"},
         IDOK);
  Finish(run);
}

TEST_F(CopierRun, DefaultsModeWritesTheBuiltInSettingsAndNothingElse) {
  PutDll(Installed("sigcore.dll"), {3, 1, 0, 5}, 0);
  PutDll(Package("sigcore.dll"), {3, 1, 0, 6}, 0);
  WriteScenario({"sigcore.dll"});
  const auto before = FolderState(install_);
  auto run = Launch("-cw=def.ini -c=update.ini -l=log.txt");
  Finish(run);

  EXPECT_EQ(FolderState(install_), before);
  EXPECT_FALSE(Exists(Package("log.txt")));
  const std::wstring defaults = Wide(Package("def.ini"));
  const auto value = [&](const wchar_t* section, const std::wstring& key) {
    wchar_t text[4096];
    const DWORD length =
        ::GetPrivateProfileStringW(section, key.c_str(), L"(none)", text, 4096, defaults.c_str());
    return std::wstring(text, length);
  };
  // Written as held before any scenario is read, although a scenario without the key means 1.
  EXPECT_EQ(value(L"COPIER", L"RemoveBackup"), L"0");
  EXPECT_EQ(value(L"COPIER", L"CLSID"), L"");
  EXPECT_EQ(value(L"COPIER", L"AXCLSID"), L"");
  EXPECT_EQ(value(L"COPIER", L"FILE1"), L"(none)");
  const auto texts = BuiltInTexts();
  ASSERT_EQ(texts.size(), 13u);
  for (const auto& [key, text] : texts)
    EXPECT_EQ(Utf8(value(L"Messages", Wide(key))), Utf8(text)) << key;
}

TEST_F(CopierRun, RefusalsTellWhyAndChangeNothing) {
  PutDll(Installed("sigcore.dll"), {3, 1, 0, 5}, 0);
  PutDll(Package("sigcore.dll"), {3, 1, 0, 6}, 0);
  const ClassRegistration gone(Installed("removed.dll"));
  const std::string known = "AXCLSID=" + installation_.ClassId() + "\r\n";
  const struct {
    std::string scenario;
    std::string arguments;
    std::wstring text;
  } cases[] = {
      {"", "-c=absent.ini",
       L"Не найден конфигурационный файл: \"" + Wide(Package("absent.ini")) +
           L"\".\r\nСообщите разработчикам."},
      // Only the built-in text can tell that AXCLSID is missing: [Messages] is read after it.
      {"[COPIER]\r\nFILE1=sigcore.dll\r\n[Messages]\r\nNOT_FOUND_PARAM=другой текст\r\n",
       "-c=update.ini", Format(Shown("NOT_FOUND_PARAM"), {L"AXCLSID"})},
      {"[COPIER]\r\nAXCLSID=" + NewClassId() + "\r\nFILE1=sigcore.dll\r\n", "-c=update.ini",
       Shown("NOT_FOUND_REGISTERED_ACIVEX")},
      {"[COPIER]\r\nAXCLSID=" + gone.ClassId() + "\r\nFILE1=sigcore.dll\r\n", "-c=update.ini",
       Shown("NOT_FOUND_REGISTERED_ACIVEX")},
      // A source missing when versions are compared, with a text of the scenario's own.
      {"[COPIER]\r\n" + known +
           "FILE1=sigcore.dll\r\nFILE2=missing.dll\r\n[Messages]\r\nNOT_FOUND_FILE=Нет "
           "файла\\n%s\r\n",
       "-c=update.ini", L"Нет файла\r\nmissing.dll"},
  };
  const auto before = FolderState(install_);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scenario);
    ::DeleteFileA(Package("update.ini").c_str());
    if (!c.scenario.empty()) WriteText(Package("update.ini"), c.scenario);
    auto run = Launch(c.arguments);
    Answer(ErrorBox(c.text), IDOK);
    Finish(run);
    EXPECT_EQ(FolderState(install_), before);
    EXPECT_TRUE(ComTrace().empty());
  }
}

TEST_F(CopierRun, NothingToCopyEndsSilentlyWithoutLookingForPrograms) {
  // The installed server stays, but is registered again.
  PutDll(Package("axgate.dll"), {3, 1, 0, 5}, 0);
  PutDll(Installed("sigcore.dll"), {3, 1, 0, 5}, 100);
  PutDll(Package("sigcore.dll"), {3, 1, 0, 5}, 0);
  // A newer installed provider keeps its signature file, however new the offered one is.
  PutDll(Installed("ccom.dll"), {3, 1, 0, 6}, 0);
  PutDll(Package("ccom.dll"), {3, 1, 0, 5}, 100);
  PutText(Installed("ccom.dll.sig"), "installed signature", 0);
  PutText(Package("ccom.dll.sig"), "offered signature", 100);
  WriteScenario({"axgate.dll", "sigcore.dll", "ccom.dll", "ccom.dll.sig"});
  // Were the processes checked, this browser would be named to the user.
  const DWORD browser = holders_.Start(root_ / "IExplorer.exe", {"load", Installed("sigcore.dll")});
  ASSERT_NE(browser, 0u);
  const auto before = FolderState(install_);

  auto run = Launch("-c=update.ini -l=log.txt");
  Finish(run);
  EXPECT_EQ(FolderState(install_), before);
  EXPECT_EQ(ComTrace(),
            std::vector<std::string>{"register " + Installed("axgate.dll") + " 3.1.0.5"});
  EXPECT_TRUE(IsRunning(browser));
  const auto log = Log();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "End Check files for need copy result: FALSE");
}

// The whole log of an update that nothing stands in the way of; "*" ends an entry whose tail
// is the system's own text.
TEST_F(CopierRun, UpdateWithoutHoldersIsSilentAndKeepsEveryBackupApart) {
  PutDll(Package("axgate.dll"), {3, 1, 0, 6}, 0);
  PutDll(Installed("sigcore.dll"), {3, 1, 0, 5}, 0);
  PutDll(Package("sigcore.dll"), {3, 1, 0, 6}, 0);
  PutText(Installed("sigcore.ini"), "installed settings", 0);
  PutText(Package("sigcore.ini"), "offered settings", 0);
  PutText(Package("readme.txt"), "a file new to the installation", 0);
  PutText(Installed("license"), "installed license", 0);
  PutText(Package("license"), "offered license", 0);
  // A backup left by an earlier update gives way to the new one.
  PutText(Installed("axgate.bak"), "an older backup", 0);
  WriteScenario({"axgate.dll", "sigcore.dll", "sigcore.ini", "readme.txt", "license"});
  std::map<std::string, std::string> offered, installed;
  for (const char* name : {"axgate.dll", "sigcore.dll", "sigcore.ini", "readme.txt", "license"}) {
    offered[name] = ReadAll(Package(name));
    installed[name] = ReadAll(Installed(name));
  }

  auto run = Launch("-c=update.ini -l=log.txt");
  Finish(run);

  for (const auto& [name, bytes] : offered) {
    EXPECT_EQ(ReadAll(Installed(name)), bytes) << name;
    EXPECT_FALSE(Exists(Package(name))) << name << ": the downloaded file stays";
  }
  EXPECT_EQ(ReadAll(Installed("axgate.bak")), installed["axgate.dll"]);
  EXPECT_EQ(ReadAll(Installed("sigcore.dll.bak")), installed["sigcore.dll"]);
  EXPECT_EQ(ReadAll(Installed("sigcore.ini.bak")), installed["sigcore.ini"]);
  EXPECT_FALSE(Exists(Installed("sigcore.bak")));
  // The dot of "Kit.v2" is no extension of "license".
  EXPECT_EQ(ReadAll(Installed("license.bak")), installed["license"]);
  EXPECT_FALSE(Exists(root_ / "Kit.bak"));
  EXPECT_EQ(ComTrace(),
            (std::vector<std::string>{"unregister " + Installed("axgate.dll") + " 3.1.0.5",
                                      "register " + Installed("axgate.dll") + " 3.1.0.6"}));

  const std::string dir = install_ + "\\";
  char system[MAX_PATH];
  const std::string regsvr32 =
      std::string(system, ::GetSystemDirectoryA(system, MAX_PATH)) + "\\regsvr32.exe";
  std::vector<std::string> expected = {
      "Start GetDestDir",
      "Get from AXCLSID=" + installation_.ClassId() + " Result=\"" + dir + "axgate.dll\"",
      "End GetDestDir: " + dir,
      "Dest dir: " + dir,
      "Check files for need copy (version source > version dest)",
      "Check files: source: \"license\" dest: \"" + dir + "license\"",
      "Check files: source: \"readme.txt\" dest: \"" + dir + "readme.txt\"",
      "Check files: source: \"sigcore.ini\" dest: \"" + dir + "sigcore.ini\"",
      "Check files: source: \"sigcore.dll\" dest: \"" + dir + "sigcore.dll\"",
      "Verision SrcFile: \"sigcore.dll\" : 3.1.0.6.",
      "Verision DstFile: \"" + dir + "sigcore.dll\" : 3.1.0.5.",
      "Check files: source: \"axgate.dll\" dest: \"" + dir + "axgate.dll\"",
      "Verision SrcFile: \"axgate.dll\" : 3.1.0.6.",
      "Verision DstFile: \"" + dir + "axgate.dll\" : 3.1.0.5.",
      "End Check files for need copy result: TRUE",
      "Start CheckProcesses",
      "Result ProcessSearcher.SearchProcesses: *",
      "End CheckProcesses Result: TRUE",
      "Start cycle number 1",
      "Start Restore",
      "End Restore",
      "Work with: axgate.dll",
      "Dest modul name: " + dir + "axgate.dll",
      "Start UnRegisterOCX: " + dir + "axgate.dll",
      "Start RunModul CmdLine: " + regsvr32 + " \"" + dir + "axgate.dll\" /u /s",
      "End CreateProcess RetCode: 0",
      "End RunModul Result: TRUE",
      "End UnRegisterOCX: TRUE",
      "Create backup: " + dir + "axgate.bak",
      "Start copy: axgate.dll -> " + dir + "axgate.dll",
      "Copy TRUE",
      "Start RegisterOCX: " + dir + "axgate.dll",
      "Start RunModul CmdLine: " + regsvr32 + " \"" + dir + "axgate.dll\" /s",
      "End CreateProcess RetCode: 0",
      "End RunModul Result: TRUE",
      "End RegisterOCX: TRUE",
      "Work with: sigcore.dll",
      "Dest modul name: " + dir + "sigcore.dll",
      "Create backup: " + dir + "sigcore.dll.bak",
      "Start copy: sigcore.dll -> " + dir + "sigcore.dll",
      "Copy TRUE",
      "Work with: sigcore.ini",
      "Dest modul name: " + dir + "sigcore.ini",
      "Create backup: " + dir + "sigcore.ini.bak",
      "Start copy: sigcore.ini -> " + dir + "sigcore.ini",
      "Copy TRUE",
      "Work with: readme.txt",
      "Dest modul name: " + dir + "readme.txt",
      "Start copy: readme.txt -> " + dir + "readme.txt",
      "Copy TRUE",
      "Work with: license",
      "Dest modul name: " + dir + "license",
      "Create backup: " + dir + "license.bak",
      "Start copy: license -> " + dir + "license",
      "Copy TRUE",
      "Delete file: axgate.dll",
      "Delete file: sigcore.dll",
      "Delete file: sigcore.ini",
      "Delete file: readme.txt",
      "Delete file: license",
  };
  const auto log = Log();
  ASSERT_EQ(log.size(), expected.size()) << ::testing::PrintToString(log);
  for (size_t i = 0; i < log.size(); ++i) {
    const std::string& want = expected[i];
    if (want.back() == '*')
      EXPECT_EQ(log[i].substr(0, want.size() - 1), want.substr(0, want.size() - 1)) << i;
    else
      EXPECT_EQ(log[i], want) << i;
  }
}

TEST_F(CopierRun, ScenarioFilesEndAtTheFirstGapAndRemoveBackupTwoIsOff) {
  for (const char* name : {"a.dll", "b.dll", "d.dll"}) PutDll(Package(name), {3, 1, 0, 6}, 0);
  WriteScenario({}, "FILE1=a.dll\r\nFILE2=b.dll\r\nFILE4=d.dll\r\nRemoveBackup=2\r\n");
  auto run = Launch("-C=update.ini");
  Finish(run);
  EXPECT_EQ(ReadAll(Installed("a.dll")), ReadAll(Package("a.dll")));
  EXPECT_EQ(ReadAll(Installed("b.dll")), ReadAll(Package("b.dll")));
  EXPECT_FALSE(Exists(Installed("d.dll")));
  for (const char* name : {"a.dll", "b.dll", "d.dll"}) EXPECT_TRUE(Exists(Package(name))) << name;
}

// Two browser windows and the agent hold installed files. The user unloads the agent by hand
// and presses OK; the updater ends the browsers, updates, tells of the success and starts the
// agent again.
TEST_F(CopierRun, ProgramsAreAskedToCloseThenEndedAndTheAgentStartedAgain) {
  PutDll(Package("axgate.dll"), {3, 1, 0, 6}, 0);
  PutDll(Installed("sigcore.dll"), {3, 1, 0, 5}, 0);
  PutDll(Package("sigcore.dll"), {3, 1, 0, 6}, 0);
  WriteScenario({"axgate.dll", "sigcore.dll"});
  const std::string offered = ReadAll(Package("sigcore.dll"));
  const std::string agentProgram = root_ / "qtunnel.exe";
  const DWORD browser1 =
      holders_.Start(root_ / "IExplorer.exe", {"load", Installed("sigcore.dll")});
  const DWORD browser2 =
      holders_.Start(root_ / "IExplorer.exe", {"load", Installed("sigcore.dll")});
  const DWORD agent = holders_.Start(agentProgram, {"load", Installed("axgate.dll")});
  ASSERT_TRUE(browser1 && browser2 && agent);

  auto run = Launch("-c=update.ini -l=log.txt");
  HWND box = wintest::WaitForWindow(L"#32770", L"Внимание", 30s);
  ASSERT_NE(box, nullptr);
  // The programs are named in the order the system listed them, which the log has by now.
  const auto log = Log();
  const auto found = std::find_if(log.begin(), log.end(), [](const std::string& e) {
    return e.rfind("Found processes: ", 0) == 0;
  });
  ASSERT_NE(found, log.end());
  EXPECT_EQ(std::count(found->begin(), found->end(), '\n'), 2) << *found;
  const bool browserFirst = found->find("IExplorer.exe") < found->find("qtunnel.exe");
  std::wstring browser = Shown("IEXPLORER_NAME") + L"\r\n",
               agentName = Shown("DEFENDER_CLIENT_NAME") + L"\r\n";
  std::wstring closeBrowser = Shown("IEXPLORER_CLOSE") + L"\r\n",
               closeAgent = Shown("DEFENDER_CLIENT_CLOSE") + L"\r\n";
  const std::wstring request =
      browserFirst
          ? Format(Shown("SHARING_ERROR"),
                   {browser + agentName, L"1. " + closeBrowser + L"2. " + closeAgent + L"3"})
          : Format(Shown("SHARING_ERROR"),
                   {agentName + browser, L"1. " + closeAgent + L"2. " + closeBrowser + L"3"});
  Check(box, SharingBox(request));
  wintest::SaveScreenshot("copier_request_to_close_programs");
  End(agent);
  ASSERT_TRUE(wintest::PressButton(box, IDOK));

  Answer({L"Information", BoxIcon::Information, {IDOK}, Shown("ALL_OK")}, IDOK);
  Finish(run);
  EXPECT_EQ(ReadAll(Installed("sigcore.dll")), offered);
  EXPECT_FALSE(IsRunning(browser1));
  EXPECT_FALSE(IsRunning(browser2));
  const auto started = holders_.Started();
  ASSERT_EQ(started.size(), 4u) << "the agent was not started again";
  EXPECT_TRUE(IsRunning(started.back()));
  const auto after = Log();
  EXPECT_NE(std::find(after.begin(), after.end(), "Autostart modul: " + agentProgram), after.end());
  const auto terminated = std::find_if(after.begin(), after.end(), [](const std::string& e) {
    return e.rfind("Terminate processes: ", 0) == 0;
  });
  ASSERT_NE(terminated, after.end());
  EXPECT_EQ(std::count(terminated->begin(), terminated->end(), '\n'), 1)
      << "only the two browsers: " << *terminated;
}

TEST_F(CopierRun, CancelOnTheRequestToCloseProgramsChangesNothing) {
  PutDll(Installed("sigcore.dll"), {3, 1, 0, 5}, 0);
  PutDll(Package("sigcore.dll"), {3, 1, 0, 6}, 0);
  WriteScenario({"sigcore.dll"});
  const DWORD other = holders_.Start(root_ / "other.exe", {"load", Installed("sigcore.dll")});
  ASSERT_NE(other, 0u);
  const auto before = FolderState(install_);
  auto run = Launch("-c=update.ini");
  Answer(SharingBox(OtherProgramRequest(L"other.exe")), IDCANCEL);
  Finish(run);
  EXPECT_TRUE(IsRunning(other));
  EXPECT_EQ(FolderState(install_), before);
  EXPECT_TRUE(Exists(Package("sigcore.dll")));
}

// An update of two files, the second held open by another program: without any sharing
// ("lock"), or shared for reading and writing but not for deleting ("open"), so that it cannot
// be moved to its backup.
class LockedUpdate : public CopierRun, public ::testing::WithParamInterface<const char*> {
 protected:
  LockedUpdate() {
    for (const char* name : {"sigcore.dll", "orvavk.dll"}) {
      PutDll(Installed(name), {3, 1, 0, 5}, 0);
      PutDll(Package(name), {3, 1, 0, 6}, 0);
      offered_[name] = ReadAll(Package(name));
    }
    WriteScenario({"sigcore.dll", "orvavk.dll"});
    before_ = FolderState(install_);
    locker_ = holders_.Start(root_ / "locker.exe", {GetParam(), Installed("orvavk.dll")});
  }

  const std::string& Original(const std::string& name) const {
    return std::find_if(before_.begin(), before_.end(),
                        [&](const FileState& f) { return f.name == name; })
        ->bytes;
  }

  std::vector<FileState> before_;
  std::map<std::string, std::string> offered_;
  DWORD locker_ = 0;
};

TEST_P(LockedUpdate, SecondAttemptSucceedsOnceTheFileIsLetGo) {
  ASSERT_NE(locker_, 0u);
  auto run = Launch("-c=update.ini -l=log.txt");
  Answer(CopyErrorBox(), IDOK, [&] { End(locker_); });
  Finish(run);
  for (const auto& [name, bytes] : offered_) EXPECT_EQ(ReadAll(Installed(name)), bytes) << name;
  // The backups hold the files as installed before the run, not those of the first attempt.
  EXPECT_EQ(ReadAll(Installed("sigcore.bak")), Original("sigcore.dll"));
  EXPECT_EQ(ReadAll(Installed("orvavk.bak")), Original("orvavk.dll"));
  const auto log = Log();
  EXPECT_NE(std::find(log.begin(), log.end(), "Start cycle number 2"), log.end());
}

TEST_P(LockedUpdate, CancelAfterTheFirstAttemptPutsEverythingBack) {
  ASSERT_NE(locker_, 0u);
  auto run = Launch("-c=update.ini");
  Answer(CopyErrorBox(), IDCANCEL);
  Answer(ErrorBox(Shown("ERROR_INSTALL")), IDOK);
  Finish(run);
  End(locker_);
  EXPECT_EQ(FolderState(install_), before_);
}

// While the user reads the first failure, another program takes hold of the file the first
// attempt installed, so it cannot be put back. Its backup is the only copy of the installed
// file, and no later step may give it up.
TEST_P(LockedUpdate, ABackupOutlivesEveryFailureToPutItBack) {
  ASSERT_NE(locker_, 0u);
  auto run = Launch("-c=update.ini");
  DWORD grabber = 0;
  Answer(CopyErrorBox(), IDOK, [&] {
    grabber = holders_.Start(root_ / "grabber.exe", {"lock", Installed("sigcore.dll")});
  });
  Answer(ErrorBox(Shown("ERROR_INSTALL")), IDOK);
  Finish(run);
  ASSERT_NE(grabber, 0u);
  End(grabber);
  End(locker_);
  EXPECT_EQ(ReadAll(Installed("sigcore.bak")), Original("sigcore.dll"));
  EXPECT_EQ(ReadAll(Installed("orvavk.dll")), Original("orvavk.dll"));
}

INSTANTIATE_TEST_SUITE_P(Holds, LockedUpdate, ::testing::Values("lock", "open"));

TEST_F(CopierRun, SourceMissingDuringTheUpdatePutsEverythingBackWithoutFurtherWords) {
  for (const char* name : {"sigcore.dll", "orvavk.dll", "ccomio.dll"}) {
    PutDll(Installed(name), {3, 1, 0, 5}, 0);
    PutDll(Package(name), {3, 1, 0, 6}, 0);
  }
  WriteScenario({"sigcore.dll", "orvavk.dll", "ccomio.dll"});
  const DWORD other = holders_.Start(root_ / "other.exe", {"load", Installed("sigcore.dll")});
  ASSERT_NE(other, 0u);
  const auto before = FolderState(install_);
  auto run = Launch("-c=update.ini");
  Answer(SharingBox(OtherProgramRequest(L"other.exe")), IDOK,
         [&] { ::DeleteFileA(Package("ccomio.dll").c_str()); });
  Answer(ErrorBox(Format(Shown("NOT_FOUND_FILE"), {L"ccomio.dll"})), IDOK);
  Finish(run);
  EXPECT_FALSE(IsRunning(other));
  EXPECT_EQ(FolderState(install_), before);
}

// Five files, the copy failing at each in turn in both attempts: every time the installation
// ends as it was, byte for byte and time for time, with its ActiveX server registered.
TEST_F(CopierRun, EveryFailedUpdateIsRolledBackWhereverItFails) {
  const std::vector<std::string> files = {"axgate.dll", "sigcore.dll", "sigcore.ini", "ccom.dll",
                                          "readme.txt"};
  for (const auto& failing : files) {
    SCOPED_TRACE("failing at " + failing);
    std::filesystem::remove_all(install_);
    std::filesystem::create_directories(install_);
    ::DeleteFileA(comTrace_.c_str());
    PutDll(Installed("axgate.dll"), {3, 1, 0, 5}, 0);
    PutDll(Installed("sigcore.dll"), {3, 1, 0, 5}, 0);
    PutText(Installed("sigcore.ini"), "installed settings", 0);
    PutDll(Installed("ccom.dll"), {3, 1, 0, 5}, 0);
    PutDll(Package("axgate.dll"), {3, 1, 0, 6}, 0);
    PutDll(Package("sigcore.dll"), {3, 1, 0, 6}, 0);
    PutText(Package("sigcore.ini"), "offered settings", 10);
    PutDll(Package("ccom.dll"), {3, 1, 0, 5}, 10);
    PutText(Package("readme.txt"), "a file new to the installation", 10);
    WriteScenario(files);
    // Its source held open without sharing, the file cannot be copied.
    const DWORD locker = holders_.Start(root_ / "locker.exe", {"lock", Package(failing)});
    ASSERT_NE(locker, 0u);
    const auto before = FolderState(install_);

    auto run = Launch("-c=update.ini");
    Answer(CopyErrorBox(), IDOK);
    Answer(ErrorBox(Shown("ERROR_INSTALL")), IDOK);
    Finish(run);
    End(locker);
    EXPECT_EQ(FolderState(install_), before);
    const auto trace = ComTrace();
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.back(), "register " + Installed("axgate.dll") + " 3.1.0.5");
  }
}

}  // namespace
