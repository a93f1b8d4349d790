// The simulated tokens through ccom.dll and ccomtoken.exe: PINs right, wrong, missing and
// locked, logins and logouts, the layout the kit writes, paths that try to leave the token,
// the fault-injection switches, and ccomio.dll present or absent.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "testing/provider_host.h"

namespace ccom_test {
namespace {

namespace fs = std::filesystem;

class Tokens : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(host_.Token("create ETOKEN3 --pin 1234 --tries 3").exitCode, 0u);
  }
  // Writes a 4-byte object; the provider's result.
  int Write(const std::string& path) {
    return host_.Api().CADB_write_file(path.c_str(), "data", 4);
  }
  std::string Slot(const std::string& name) const { return host_.TokenRoot() + "\\" + name; }
  ProviderHost host_;
};

TEST_F(Tokens, PinRightWrongMissingAndLocked) {
  const std::string object = "ETOKEN3:/1A2F/AAAA";
  EXPECT_EQ(Write(object), -1);
  EXPECT_EQ(host_.LastCode(), 86) << "no callback registered";
  host_.Api().SetTokenPasswdCallback(&ScriptedPin);

  const struct {
    const char* pin;
    int result;
    int code;
    const char* text;
  } attempts[] = {
      {"", -1, 22, "no PIN was entered"},
      {"4321", -1, 85, "2 tries left"},
      {"1234", 4, 0, ""},  // a right PIN gives all the tries back
      {"0000", -1, 85, "2 tries left"},
      {"0000", -1, 85, "1 tries left"},
      {"0000", -1, 85, "now locked"},
      {"1234", -1, 28, "locked"},
  };
  for (const auto& attempt : attempts) {
    SCOPED_TRACE(attempt.pin);
    host_.Api().CADB_token_logout("ETOKEN3:\\");
    Pins() = {{attempt.pin}, {}};
    EXPECT_EQ(Write(object), attempt.result);
    if (attempt.code == 0) continue;
    const std::string error = host_.LastError();
    EXPECT_EQ(host_.LastCode(), attempt.code) << error;
    EXPECT_NE(error.find(attempt.text), std::string::npos) << error;
    EXPECT_NE(error.find(object), std::string::npos) << error;
  }
  // A locked token is not even asked.
  EXPECT_TRUE(Pins().asked.empty());
  const auto list = host_.Token("list");
  EXPECT_NE(list.output.find("ETOKEN3  serial"), std::string::npos) << list.output;
  EXPECT_NE(list.output.find("locked (0 of 3"), std::string::npos) << list.output;

  ASSERT_EQ(host_.Token("unlock ETOKEN3 --new-pin 5678").exitCode, 0u);
  Pins() = {{"5678"}, {}};
  EXPECT_EQ(Write(object), 4) << host_.LastError();
}

TEST_F(Tokens, OneLoginPerSlotUntilLogout) {
  host_.Api().SetTokenPasswdCallback(&ScriptedPin);
  ASSERT_EQ(host_.Token("create RUTOKEN0 --pin 9999").exitCode, 0u);
  Pins().answers = {"1234"};
  EXPECT_EQ(Write("ETOKEN3:/1A2F/EEEE/0001"), 4);
  EXPECT_EQ(Write("ETOKEN3:/1A2F/EEEE/0002"), 4);
  char buffer[16];
  EXPECT_EQ(host_.Api().CADB_read_file("etoken3:\\1A2F\\EEEE\\0001", buffer, sizeof buffer), 4);
  ASSERT_EQ(Pins().asked, std::vector<std::string>{"ETOKEN3:/1A2F/EEEE/0001"});

  // Existence and access checks never ask, not even on a slot not logged in.
  EXPECT_EQ(host_.Api().CADB_access("RUTOKEN0:/", 4), 1);
  EXPECT_EQ(host_.Api().CADB_file_exists("RUTOKEN0:/1A2F/AAAA"), 0);
  EXPECT_EQ(host_.Api().CADB_is_dir("ETOKEN3:/1A2F/EEEE/"), 1);
  EXPECT_EQ(Pins().asked.size(), 1u);

  // Logging out of another slot changes nothing; of this one, asks again.
  EXPECT_EQ(host_.Api().CADB_token_logout("RUTOKEN0:\\"), 1);
  EXPECT_EQ(Write("ETOKEN3:/1A2F/AAAA"), 4);
  EXPECT_EQ(Pins().asked.size(), 1u);
  EXPECT_EQ(host_.Api().CADB_token_logout("ETOKEN3"), 1);
  EXPECT_EQ(Write("ETOKEN3:/1A2F/AAAA"), 4);
  EXPECT_EQ(Pins().asked.size(), 2u);
  // A token put anew into the slot asks again, though the slot was logged in.
  ASSERT_EQ(host_.Token("remove ETOKEN3").exitCode, 0u);
  ASSERT_EQ(host_.Token("create ETOKEN3 --pin 1234").exitCode, 0u);
  EXPECT_EQ(Write("ETOKEN3:/1A2F/AAAA"), 4);
  EXPECT_EQ(Pins().asked.size(), 3u);

  char id[16];
  int length = sizeof id;
  EXPECT_EQ(host_.Api().CADB_token_get_id("ETOKEN3:\\", id, &length), 1);
  EXPECT_EQ(length, 8);
  EXPECT_EQ(host_.Token("list").output.find(std::string("serial ") + id) != std::string::npos,
            true);
}

