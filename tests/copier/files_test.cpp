// The version rules and the process search of the updater, on real files and processes.
#include <gtest/gtest.h>

#include <map>

#include "cfgunit.h"
#include "copier.h"
#include "fixtures.h"
#include "pathtext.h"
#include "prssrch.h"
#include "textutil.h"

namespace {

using namespace copiertest;

// A file on one side of an update: a DLL of a version, a file without a version resource,
// or none at all; with its last-write time in seconds.
struct Side {
  enum Kind { Dll, Text, Missing } kind;
  kit::FileVersion version;
  int seconds;
};
Side Dll(uint16_t major, uint16_t minor, uint16_t release, uint16_t build, int seconds) {
  return {Side::Dll, {major, minor, release, build}, seconds};
}
Side Text(int seconds) { return {Side::Text, {}, seconds}; }
Side None() { return {Side::Missing, {}, 0}; }

void Put(const std::string& path, const Side& side) {
  if (side.kind == Side::Dll) PutDll(path, side.version, side.seconds);
  if (side.kind == Side::Text) PutText(path, "text of " + path, side.seconds);
}

// Each case offers one file beside "ccom.dll.sig", which has no version and so is always
// copied, unless the installed provider library is kept: then its signature stays too.
TEST(UpdateRules, WhichOfferedFilesAreCopied) {
  const struct {
    const char* name;
    Side offered;
    Side installed;
    bool copied;
    bool signatureCopied;
  } cases[] = {
      {"sigcore.dll", Dll(3, 1, 0, 6, 0), Dll(3, 1, 0, 5, 600), true, true},
      {"sigcore.dll", Dll(3, 1, 0, 5, 10), Dll(3, 1, 0, 5, 0), true, true},
      {"sigcore.dll", Dll(3, 1, 0, 5, 0), Dll(3, 1, 0, 5, 0), false, true},
      {"sigcore.dll", Dll(3, 1, 0, 5, 0), Dll(3, 1, 0, 5, 10), false, true},
      // One DOS time step is two seconds: a second later is no later.
      {"sigcore.dll", Dll(3, 1, 0, 5, 1), Dll(3, 1, 0, 5, 0), false, true},
      {"sigcore.dll", Dll(3, 1, 0, 5, 2), Dll(3, 1, 0, 5, 0), true, true},
      // An older version with a later date is copied: dates decide for every file but one.
      {"sigcore.dll", Dll(3, 1, 0, 4, 10), Dll(3, 1, 0, 5, 0), true, true},
      {"orvavk.dll", Dll(3, 2, 0, 0, 0), Dll(3, 1, 9, 9, 10), true, true},
      {"orvavk.dll", Dll(3, 1, 9, 9, 0), Dll(3, 2, 0, 0, 0), false, true},
      {"orvavk.dll", Dll(4, 0, 0, 0, 0), Dll(3, 65535, 65535, 65535, 10), true, true},
      {"new.dll", Dll(1, 0, 0, 0, 0), None(), true, true},
      {"sigcore.ini", Text(0), Text(10), true, true},
      {"sigcore.dll", Dll(3, 1, 0, 5, 0), Text(10), true, true},
      // The provider library is replaced by an equal or newer version only, whatever the
      // dates; when the installed one is kept, its signature file stays too.
      {"ccom.dll", Dll(3, 1, 0, 5, 0), Dll(3, 1, 0, 5, 10), true, true},
      {"ccom.dll", Dll(3, 1, 0, 6, 0), Dll(3, 1, 0, 5, 10), true, true},
      {"ccom.dll", Dll(3, 1, 0, 4, 10), Dll(3, 1, 0, 5, 0), false, false},
      {"CCOM.DLL", Dll(3, 0, 0, 0, 10), Dll(3, 1, 0, 5, 0), false, false},
  };
  TempFolder folder("rules");
  int number = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + ", case " + std::to_string(number));
    const std::string package = folder / ("package" + std::to_string(number));
    const std::string install = folder / ("install" + std::to_string(number++));
    ::CreateDirectoryA(package.c_str(), nullptr);
    ::CreateDirectoryA(install.c_str(), nullptr);
    Put(package + "\\" + c.name, c.offered);
    Put(install + "\\" + c.name, c.installed);
    Put(package + "\\ccom.dll.sig", Text(20));
    Put(install + "\\ccom.dll.sig", Text(0));

