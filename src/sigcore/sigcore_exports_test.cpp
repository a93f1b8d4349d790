// sigcore.dll as a host sees it: loaded by name, every export looked up by its name.
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ccm3x_h.h"
#include "childprocess.h"
#include "expected_texts.h"
#include "provider_scenario.h"
#include "sigcore_host.h"
#include "windriver.h"

namespace {

using sigcore::SigcoreEngineHandle;
using sigcore::SigcoreLibrary;
using sigcore_test::IsLoaded;
using sigcore_test::ProviderScenario;

std::string ParamValue(const SigcoreLibrary& kit, SigcoreEngine engine, int number) {
  std::vector<char> value(1100, 'x');
  kit.api.GetCryptoParamValue(engine, number, value.data());
  return value.data();
}

std::string ErrorText(const SigcoreLibrary& kit, SigcoreEngine engine, int code) {
  std::string text(300, '\xCC');
  kit.api.GetCryptoErrorString(engine, code, text.data());
  // The whole 255-byte buffer is written: the text, then zeros; nothing beyond it.
  EXPECT_EQ(text.substr(255), std::string(45, '\xCC')) << code;
  const size_t length = std::strlen(text.c_str());
  EXPECT_EQ(text.substr(length, 255 - length), std::string(255 - length, '\0')) << code;
  return text.c_str();
}

// A 4-byte flag of ExportObject: the result, and the flag when the result is 0.
struct FlagAnswer {
  int result;
  int flag;
};
FlagAnswer Flag(const SigcoreLibrary& kit, SigcoreEngine engine, int type) {
  int flag = -7;
  int size = sizeof flag;
  const int result = kit.api.ExportObject(engine, type, nullptr, 0, nullptr, &flag, &size);
  EXPECT_EQ(size, 4);
  return {result, flag};
}

class SigcoreExports : public ::testing::Test {
 protected:
  SigcoreLibrary kit_;  // by name, as a host loads it: beside the program
  SigcoreEngineHandle engine_{kit_.api};
};

TEST_F(SigcoreExports, EveryExportIsThereByName) {
  ASSERT_TRUE(kit_.Loaded());
  EXPECT_TRUE(kit_.Missing().empty()) << kit_.Missing().front();
  int count = 0;
#define COUNT(name) ++count;
  SIGCORE_EXPORTS(COUNT)
#undef COUNT
  EXPECT_EQ(count, 78);
  ASSERT_NE(engine_.Get(), nullptr);
  // The argument of GetCryptObj means nothing; every call makes a new engine.
  SigcoreEngineHandle other(kit_.api);
  EXPECT_NE(other.Get(), engine_.Get());
  EXPECT_EQ(kit_.api.DoneEngine(nullptr), 0);
}

TEST_F(SigcoreExports, SizesAndConstants) {
  const auto& api = kit_.api;
  const struct {
    const char* name;
    std::function<int()> call;
    int expected;
  } cases[] = {
      {"GetMaxSignatureLength", [&] { return api.GetMaxSignatureLength(engine_); }, 319},
      {"GetMaxUIDLength", [&] { return api.GetMaxUIDLength(engine_); }, 255},
      {"GetMaxCryptoParamNameLength", [&] { return api.GetMaxCryptoParamNameLength(engine_); },
       255},
      {"GetMaxCryptoParamValueLength", [&] { return api.GetMaxCryptoParamValueLength(engine_); },
       1024},
      {"GetMaxErrorStringLength", [&] { return api.GetMaxErrorStringLength(engine_); }, 255},
      {"GetCryptoParamNumber", [&] { return api.GetCryptoParamNumber(engine_); }, 22},
      {"GetMaxPasswordLength", [&] { return api.GetMaxPasswordLength(engine_); }, 255},
      {"GetMaxPublicKeyTransferSize", [&] { return api.GetMaxPublicKeyTransferSize(engine_); },
       3454},
      {"GetMaxSignAddition", [&] { return api.GetMaxSignAddition(engine_); }, 323},
      {"GetMaxReportSize", [&] { return api.GetMaxReportSize(engine_); }, 2048},
      {"GetMaxPublicKeyPropertiesLength",
       [&] { return api.GetMaxPublicKeyPropertiesLength(engine_); }, 2048},
      {"GetRemoteGenType", [&] { return api.GetRemoteGenType(engine_); }, 0},
      {"IsDifferentKeys", [&] { return api.IsDifferentKeys(engine_); }, 0},
      {"GetMaxFilePathLength", [&] { return api.GetMaxFilePathLength(nullptr); }, 255},
      {"CheckCompatibles", [&] { return api.CheckCompatibles(nullptr); }, 0},
      // A null handle is refused, not followed.
      {"GetCryptoParamNumber(null)", [&] { return api.GetCryptoParamNumber(nullptr); }, -11},
  };
  for (const auto& c : cases) EXPECT_EQ(c.call(), c.expected) << c.name;
}

TEST_F(SigcoreExports, ParameterNamesDefaultsAndBounds) {
  const std::pair<const char*, const char*> table[] = {
      {"User PKey/Certificate", "A:\\self.pub"},
      {"User Secret key", "A:\\"},
      {"Key Device", "DISK"},
      {"Abonents dir", "A:\\ABONENTS"},
      {"Encrypt Method", "GAMMA"},
      {"Encrypt for UID", "NewUser"},
      {"Key request time out", "60"},
      {"Last operation key time out", "5"},
      {"Key gen - UID", "NewUserUID"},
      {"Key gen - Common name", "NewUser"},
      {"Key gen - Country/Region", "RU"},
      {"Key gen - State", "Moscow region"},
      {"Key gen - City", "Moscow"},
      {"Key gen - Company", "NewUser Company"},
      {"Key gen - Department", "NewUser Department"},
      {"Key gen - Title", "NewUser Title"},
      {"Key gen - e-mail", "NewUser e-mail"},
      {"Key gen - PKey filename", "A:\\new.pub"},
      {"Key gen - SKey", "A:\\"},
      {"Key gen - Key device", "DISK"},
      {"Detail error file", ""},
      {"Device scan depth", ""},
  };
  for (int n = 0; n <= 23; ++n) {
    char name[300];
    std::memset(name, 'x', sizeof name);
    kit_.api.GetCryptoParamName(engine_, n, name);
    const bool inRange = n >= 1 && n <= 22;
    EXPECT_STREQ(name, inRange ? table[n - 1].first : "") << n;
    EXPECT_EQ(ParamValue(kit_, engine_, n), inRange ? table[n - 1].second : "") << n;
  }

  EXPECT_EQ(kit_.api.SetCryptoParamValue(engine_, 6, "Bank;Branch"), 0);
  EXPECT_EQ(ParamValue(kit_, engine_, 6), "Bank;Branch");
  // No validation when a value is set; a null value is an empty one.
  EXPECT_EQ(kit_.api.SetCryptoParamValue(engine_, 22, "not a number"), 0);
  EXPECT_EQ(ParamValue(kit_, engine_, 22), "not a number");
  EXPECT_EQ(kit_.api.SetCryptoParamValue(engine_, 5, nullptr), 0);
  EXPECT_EQ(ParamValue(kit_, engine_, 5), "");
  for (int n : {0, 23, -1, INT_MAX}) EXPECT_EQ(kit_.api.SetCryptoParamValue(engine_, n, "x"), -1);
  EXPECT_EQ(ParamValue(kit_, engine_, 1), "A:\\self.pub");

  // A value is read back cut to 1023 characters and its NUL.
  const std::string longValue(1500, 'v');
  EXPECT_EQ(kit_.api.SetCryptoParamValue(engine_, 21, longValue.c_str()), 0);
  std::vector<char> value(1100, 'x');
  kit_.api.GetCryptoParamValue(engine_, 21, value.data());
  EXPECT_EQ(std::string(value.data()), longValue.substr(0, 1023));
  EXPECT_EQ(value[1024], 'x');

  // Engines keep their own parameters.
  SigcoreEngineHandle other(kit_.api);
  EXPECT_EQ(ParamValue(kit_, other, 6), "NewUser");
}

TEST_F(SigcoreExports, ParamInfoOfEveryParameter) {
  struct Info {
    int kind;
    const char* descriptor;
  };
  const Info defaults[] = {
      {10, "*.pub"},
      {11, "*.*"},
      {7, "DISK\r\nETOKEN\r\nRUTOKEN"},
      {11, "*.pub"},
      {7, "GAMMA\r\nGFB"},
      {4, "255"},
      {1, "0..2147483640"},
      {1, "0..2147483640"},
      {2, "254"},
      {2, "100"},
      {2, "2"},
      {2, "100"},
      {2, "100"},
      {2, "100"},
      {2, "100"},
      {2, "100"},
      {2, "100"},
      {10, "*.pub"},
      {11, "*.*"},
      {7, "DISK\r\nETOKEN\r\nRUTOKEN"},
      {10, "*.*"},
      {1, "16..2147483640"},
  };
  const auto info = [&](int n) {
    int kind = 0;
    int size = 0;
    EXPECT_EQ(kit_.api.GetParamInfo(engine_, n, &kind, nullptr, &size), 0) << n;
    std::vector<char> text(static_cast<size_t>(size) + 8, 'x');
    int exact = size;
    EXPECT_EQ(kit_.api.GetParamInfo(engine_, n, &kind, text.data(), &exact), 0) << n;
    EXPECT_EQ(exact, size);
    EXPECT_EQ(text[static_cast<size_t>(size)], 'x') << "written past the size, parameter " << n;
    int small = size - 1;
    text.assign(text.size(), 'y');
    EXPECT_EQ(kit_.api.GetParamInfo(engine_, n, &kind, text.data(), &small), -11) << n;
    EXPECT_EQ(small, size);
    EXPECT_EQ(text[0], 'y');
    kit_.api.GetParamInfo(engine_, n, &kind, text.data(), &exact);
    return std::make_pair(kind, std::string(text.data()));
  };
  for (int n = 1; n <= 22; ++n) {
    const auto [kind, descriptor] = info(n);
    EXPECT_EQ(kind, defaults[n - 1].kind) << n;
    EXPECT_EQ(descriptor, defaults[n - 1].descriptor) << n;
  }
  for (int n : {0, 23, -5}) {
    int kind = -1;
    int size = 100;
    char text[100];
    EXPECT_EQ(kit_.api.GetParamInfo(engine_, n, &kind, text, &size), -28) << n;
  }

  // A secret-key directory is a file folder only while its device is exactly "DISK".
  const struct {
    int device;
    const char* value;
    int directory;
    int kind;
    const char* descriptor;
  } switches[] = {
      {3, "ETOKEN", 2, 2, "4"},  {3, "disk", 2, 2, "4"},      {3, "DISK ", 2, 2, "4"},
      {3, "DISK", 2, 11, "*.*"}, {20, "RUTOKEN", 19, 2, "4"}, {20, "DISK", 19, 11, "*.*"},
  };
  for (const auto& s : switches) {
    ASSERT_EQ(kit_.api.SetCryptoParamValue(engine_, s.device, s.value), 0);
    const auto [kind, descriptor] = info(s.directory);
    EXPECT_EQ(kind, s.kind) << s.device << "=" << s.value;
    EXPECT_EQ(descriptor, s.descriptor) << s.device << "=" << s.value;
  }
  // Each directory follows its own device only.
  ASSERT_EQ(kit_.api.SetCryptoParamValue(engine_, 3, "ETOKEN"), 0);
  EXPECT_EQ(info(19).first, 11);
}

TEST_F(SigcoreExports, EveryResultCodeTextByteForByte) {
  const auto& expected = sigcore_test::ExpectedErrorTexts();
  ASSERT_EQ(expected.size(), 115u);
  for (const auto& [code, text] : expected)
    EXPECT_EQ(ErrorText(kit_, engine_, code), sigcore_test::ToCp1251(text)) << code;
  for (int code : {40, 45, 50, 64, 70, 91, 100, -43, INT_MIN, INT_MAX})
    EXPECT_EQ(
        ErrorText(kit_, engine_, code),
        "Crypto Com 32x toolkit library unknown or reserved error code: " + std::to_string(code));
}

TEST_F(SigcoreExports, LastErrorMessageIsAlwaysEmpty) {
  char text[16];
  std::memset(text, 'x', sizeof text);
  EXPECT_EQ(kit_.api.GetLastErrorMessage(engine_, text), 0);
  EXPECT_EQ(text[0], '\0');
  EXPECT_EQ(text[1], 'x');
  EXPECT_EQ(kit_.api.GetLastErrorMessage(engine_, nullptr), 0);
}

TEST_F(SigcoreExports, UnsupportedOperationsAndDispatchTypes) {
  const auto& api = kit_.api;
  SigcoreEngine e = engine_;
  char text[300] = {};
  const std::function<int()> unsupported[] = {
      [&] { return api.SignFile(e, "a"); },
      [&] { return api.VerifyFile(e, "a", "b"); },
      [&] { return api.RemoveSignaturesFromFile(e, "a"); },
      [&] { return api.TransSignatureFromFileToTM(e); },
      [&] { return api.TransPrivateKeyFromFileToTM(e); },
      [&] { return api.IncludeCACertificateFromTransfer(e, "t"); },
      [&] { return api.IncludeCRL(e, "c"); },
      [&] { return api.ConvertTransferToSignedRequest(e, "t"); },
      [&] { return api.ShowCertificate(e, "c"); },
      [&] { return api.GetUIDByCertIdent(e, "c", text); },
      [&] { return api.InstallCertsInMyStore(e, "c"); },
      [&] { return api.RegisterOIDInfo(e, "1.2.643", "ГОСТ"); },
  };
  for (size_t i = 0; i < std::size(unsupported); ++i) EXPECT_EQ(unsupported[i](), -1) << i;
  EXPECT_EQ(api.SaveSignedDataToFile(e, nullptr, 0, nullptr, 0, "f"), -27);

  for (int type : {0, 5, 6, 8, 9, 10, 12, 16, 99, -1})
    EXPECT_EQ(api.Import(e, type, nullptr, "x", 1), -1) << "Import " << type;
  int size = sizeof text;
  for (int type :
       {0, 2, 3, 4, 5, 7, 9, 10, 15, 18, 19, 21, 22, 23, 24, 25, 26, 100, 104, 200, 201, 202}) {
    EXPECT_EQ(api.ExportObject(e, type, "x", 1, nullptr, text, &size), -1) << "Export " << type;
  }
}

TEST_F(SigcoreExports, FlagOutputContract) {
  const struct {
    int type;
    int tooSmall;
  } flags[] = {{8, -11}, {13, -11}, {12, -3}, {17, -3}};
  for (const auto& f : flags) {
    int size = 0;
    EXPECT_EQ(kit_.api.ExportObject(engine_, f.type, nullptr, 0, nullptr, nullptr, &size), 0);
    EXPECT_EQ(size, 4) << f.type;
    int flag = 99;
    size = 3;
    EXPECT_EQ(kit_.api.ExportObject(engine_, f.type, nullptr, 0, nullptr, &flag, &size),
              f.tooSmall);
    EXPECT_EQ(size, 4) << f.type;
    EXPECT_EQ(flag, 99) << f.type;
  }
  EXPECT_EQ(Flag(kit_, engine_, 8).result, 0);
  EXPECT_EQ(Flag(kit_, engine_, 8).flag, 1);
  EXPECT_EQ(Flag(kit_, engine_, 13).flag, 1);
  // Beside the test program there is no provider: the frame of 12 and 17 stops at -22.
  EXPECT_EQ(Flag(kit_, engine_, 12).result, -22);
  EXPECT_EQ(Flag(kit_, engine_, 17).result, -22);
}

// Every operation that needs the provider runs the frame: without ccom.dll all of them answer
// -22, through their exports and the dispatch tables alike.
TEST_F(SigcoreExports, ProviderOperationsRunTheFrame) {
  const auto& api = kit_.api;
  SigcoreEngine e = engine_;
  unsigned char data[400] = {1, 2, 3};
  char text[4000] = {};
  int length = 3;
  int state = 10;
  int size = sizeof text;
  const std::function<int()> operations[] = {
      [&] { return api.GetMaxEncodeAddition(e); },
      [&] { return api.GetCurrentUserUID(e, text); },
      [&] { return api.EncodeData(e, data, &length, "a"); },
      [&] { return api.DecodeData(e, data, &length, nullptr); },
      [&] { return api.SignData(e, data, 3, data, &length, nullptr); },
      [&] { return api.VerifyData(e, data, 3, data, 3, text); },
      [&] { return api.VerifySignWOCheckValidity(e, data, 3, data, 3, text); },
      [&] { return api.GenerateNewSSK(e); },
      [&] { return api.GenerateNewSEK(e); },
      [&] { return api.RemoteGenerateStart(e, text); },
      [&] { return api.ExcludeSelfPublicKeyTransfer(e, text); },
      [&] { return api.GetPublicKeyTransfer(e, "a", text); },
      [&] { return api.GetPublicKeyTransferByFile(e, text, "f"); },
      [&] { return api.AddSign(e, data, &length, nullptr); },
      [&] { return api.GetReport(e, "a", text); },
      [&] { return api.GetPublicKeyProperties(e, "a", text); },
      [&] { return api.GetMaxAdditionEx(e, "a;b"); },
      [&] { return api.UpdateCertificateCash(e, "a"); },
      [&] { return api.GetPublicKeyPropertiesByFile(e, "f", text); },
      [&] { return api.RemoveCertificate(e, "a"); },
      [&] { return api.HashData(e, data, 3, 2, data, &length); },
      [&] { return api.Import(e, 1, nullptr, data, 3); },
      [&] { return api.Import(e, 3, nullptr, data, 3); },
      [&] { return api.Import(e, 11, nullptr, data, 3); },
      [&] { return api.Import(e, 13, nullptr, data, 3); },
      [&] { return api.ExportObject(e, 1, "a", 0, nullptr, text, &size); },
      [&] { return api.ExportObject(e, 11, nullptr, 0, nullptr, text, &size); },
      [&] { return api.ExportObject(e, 14, data, 3, nullptr, text, &size); },
      [&] { return api.ExportObject(e, 16, data, 3, nullptr, text, &size); },
      [&] { return api.ExportObject(e, 20, nullptr, 0, nullptr, text, &size); },
      [&] { return api.ExportObject(e, 101, "1A2F", 0, nullptr, text, &size); },
      [&] { return api.ExportObject(e, 102, "1A2F", 1, nullptr, text, &size); },
      [&] { return api.ExportObject(e, 103, "1A2F", 0, nullptr, text, &size); },
  };
  for (size_t i = 0; i < std::size(operations); ++i) EXPECT_EQ(operations[i](), -22) << i;

  // What an operation checks of its arguments comes before the frame: a key file that is not
  // there, a text that is no transfer, a signed buffer without a trailer. GetEncodeUIDBySignUID
  // needs no provider at all, and CreateDirStructure only the configured key file.
  const struct {
    const char* name;
    std::function<int()> call;
    int expected;
  } checkedFirst[] = {
      {"GetEncodeUIDBySignUID", [&] { return api.GetEncodeUIDBySignUID(e, "a", text); }, 0},
      {"IncludePublicKey", [&] { return api.IncludePublicKey(e, "a.pub"); }, -9},
      {"IncludePublicEncodeKey", [&] { return api.IncludePublicEncodeKey(e, "a.pub"); }, -9},
      {"Import 2", [&] { return api.Import(e, 2, nullptr, "a.pub", 0); }, -9},
      {"Import 4", [&] { return api.Import(e, 4, nullptr, "a.pub", 0); }, -9},
      {"RemoteGenerateFinish", [&] { return api.RemoteGenerateFinish(e, "t"); }, -11},
      {"RemoteGenerateFinishEx", [&] { return api.RemoteGenerateFinishEx(e, "t", &state); }, -11},
      {"IncludePublicKeyTransfer", [&] { return api.IncludePublicKeyTransfer(e, "t"); }, -11},
      {"Import 7", [&] { return api.Import(e, 7, nullptr, "t", 0); }, -11},
      {"GetUIDByPublicKeyTransfer", [&] { return api.GetUIDByPublicKeyTransfer(e, "t", text); },
       -11},
      {"GetPublicKeyPropertiesByTransfer",
       [&] { return api.GetPublicKeyPropertiesByTransfer(e, "t", text); }, -11},
      {"CertAndRequestTransferMatch",
       [&] { return api.CertAndRequestTransferMatch(e, "t", "u", &state); }, -11},
      {"ExportObject 6", [&] { return api.ExportObject(e, 6, "t", 0, nullptr, text, &size); },
       -11},
      {"SavePublicKeyFromTransfer", [&] { return api.SavePublicKeyFromTransfer(e, "d", "t"); },
       -21},
      {"RemoveSign", [&] { return api.RemoveSign(e, data, &length, text); }, -12},
      {"GetPureSign", [&] { return api.GetPureSign(e, data, 3, nullptr, text, &size); }, -12},
      {"CreateDirStructure", [&] { return api.CreateDirStructure(e, "f", nullptr); }, -26},
      // A first attempt (state 10) reports its failure through the state.
      {"RemoteGenerateStartEx", [&] { return api.RemoteGenerateStartEx(e, "r", text, &state); },
       0},
      // Logging out every binding there is: there is none.
      {"Import 14", [&] { return api.Import(e, 14, nullptr, nullptr, 0); }, 0},
  };
  for (const auto& c : checkedFirst) EXPECT_EQ(c.call(), c.expected) << c.name;
  EXPECT_EQ(state, 12);

  // The key self test checks its UID buffer before anything else.
  const struct {
    bool withBuffer;
    int size;
    int result;
    int sizeAfter;
  } selfTests[] = {{false, 10, 0, 255}, {true, 254, -3, 255}, {false, 255, -11, 255}};
  for (const auto& t : selfTests) {
    size = t.size;
    EXPECT_EQ(api.ExportObject(e, 20, nullptr, 0, nullptr, t.withBuffer ? text : nullptr, &size),
              t.result)
        << t.size;
    EXPECT_EQ(size, t.sizeAfter) << t.size;
  }
  // ClearCash has no result, and Import 15 only stores the host's function.
  EXPECT_EQ(api.ClearCash(e), 0);
  EXPECT_EQ(api.Import(e, 15, nullptr, nullptr, 0), 0);
}

// The host's password functions, counting their calls.
int keyDirCalls = 0;
int otherCalls = 0;
int plainCalls = 0;
std::string keyDirAsked;

int SIGCORE_CALL KeyDirPassword(const char* keyDir, char* buffer, int size) {
  ++keyDirCalls;
  keyDirAsked = keyDir;
  EXPECT_EQ(size, 256);
  std::strcpy(buffer, "1234");
  return 1;
}
int SIGCORE_CALL OtherKeyDirPassword(const char*, char*, int) { return ++otherCalls, 0; }
int SIGCORE_CALL OtherPassword(char*, int) { return ++otherCalls, 0; }
int SIGCORE_CALL PlainPassword(char* buffer, int size) {
  ++plainCalls;
  EXPECT_EQ(size, 256);
  std::strcpy(buffer, "secret");
  return 1;
}

using RequestPin = int(CCM3X_CALL*)(const char* objectPath, char* pin, int size);

// The double's way of asking for a token PIN, as the provider does when it opens a token.
RequestPin DoubleRequestPin() {
  return kit::ProcAddress<RequestPin>(::GetModuleHandleA("ccom.dll"), "DoubleRequestPin");
}

// The tests below install the kit in a folder of its own with a provider double beside it:
// sigcore finds ccom.dll in its own directory, not the host program's.
class SigcoreWithProvider : public ::testing::Test {
 protected:
  void Install(const std::string& ccom, const std::string& ccomio = "") {
    ASSERT_FALSE(IsLoaded("ccom.dll"));
    scenario_ = std::make_unique<ProviderScenario>(ccom, ccomio);
    kit_ = std::make_unique<SigcoreLibrary>(scenario_->Path("sigcore.dll"));
    ASSERT_TRUE(kit_->Loaded());
    engine_ = std::make_unique<SigcoreEngineHandle>(kit_->api);
  }
  int Bind() { return Flag(*kit_, *engine_, 17).result; }