// The layout the kit writes, slots found by scanning, and paths that try to leave the token.
TEST_F(Tokens, ObjectsStayInsideTheirToken) {
  host_.Api().SetTokenPasswdCallback(&ScriptedPin);
  Pins().answers = {"1234"};
  // Without a slot the path names the first slot holding a token: slot 3.
  EXPECT_EQ(Write("ETOKEN:/1A2F/DDDD/0002"), 4) << host_.LastError();
  EXPECT_TRUE(fs::is_regular_file(Slot("ETOKEN3") + "\\1A2F\\DDDD\\0002"));
  for (int slot = 0; slot < 10; ++slot) {
    const std::string path = "ETOKEN" + std::to_string(slot) + ":/1A2F";
    EXPECT_EQ(host_.Api().CADB_access(path.c_str(), 4), slot == 3 ? 1 : 0) << path;
  }
  EXPECT_EQ(Write("RUTOKEN:/1A2F"), -1);
  EXPECT_EQ(host_.LastCode(), 25);

  for (const char* hostile :
       {"ETOKEN3:/../escaped", "ETOKEN3:/1A2F/../../../escaped", "ETOKEN3:/C:/escaped",
        "ETOKEN3:/1A2F/AAAA:stream", "ETOKEN3:/NUL", "ETOKEN3:/1A2F/a.b", "ETOKEN3:/ABCDEFGHIJ"}) {
    SCOPED_TRACE(hostile);
    EXPECT_EQ(Write(hostile), -1);
    EXPECT_EQ(host_.LastCode(), 28) << host_.LastError();
    EXPECT_EQ(host_.Api().CADB_access(hostile, 0), 0);
  }
  EXPECT_FALSE(fs::exists(host_.TokenRoot() + "\\escaped"));
  EXPECT_FALSE(fs::exists(host_.Path("escaped")));
  // The token's own configuration is no object.
  EXPECT_EQ(host_.Api().CADB_file_exists("ETOKEN3:/token.cfg"), 0);

  char small[2];
  EXPECT_EQ(host_.Api().CADB_read_file("ETOKEN3:/1A2F/DDDD/0002", small, sizeof small), -1);
  EXPECT_EQ(host_.LastCode(), 23);
  EXPECT_EQ(host_.Api().CADB_rmdir("ETOKEN3:/1A2F/DDDD"), 0);
  EXPECT_EQ(host_.Api().CADB_erase_file("ETOKEN3:/1A2F/DDDD/0002"), 1);
  EXPECT_EQ(host_.Api().CADB_erase_file("ETOKEN3:/1A2F/DDDD/0002"), 0);
  EXPECT_EQ(host_.LastCode(), 25);
  EXPECT_EQ(host_.Api().CADB_rmdir("ETOKEN3:/1A2F/DDDD/"), 1);
  EXPECT_EQ(host_.Api().CADB_rmdir("ETOKEN3:\\"), 0);
  EXPECT_TRUE(fs::is_directory(Slot("ETOKEN3")));
}