    CurrentFolder current(package);
    copier::TConfigurator config;
    copier::TProcessSearcher searcher;
    config.destinationDirectory = install + "\\";
    config.files = {c.name, "ccom.dll.sig"};
    const bool anything = copier::TCopier(config, searcher).CheckFilesNeedCopy();

    std::vector<std::string> expected;
    if (c.copied) expected.push_back(c.name);
    if (c.signatureCopied) expected.push_back("ccom.dll.sig");
    EXPECT_EQ(config.files, expected);
    EXPECT_EQ(anything, !expected.empty());
  }
}

struct Walk {
  DWORD platformId;
  bool shortPaths;  // and full program paths in the found list
};

class ProcessSearch : public ::testing::TestWithParam<Walk> {};

// Holders: one program run twice loading one searched module, another loading two searched
// modules, and a third that is itself a searched file but loads nothing searched.
TEST_P(ProcessSearch, FindsEachHolderOnceAndNoProgramForBeingSearchedItself) {
  const Walk walk = GetParam();
  TempFolder folder("search");
  Holders holders(folder / "holders.txt");
  // Names of their own: other tests may hold modules at the same time.
  const std::string tag = std::to_string(::GetCurrentProcessId());
  const std::string first = folder / ("first_" + tag + ".dll");
  const std::string second = folder / ("second_" + tag + ".dll");
  const std::string other = folder / ("other_" + tag + ".dll");
  for (const auto& dll : {first, second, other}) WriteDll(dll, {3, 1, 0, 5}, dll);
  const std::string twice = folder / ("Twice_" + tag + ".exe");
  const std::string both = folder / ("both_" + tag + ".exe");
  const std::string itself = folder / ("itself_" + tag + ".exe");

  const DWORD one = holders.Start(twice, {"load", first});
  const DWORD two = holders.Start(twice, {"load", first});
  const DWORD three = holders.Start(both, {"load", first, "load", second});
  const DWORD four = holders.Start(itself, {"load", other});
  ASSERT_TRUE(one && two && three && four);

  copier::TProcessSearcher searcher;
  searcher.platformId = walk.platformId;
  searcher.MatchShortPaths = walk.shortPaths;
  searcher.FullPathNames = walk.shortPaths;
  const auto key = [&](const std::string& path) {
    return copier::UpperAscii(walk.shortPaths ? copier::ShortPathName(path)
                                              : copier::FileNamePart(path));
  };
  searcher.SearchList = {key(first), key(second), key(itself)};
  searcher.SearchProcesses();

  std::map<DWORD, std::string> found;
  for (const auto& process : searcher.FoundList) {
    EXPECT_TRUE(found.emplace(process.processId, process.name).second)
        << "found twice: " << process.name;
  }
  ASSERT_EQ(found.size(), 3u);
  const std::map<DWORD, std::string> programs = {{one, twice}, {two, twice}, {three, both}};
  for (const auto& [id, program] : programs) {
    ASSERT_EQ(found.count(id), 1u) << program;
    // The tool-help walk names a program as the system's snapshot does, which on systems of
    // the NT family is its file name alone.
    const bool fullPath = walk.shortPaths && walk.platformId == 2;
    EXPECT_TRUE(
        kit::EqualsIgnoreAsciiCase(found[id], fullPath ? program : copier::FileNamePart(program)))
        << found[id];
  }

  searcher.platformId = 3;
  searcher.SearchProcesses();
  EXPECT_TRUE(searcher.FoundList.empty()) << "a platform of neither family has no walk";

  searcher.platformId = walk.platformId;
  searcher.SearchProcesses();
  EXPECT_TRUE(searcher.TerminateProcesses());
  for (DWORD id : {one, two, three}) EXPECT_FALSE(IsRunning(id));
  EXPECT_TRUE(IsRunning(four));
  searcher.SearchProcesses();
  EXPECT_TRUE(searcher.FoundList.empty());
  EXPECT_TRUE(searcher.TerminateProcesses());
}

INSTANTIATE_TEST_SUITE_P(Walks, ProcessSearch,
                         ::testing::Values(Walk{2, true}, Walk{2, false}, Walk{1, true},
                                           Walk{1, false}),
                         [](const ::testing::TestParamInfo<Walk>& info) {
                           return std::string(info.param.platformId == 1 ? "ToolHelp"
                                                                         : "ProcessStatus") +
                                  (info.param.shortPaths ? "ShortPaths" : "FileNames");
                         });

}  // namespace
