// sigcore's binding of orvavk.dll and the PIN chain, with orvavk doubles installed under the
// name sigcore loads.
#include "orvavklib.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "process_state.h"
#include "provider_scenario.h"
#include "windriver.h"

namespace sigcore {
namespace {

using sigcore_test::ProviderScenario;

const std::string kPinLabel = "SetParamData 100 1 Pass Pin code for the key: ";
const std::string kPinCaption = "SetParamData 105 0 - Password";
const std::string kPinInfo =
    "SetParamData 106 0 - You may use system keyboard, but it is not recommended...";

class OrvavkBinding : public ::testing::Test {
 protected:
  OrvavkBinding() : scenario_("") {
    ::SetEnvironmentVariableA("ORVAVK_DOUBLE_LOG", scenario_.Path("orvavk.log").c_str());
  }
  ~OrvavkBinding() override {
    ReleaseProcessState(false);
    ::SetDllDirectoryA(nullptr);
    for (const char* name : {"ORVAVK_DOUBLE_LOG", "ORVAVK_DOUBLE_ANSWER"})
      ::SetEnvironmentVariableA(name, nullptr);
  }

  // A folder holding the double `name` as ORVAVK.DLL, with a trailing "\".
  std::string Install(const std::string& name, const std::string& folder) {
    const std::string path = scenario_.Path(folder);
    std::filesystem::create_directories(path);
    const std::string from = wintest::HostPath(KIT_PROVIDER_DOUBLES) + "\\" + name + ".dll";
    EXPECT_TRUE(::CopyFileA(from.c_str(), (path + "\\ORVAVK.DLL").c_str(), FALSE)) << from;
    return path + "\\";
  }
  std::vector<std::string> Log() const {
    std::vector<std::string> lines;
    {
      std::ifstream in(scenario_.Path("orvavk.log"));
      for (std::string line; std::getline(in, line);) lines.push_back(line);
    }
    std::filesystem::remove(scenario_.Path("orvavk.log"));
    return lines;
  }
  static std::wstring Wide(const std::string& path) { return std::wstring(path.begin(), path.end()); }

  ProviderScenario scenario_;
};

TEST_F(OrvavkBinding, OwnDirectoryComesBeforeTheSystemSearch) {
  const std::string own = Install("orvavk_complete", "own");
  const std::string searched = Install("orvavk_complete", "searched");
  const std::string empty = scenario_.Path("empty") + "\\";
  std::filesystem::create_directories(empty);
  ::SetDllDirectoryA(searched.c_str());

  ASSERT_TRUE(LoadVKLibraryFrom(Wide(own)));
  EXPECT_EQ(VKLibraryPath(), Wide(own) + L"ORVAVK.DLL");
  ReleaseVKLibrary(false);
  ASSERT_TRUE(LoadVKLibraryFrom(Wide(empty)));
  EXPECT_EQ(VKLibraryPath(), Wide(searched) + L"ORVAVK.DLL");
  // Once loaded, the library stays, wherever it came from.
  EXPECT_TRUE(LoadVKLibraryFrom(Wide(own)));
  EXPECT_EQ(VKLibraryPath(), Wide(searched) + L"ORVAVK.DLL");
  ReleaseVKLibrary(false);

  ::SetDllDirectoryA(nullptr);
  EXPECT_FALSE(LoadVKLibraryFrom(Wide(empty)));
  EXPECT_EQ(VKLibraryPath(), L"");
  // Without the library every request answers 1 and no form is shown.
  SecretBuffer<char> pin;
  EXPECT_EQ(RequestPinCode("1A2F", pin, -1), 1);
  SecretBuffer<wchar_t> value;
  EXPECT_EQ(RequestInputValue(L"c", L"l", L"i", value, 10), 1);
  EXPECT_EQ(VKNewForm(), 1);
  EXPECT_EQ(VKClose(0x1001), 1);
  EXPECT_TRUE(Log().empty());
}

TEST_F(OrvavkBinding, RequestsRunTheFormProtocolAndAlwaysClose) {
  struct Case {
    const char* library;
    const char* answer;
    int32_t maxLength;
    int32_t result;
    std::vector<std::string> log;
  };
  const std::string label = kPinLabel + "1A2F";
  const Case cases[] = {
      {"orvavk_complete", "4321", -1, 0,
       {"NewForm", label, "SetParamData 109 255 Pass -", kPinCaption, kPinInfo, "Show",
        "GetInputValue Pass null", "GetInputValue Pass buffer", "Close"}},
      {"orvavk_complete", "12", 8, 0,
       {"NewForm", label, "SetParamData 109 8 Pass -", kPinCaption, kPinInfo, "Show",
        "GetInputValue Pass null", "GetInputValue Pass buffer", "Close"}},
      {"orvavk_complete", "<cancel>", -1, 1,
       {"NewForm", label, "SetParamData 109 255 Pass -", kPinCaption, kPinInfo, "Show", "Close"}},
      {"orvavk_complete", "", -1, 0,
       {"NewForm", label, "SetParamData 109 255 Pass -", kPinCaption, kPinInfo, "Show",
        "GetInputValue Pass null", "Close"}},
      // Without Show the request stops there with 10, and the form is still closed.
      {"orvavk_lacking", "4321", -1, 10,
       {"NewForm", label, "SetParamData 109 255 Pass -", kPinCaption, kPinInfo, "Close"}},
  };
  for (const Case& c : cases) {
    ::SetEnvironmentVariableA("ORVAVK_DOUBLE_ANSWER", c.answer);
    ASSERT_TRUE(LoadVKLibraryFrom(Wide(Install(c.library, c.library))));
    SecretBuffer<char> pin;
    EXPECT_EQ(RequestPinCode("1A2F", pin, c.maxLength), c.result) << c.library << c.answer;
    EXPECT_EQ(Log(), c.log) << c.library << c.answer;
    if (c.result == 0) {
      EXPECT_STREQ(pin.data(), c.answer);
    }
    ReleaseVKLibrary(false);
  }

  // A plain input request with the library's default length sends no maximum; the texts are
  // widened from the ANSI code page.
  ::SetEnvironmentVariableA("ORVAVK_DOUBLE_ANSWER", "x");
  ASSERT_TRUE(LoadVKLibraryFrom(Wide(Install("orvavk_complete", "input"))));
  SecretBuffer<wchar_t> value;
  EXPECT_EQ(RequestInputValue(L"Caption", L"Label", L"Info", value, -1), 0);
  EXPECT_STREQ(value.data(), L"x");
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "NewForm", "SetParamData 100 1 Pass Label", "SetParamData 105 0 - Caption",
                       "SetParamData 106 0 - Info", "Show", "GetInputValue Pass null",
                       "GetInputValue Pass buffer", "Close"}));
  SecretBuffer<char> pin;
  EXPECT_EQ(RequestPinCode("Ключ", pin, 4), 0);
  EXPECT_EQ(Log().at(1), kPinLabel + reinterpret_cast<const char*>(u8"Ключ"));
}

}  // namespace
}  // namespace sigcore