// A token key directory filled the way the kit fills it (container, own key, secret keys,
// correspondents) is emptied and removed by the kit's erase sequence, whose intermediate
// results the kit ignores: only the last rmdir counts.
TEST_F(Tokens, TheKitsDirectoryEraseLeavesNothing) {
  host_.Api().SetTokenPasswdCallback(&ScriptedPin);
  Pins().answers = {"1234"};
  Container container(host_);
  ASSERT_EQ(container.Open("ETOKEN:/1A2F", true), 1) << host_.LastError();
  ASSERT_EQ(host_.Api().PSE_CTX_write(container.Ctx()), 1) << host_.LastError();
  for (const char* object :
       {"AAAA", "DDDD/0001", "DDDD/0002", "DDDD/0011", "EEEE/0001", "EEEE/0010"})
    ASSERT_EQ(Write(std::string("ETOKEN3:/1A2F/") + object), 4) << object;

  auto& api = host_.Api();
  for (const char* sub : {"DDDD/", "EEEE/"}) {
    const std::string folder = std::string("ETOKEN3:/1A2F/") + sub;
    ASSERT_NE(api.CADB_access(folder.c_str(), 6), 0) << folder;
    for (int i = 0; i <= 0x11; ++i) {
      char name[8];
      std::snprintf(name, sizeof name, "%04X", i);
      api.CADB_erase_file((folder + name).c_str());
    }
    api.CADB_erase_file(folder.c_str());
    api.CADB_rmdir(folder.c_str());
  }
  for (const char* object : {"AAAA", "A001", "B001", "C001", "D001"})
    api.CADB_erase_file((std::string("ETOKEN3:/1A2F/") + object).c_str());
  api.CADB_erase_file("etoken3:/1A2F");
  EXPECT_NE(api.CADB_rmdir("etoken3:/1A2F"), 0) << host_.LastError();

  EXPECT_FALSE(fs::exists(Slot("ETOKEN3") + "\\1A2F"));
  EXPECT_TRUE(fs::exists(Slot("ETOKEN3") + "\\token.cfg"));
  EXPECT_EQ(Pins().asked.size(), 1u);
}

// Threads using one token at once log in once: the other threads wait for the first login.
TEST_F(Tokens, ThreadsShareOneLogin) {
  host_.Api().SetTokenPasswdCallback(&ScriptedPin);
  Pins().answers = {"1234"};
  std::vector<int> results(6);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < results.size(); ++t)
    threads.emplace_back([&, t] {
      const std::string path = "ETOKEN3:/1A2F/EEEE/000" + std::to_string(t + 1);
      for (int i = 0; i < 5 && results[t] != -1; ++i) results[t] = Write(path);
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(results, std::vector<int>(results.size(), 4));
  EXPECT_EQ(Pins().asked.size(), 1u);
}

TEST_F(Tokens, FaultInjection) {
  host_.Api().SetTokenPasswdCallback(&ScriptedPin);
  ASSERT_EQ(host_.Token("create RUTOKEN3 --pin 1234").exitCode, 0u);
  ::SetEnvironmentVariableA("CCOM_FAULT_ETOKEN_ACCESS_MISSES", "2");
  EXPECT_EQ(host_.Api().CADB_access("RUTOKEN3:/", 4), 1);
  EXPECT_EQ(host_.Api().CADB_access("ETOKEN3:/", 4), 0);
  EXPECT_EQ(host_.Api().CADB_access("ETOKEN3:/", 4), 0);
  EXPECT_EQ(host_.Api().CADB_access("ETOKEN3:/", 4), 1);

  Pins().answers = {"1234"};
  Container container(host_);
  ASSERT_EQ(container.Open("ETOKEN3:/1A2F", true), 1) << host_.LastError();
  ::SetEnvironmentVariableA("CCOM_FAULT_ETOKEN_WRITE_FAILURES", "1");
  EXPECT_EQ(host_.Api().PSE_CTX_write(container.Ctx()), 0);
  EXPECT_EQ(host_.LastCode(), 24);
  EXPECT_EQ(host_.Api().CADB_file_exists("ETOKEN3:/1A2F/D001"), 0);
  EXPECT_EQ(host_.Api().PSE_CTX_write(container.Ctx()), 1) << host_.LastError();
  EXPECT_EQ(host_.Api().CADB_file_exists("ETOKEN3:/1A2F/D001"), 1);
}

TEST_F(Tokens, CcomtokenAdministersThem) {
  host_.Api().SetTokenPasswdCallback(&ScriptedPin);
  const auto listed = host_.Token("list ETOKEN3");
  EXPECT_EQ(listed.exitCode, 0u);
  EXPECT_NE(listed.output.find("ready (3 of 3 tries left)"), std::string::npos) << listed.output;
  std::ifstream config(Slot("ETOKEN3") + "\\token.cfg", std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(config), {}};
  config.close();
  EXPECT_NE(text.find("pin-digest="), std::string::npos);
  EXPECT_EQ(text.find("1234"), std::string::npos) << "the PIN itself is stored";

  const struct {
    const char* arguments;
    DWORD exitCode;
    const char* shown;
  } runs[] = {
      {"create ETOKEN3 --pin 1", 1, "already holds a token"},
      {"change-pin ETOKEN3 --pin 0000 --new-pin 4444", 1, "2 tries left"},
      {"change-pin ETOKEN3 --pin 1234 --new-pin 4444", 0, "PIN changed"},
      {"list ETOKEN3", 0, "3 of 3 tries left"},
      {"create ETOKEN5 --pin \"\"", 1, "1 to 64 characters"},
      {"list ETOKEN5", 1, "no token in slot ETOKEN5"},
      {"frobnicate", 2, "usage"},
      {"create TOKEN1 --pin 1", 2, "usage"},
      {"unlock ETOKEN3 extra", 2, "usage"},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.arguments);
    const auto result = host_.Token(run.arguments);
    EXPECT_EQ(result.exitCode, run.exitCode) << result.output;
    EXPECT_NE(result.output.find(run.shown), std::string::npos) << result.output;
  }

  Pins().answers = {"4444"};
  ASSERT_EQ(Write("ETOKEN3:/1A2F/AAAA"), 4);
  EXPECT_NE(host_.Token("list ETOKEN3").output.find("1A2F/AAAA  4 bytes"), std::string::npos);
  EXPECT_EQ(host_.Token("erase ETOKEN3").exitCode, 0u);
  EXPECT_EQ(host_.Api().CADB_access("ETOKEN3:/1A2F", 0), 0);
  EXPECT_EQ(host_.Api().CADB_access("ETOKEN3:/", 0), 1);
  EXPECT_EQ(host_.Token("remove ETOKEN3").exitCode, 0u);
  EXPECT_EQ(host_.Api().CADB_access("ETOKEN3:/", 0), 0);
}

