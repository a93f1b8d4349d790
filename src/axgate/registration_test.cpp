// The server registered and used the way an installation and a bank page use it: the
// system's regsvr32 writes and removes the entries, cscript runs the script clients.
#include <gtest/gtest.h>

#include "axgate_testing.h"

namespace axgate_test {
namespace {

// Written out here, not taken from the IDL, so that a changed identifier fails the test.
const std::wstring kClassKey = L"CLSID\\{5C0E2B17-8A41-4D6F-9E23-B7A1C4D90F62}";
const std::wstring kProgIdKey = L"axgate.XLoader";
const std::wstring kTypeLibKey = L"TypeLib\\{8B47E1C6-5D29-4A3F-B610-0C9E7D2A54B8}";
const std::wstring kInterfaceKey = L"Interface\\{3F9D6A52-1C7E-4B08-A5D4-62E8B0F7C913}";
const std::wstring kTypeLibPath =
    kTypeLibKey + (sizeof(void*) == 8 ? L"\\1.0\\409\\win64" : L"\\1.0\\409\\win32");

// Every value of the class and ProgID keys: nothing missing, nothing more.
RegistryValues ExpectedClassEntries(const std::wstring& inprocServer) {
  return {
      {{kClassKey, L""}, L"axgate_x"},
      {{kClassKey + L"\\InprocServer32", L""}, inprocServer},
      {{kClassKey + L"\\InprocServer32", L"ThreadingModel"}, L"Apartment"},
      {{kClassKey + L"\\ProgID", L""}, L"axgate.XLoader"},
      {{kProgIdKey, L""}, L"axgate_x"},
      {{kProgIdKey + L"\\Clsid", L""}, L"{5C0E2B17-8A41-4D6F-9E23-B7A1C4D90F62}"},
  };
}

RegistryValues ClassEntries() {
  RegistryValues entries = ReadClassesTree(kClassKey);
  entries.merge(ReadClassesTree(kProgIdKey));
  return entries;
}

TEST(Registration, Regsvr32WritesOneSetOfEntriesAndRemovesThemAll) {
  const std::wstring server = BuiltServer();
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE("registration " + std::to_string(round));
    ASSERT_EQ(Regsvr32(server, false), 0u);
    EXPECT_EQ(ClassEntries(), ExpectedClassEntries(server));
    const RegistryValues typeLib = ReadClassesTree(kTypeLibKey);
    EXPECT_EQ(typeLib.at({kTypeLibKey + L"\\1.0", L""}), L"axgate_x");
    EXPECT_EQ(typeLib.at({kTypeLibPath, L""}), server);
    EXPECT_EQ(ReadClassesTree(kInterfaceKey).at({kInterfaceKey + L"\\TypeLib", L""}),
              L"{8B47E1C6-5D29-4A3F-B610-0C9E7D2A54B8}");
  }
  // Unregistering what is already gone is no failure.
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE("unregistration " + std::to_string(round));
    EXPECT_EQ(Regsvr32(server, true), 0u);
    for (const auto& key : {kClassKey, kProgIdKey, kTypeLibKey, kInterfaceKey})
      EXPECT_FALSE(ClassesKeyExists(key)) << Narrow(key);
  }
  const auto client = RunScriptClient("detect.js");
  EXPECT_EQ(client.exitCode, 1u);
  EXPECT_EQ(Lines(client.output), std::vector<std::string>{"not installed"});
}

// A page reads where the registered file lies; writing "Version" changes nothing.
class ScriptClient : public ::testing::TestWithParam<const char*> {};

TEST_P(ScriptClient, ReadsTheRegisteredServersPath) {
  ScopedRegistration registration(BuiltServer());
  ASSERT_TRUE(registration.Succeeded());
  const auto client = RunScriptClient(GetParam());
  ASSERT_TRUE(client.finished);
  EXPECT_EQ(client.exitCode, 0u) << client.output;
  const std::string path = Narrow(BuiltServer());
  EXPECT_EQ(Lines(client.output),
            (std::vector<std::string>{"installed at " + path, "after a write " + path}));
}

INSTANTIATE_TEST_SUITE_P(Languages, ScriptClient, ::testing::Values("detect.js", "detect.vbs"));

TEST(Registration, AServerInAFolderWithASpaceIsRegisteredByItsShortPath) {
  ScratchFolder folder(L"axgate folder ");
  const std::wstring server = folder.CopyOfServer();
  ScopedRegistration registration(server);
  ASSERT_TRUE(registration.Succeeded());

  const std::wstring inprocServer =
      ReadClassesTree(kClassKey).at({kClassKey + L"\\InprocServer32", L""});
  EXPECT_EQ(inprocServer.find(L' '), std::wstring::npos) << Narrow(inprocServer);
  EXPECT_EQ(LongPath(inprocServer), server);
  EXPECT_EQ(ClassEntries(), ExpectedClassEntries(inprocServer));
  EXPECT_EQ(ReadClassesTree(kTypeLibKey).at({kTypeLibPath, L""}), server);

  // COM loads the server by the short path; the path it reports names the same file.
  const auto client = RunScriptClient("detect.js");
  EXPECT_EQ(client.exitCode, 0u) << client.output;
  const auto lines = Lines(client.output);
  ASSERT_EQ(lines.size(), 2u) << client.output;
  const std::string prefix = "installed at ";
  ASSERT_EQ(lines[0].rfind(prefix, 0), 0u) << lines[0];
  EXPECT_EQ(LongPath(Widen(lines[0].substr(prefix.size()))), server);
}

}  // namespace
}  // namespace axgate_test