  std::unique_ptr<ProviderScenario> scenario_;
  std::unique_ptr<SigcoreLibrary> kit_;
  std::unique_ptr<SigcoreEngineHandle> engine_;
};

TEST_F(SigcoreWithProvider, MissingOrUnusableProviderLibrary) {
  const struct {
    const char* ccom;
    int expected;
  } cases[] = {
      {"", -22},
      // Without CADB_init the library is given back and counts as missing.
      {"ccom_uninitialisable", -22},
      {"ccom_lacking", -23},
      // GOSTH_file_digest and CADB_rmdir are optional.
      {"ccom_lean", 0},
      {"ccom_complete", 0},
  };
  for (const auto& c : cases) {
    Install(c.ccom);
    EXPECT_EQ(Bind(), c.expected) << c.ccom;
    EXPECT_EQ(kit_->api.GetMaxEncodeAddition(*engine_), c.expected == 0 ? 29451 : c.expected)
        << c.ccom;
    EXPECT_EQ(IsLoaded("ccom.dll"), c.expected != -22) << c.ccom;
    engine_.reset();
    kit_.reset();
    EXPECT_FALSE(IsLoaded("ccom.dll")) << c.ccom;
    scenario_.reset();
  }
}

TEST_F(SigcoreWithProvider, ReservedTokenDirectoryIsRefusedBeforeTheProviderLoads) {
  Install("ccom_complete");
  const auto& api = kit_->api;
  ASSERT_EQ(api.SetCryptoParamValue(*engine_, 2, "3F00"), 0);
  ASSERT_EQ(api.SetCryptoParamValue(*engine_, 3, "etoken"), 0);
  unsigned char data[4] = {};
  int length = 4;
  EXPECT_EQ(api.SignData(*engine_, data, 4, data, &length, nullptr), -39);
  EXPECT_EQ(Bind(), -39);
  ASSERT_EQ(api.SetCryptoParamValue(*engine_, 2, "F0"), 0);
  ASSERT_EQ(api.SetCryptoParamValue(*engine_, 3, "RUTOKEN"), 0);
  EXPECT_EQ(api.GetMaxEncodeAddition(*engine_), -39);
  EXPECT_FALSE(IsLoaded("ccom.dll"));
  EXPECT_EQ(scenario_->Count("ccom.dll CADB_init"), 0);

  ASSERT_EQ(api.SetCryptoParamValue(*engine_, 3, "DISK"), 0);
  EXPECT_EQ(api.GetMaxEncodeAddition(*engine_), 29451);
  EXPECT_TRUE(IsLoaded("ccom.dll"));
  EXPECT_EQ(scenario_->Count("ccom.dll CADB_init"), 1);
}

TEST_F(SigcoreWithProvider, OperationsSeeRootExpandedPaths) {
  Install("ccom_complete");
  const auto& api = kit_->api;
  ASSERT_EQ(api.SetRootPath(*engine_, scenario_->Folder().c_str()), 0);
  ASSERT_EQ(api.SetCryptoParamValue(*engine_, 4, "%velmarroot%\\abonents"), 0);
  // A disk medium whose abonents directory does not exist is flagged with 2.
  EXPECT_EQ(Flag(*kit_, *engine_, 17).flag, 2);
  std::filesystem::create_directory(scenario_->Path("ABONENTS"));
  EXPECT_EQ(Flag(*kit_, *engine_, 17).flag, 0);
  // Without the macro the value is taken as it stands (relative to the current directory).
  ASSERT_EQ(api.SetCryptoParamValue(*engine_, 4, "abonents"), 0);
  EXPECT_EQ(Flag(*kit_, *engine_, 17).flag, 2);
  ASSERT_EQ(api.SetCryptoParamValue(*engine_, 3, " rutoken"), 0);
  EXPECT_EQ(Flag(*kit_, *engine_, 17).flag, 0);
  ASSERT_EQ(api.SetCryptoParamValue(*engine_, 3, "DISK"), 0);
  ASSERT_EQ(api.SetCryptoParamValue(*engine_, 4, ""), 0);
  EXPECT_EQ(Flag(*kit_, *engine_, 17).flag, 0);
}

TEST_F(SigcoreWithProvider, IncompleteCcomioIsIgnored) {
  const struct {
    const char* ccomio;
    const char* setter;
  } cases[] = {
      {"ccomio_complete", "ccomio.dll CADB_set_token_passwd_callback"},
      {"ccomio_partial", "ccom.dll ETOKEN_set_passwd_callback"},
  };
  for (const auto& c : cases) {
    Install("ccom_complete", c.ccomio);
    kit_->api.SetPasswordRequestFunc(*engine_, &OtherPassword);
    EXPECT_EQ(Bind(), 0);
    EXPECT_EQ(scenario_->Count(c.setter), 1) << c.ccomio;
    EXPECT_EQ(scenario_->Log().size(), 2u) << "CADB_init and the setter only, " << c.ccomio;
    engine_.reset();
    kit_.reset();
    scenario_.reset();
  }
}

TEST_F(SigcoreWithProvider, CallbacksAreHandedOverOnceAndShared) {
  Install("ccom_complete");
  const auto& api = kit_->api;
  api.SetPasswordRequestFunc(*engine_, &OtherPassword);
  ASSERT_EQ(api.Import(*engine_, 15, nullptr, reinterpret_cast<const void*>(&KeyDirPassword), 0),
            0);
  EXPECT_EQ(scenario_->Count("ccom.dll ETOKEN_set_passwd_callback"), 0);
  EXPECT_EQ(Bind(), 0);
  // One hand-over per kind of function.
  EXPECT_EQ(scenario_->Count("ccom.dll ETOKEN_set_passwd_callback"), 2);

  // Another engine with the same parameters shares the binding; one with another abonents
  // directory gets its own. Neither hands its functions over again.
  for (const char* abonents : {"A:\\ABONENTS", "B:\\OTHER"}) {
    SigcoreEngineHandle engine(api);
    ASSERT_EQ(api.SetCryptoParamValue(engine, 4, abonents), 0);
    ASSERT_EQ(
        api.Import(engine, 15, nullptr, reinterpret_cast<const void*>(&OtherKeyDirPassword), 0), 0);
    EXPECT_EQ(Flag(*kit_, engine, 17).result, 0);
  }
  EXPECT_EQ(scenario_->Count("ccom.dll ETOKEN_set_passwd_callback"), 2);

  // The provider asks for a token PIN: the first key-directory function answers.
  const RequestPin requestPin = DoubleRequestPin();
  ASSERT_NE(requestPin, nullptr);
  char pin[8];
  std::memset(pin, 'x', sizeof pin);
  EXPECT_EQ(requestPin("ETOKEN0:/1A2F/A001", pin, 3), 3);
  EXPECT_EQ(std::string(pin, 4), "123x") << "a PIN is cut to the provider's buffer";
  EXPECT_EQ(requestPin("ETOKEN0:/1A2F/A001", pin, sizeof pin), 4);
  EXPECT_STREQ(pin, "1234");
  EXPECT_EQ(keyDirCalls, 2);
  EXPECT_EQ(keyDirAsked, "1A2F");
  EXPECT_EQ(otherCalls, 0);
}

TEST_F(SigcoreWithProvider, PlainPasswordFunctionAnswersWithoutAKeyDirectoryFunction) {
  Install("ccom_complete");
  kit_->api.SetPasswordRequestFunc(*engine_, &PlainPassword);
  ASSERT_EQ(Bind(), 0);
  const RequestPin requestPin = DoubleRequestPin();
  ASSERT_NE(requestPin, nullptr);
  char pin[16] = {};
  EXPECT_EQ(requestPin("C:\\KEYS\\USER\\kek.opq", pin, sizeof pin), 6);
  EXPECT_STREQ(pin, "secret");
  EXPECT_EQ(plainCalls, 1);
}

TEST_F(SigcoreWithProvider, UnloadingSigcoreReleasesTheProvider) {
  Install("ccom_complete", "ccomio_complete");
  ASSERT_EQ(Bind(), 0);
  EXPECT_TRUE(IsLoaded("ccom.dll"));
  EXPECT_TRUE(IsLoaded("ccomio.dll"));
  engine_.reset();
  kit_.reset();
  EXPECT_FALSE(IsLoaded("ccom.dll"));
  EXPECT_FALSE(IsLoaded("ccomio.dll"));
  // Libraries freed while sigcore detaches are detached when its own unload ends, so only
  // CADB_close before ccom.dll's detach is certain.
  const auto log = scenario_->Log();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log.front(), "ccom.dll CADB_init");
  EXPECT_EQ(log.back(), "ccom.dll detach");
  EXPECT_EQ(scenario_->Count("ccom.dll CADB_close"), 1);
  EXPECT_EQ(scenario_->Count("ccomio.dll detach"), 1);
}

TEST_F(SigcoreWithProvider, ProcessExitLeavesTheProviderAlone) {
  ProviderScenario scenario("ccom_complete", "ccomio_complete");
  const auto run = wintest::RunProgram("\"" + wintest::HostPath(KIT_EXIT_HOST) + "\" \"" +
                                       scenario.Path("sigcore.dll") + "\"");
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  const auto log = scenario.Log();
  EXPECT_EQ(scenario.Count("ccom.dll CADB_init"), 1);
  EXPECT_EQ(scenario.Count("ccom.dll CADB_close"), 0);
  EXPECT_EQ(scenario.Count("ccom.dll detach at exit"), 1);
  EXPECT_EQ(scenario.Count("ccomio.dll detach at exit"), 1);
}

}  // namespace