// Wrong PINs tried by several programs at once each cost a try: no count is lost between
// processes reading and writing the token's configuration together.
TEST_F(Tokens, WrongPinsFromManyProgramsAllCount) {
  ASSERT_EQ(host_.Token("create ETOKEN4 --pin 1234 --tries 20").exitCode, 0u);
  constexpr int kPrograms = 8;
  std::vector<std::thread> programs;
  for (int i = 0; i < kPrograms; ++i)
    programs.emplace_back([this] {
      EXPECT_EQ(host_.Token("change-pin ETOKEN4 --pin 0000 --new-pin 4444").exitCode, 1u);
    });
  for (auto& program : programs) program.join();
  const auto listed = host_.Token("list ETOKEN4");
  EXPECT_NE(listed.output.find("ready (12 of 20 tries left)"), std::string::npos)
      << listed.output;
}

// The kit takes the I/O set from ccomio.dll when it is there, else from ccom.dll; both are
// complete, and only ccomio.dll gives the token logout.
TEST(IoSet, FromCcomioOrCcom) {
  for (bool withCcomio : {true, false}) {
    SCOPED_TRACE(withCcomio ? "with ccomio.dll" : "without ccomio.dll");
    ProviderHost host(withCcomio);
    EXPECT_TRUE(host.Binding().missing.empty());
    EXPECT_EQ(host.Binding().ioFromCcomio, withCcomio);
    EXPECT_EQ(host.Api().CADB_token_logout != nullptr, withCcomio);
    ASSERT_EQ(host.Token("create ETOKEN0 --pin 1234").exitCode, 0u);
    ASSERT_EQ(host.Api().SetTokenPasswdCallback(&ScriptedPin), 1);
    Pins().answers = {"1234"};
    EXPECT_EQ(host.Api().CADB_write_file("ETOKEN0:/1A2F/AAAA", "data", 4), 4) << host.LastError();
    EXPECT_EQ(Pins().asked.size(), 1u);
    // Errors set through one library are read through the other: they share one state.
    host.Api().ERR_set_last_error(0);
    Container broken(host);
    EXPECT_EQ(broken.Open(host.Path("nowhere")), 0);
    const auto ccomCode = reinterpret_cast<int(CCM3X_CALL*)()>(
        reinterpret_cast<void (*)()>(::GetProcAddress(host.Ccom(), "ERR_get_last_error")));
    EXPECT_EQ(ccomCode(), 5);
    EXPECT_EQ(host.LastCode(), 5);
  }
}

}  // namespace
}  // namespace ccom_test
