#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "childprocess.h"
#include "expected_texts.h"
#include "provider_scenario.h"
#include "windriver.h"

namespace {

namespace fs = std::filesystem;

const std::string kSigtool = wintest::HostPath(KIT_SIGTOOL);

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class SigtoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("sigtool-" + std::to_string(::GetCurrentProcessId()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string In(const std::string& name) { return (dir_ / name).string(); }
  wintest::ProgramResult Run(const std::string& args) {
    return wintest::RunProgram("\"" + kSigtool + "\" " + args);
  }
  fs::path dir_;
};

TEST_F(SigtoolTest, Base64RoundTripOfAFile) {
  std::string data;
  for (int i = 0; i < 5000; ++i) data += static_cast<char>(i * 37);
  std::ofstream(In("data.bin"), std::ios::binary) << data;

  auto encoded = Run("base64-encode \"" + In("data.bin") + "\" \"" + In("data.b64") + "\"");
  ASSERT_TRUE(encoded.finished);
  EXPECT_EQ(encoded.exitCode, 0u) << encoded.output;
  const std::string text = Read(dir_ / "data.b64");
  EXPECT_EQ(text.size(), 4 * ((data.size() + 2) / 3));

  auto decoded = Run("base64-decode \"" + In("data.b64") + "\" \"" + In("back.bin") + "\"");
  EXPECT_EQ(decoded.exitCode, 0u) << decoded.output;
  EXPECT_EQ(Read(dir_ / "back.bin"), data);
}

TEST_F(SigtoolTest, RefusesTextThatIsNotBase64) {
  std::ofstream(In("bad.b64"), std::ios::binary) << "Zm9";
  auto result = Run("base64-decode \"" + In("bad.b64") + "\" \"" + In("out.bin") + "\"");
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_NE(result.output.find("Base64"), std::string::npos) << result.output;
  EXPECT_FALSE(fs::exists(dir_ / "out.bin"));
}

TEST_F(SigtoolTest, ReportsLockMisuseAndItsVersion) {
  auto misuse = Run("lock-misuse");
  EXPECT_EQ(misuse.exitCode, 0u);
  EXPECT_NE(misuse.output.find("RWSyncs"), std::string::npos) << misuse.output;

  auto version = Run("version");
  EXPECT_EQ(version.exitCode, 0u);
  EXPECT_NE(version.output.find(KIT_VERSION_TEXT), std::string::npos) << version.output;

  EXPECT_EQ(Run("no-such-command").exitCode, 2u);
}

// What sigtool prints into a pipe is UTF-8, whatever the console code page.
std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// The line of `output` that contains `key`.
std::string LineWith(const std::string& output, const std::string& key) {
  const size_t at = output.find(key);
  if (at == std::string::npos) return {};
  const size_t start = output.rfind('\n', at);
  return output.substr(start == std::string::npos ? 0 : start + 1,
                       output.find('\n', at) - (start == std::string::npos ? 0 : start + 1));
}

TEST_F(SigtoolTest, ListsTheEngineParameters) {
  auto listed = Run("params");
  EXPECT_EQ(listed.exitCode, 0u) << listed.output;
  EXPECT_NE(listed.output.find("1  User PKey/Certificate"), std::string::npos) << listed.output;
  EXPECT_NE(listed.output.find(": DISK | ETOKEN | RUTOKEN"), std::string::npos) << listed.output;
  EXPECT_NE(listed.output.find("22 Device scan depth"), std::string::npos) << listed.output;
  EXPECT_NE(listed.output.find(Utf8(u8"вид 11: *.*")), std::string::npos) << listed.output;

  // Settings apply before the command: on a token the key directory is a 4-character name.
  auto onToken = Run("--set 3=ETOKEN --set 2=1A2F params");
  EXPECT_EQ(onToken.exitCode, 0u) << onToken.output;
  const std::string secretKey = LineWith(onToken.output, "User Secret key");
  EXPECT_NE(secretKey.find("= \"1A2F\""), std::string::npos) << onToken.output;
  EXPECT_NE(secretKey.find(Utf8(u8"вид 2: 4")), std::string::npos) << onToken.output;

  EXPECT_EQ(Run("--set 23=x params").exitCode, 1u);
  EXPECT_EQ(Run("--set 3 params").exitCode, 1u);
}

TEST_F(SigtoolTest, PrintsResultCodeTextsInUtf8) {
  const auto& texts = sigcore_test::ExpectedErrorTexts();
  auto shown = Run("error -22 7 45");
  EXPECT_EQ(shown.exitCode, 0u) << shown.output;
  EXPECT_EQ(shown.output, "-22: " + texts.at(-22) + "\n7: " + texts.at(7) +
                              "\n45: Crypto Com 32x toolkit library unknown or reserved error "
                              "code: 45\n");
  auto wrong = Run("error 5 five");
  EXPECT_EQ(wrong.exitCode, 1u);
  EXPECT_NE(wrong.output.find("5: " + texts.at(5)), std::string::npos) << wrong.output;
  EXPECT_NE(wrong.output.find("five"), std::string::npos) << wrong.output;
}

TEST_F(SigtoolTest, HelpAndUsage) {
  auto help = Run("--help");
  EXPECT_EQ(help.exitCode, 0u);
  for (const char* command : {"params", "error CODE", "provider", "--set N=VALUE"})
    EXPECT_NE(help.output.find(command), std::string::npos) << command;
  EXPECT_EQ(Run("error").exitCode, 2u);
}

// sigtool installed with the kit and a provider double, as a host program is installed.
TEST(SigtoolProvider, ReportsTheProviderItFinds) {
  const auto& texts = sigcore_test::ExpectedErrorTexts();
  const struct {
    const char* ccom;
    const char* ccomio;
    const char* args;
    DWORD exitCode;
    std::vector<std::string> shown;
  } cases[] = {
      {"ccom_complete", "ccomio_complete", "provider", 0,
       {"\\ccom.dll\n", Utf8(u8"функции ввода-вывода берутся из неё"),
        Utf8(u8"Точки входа: все на месте"), "Provider double for the kit's tests"}},
      {"ccom_complete", "ccomio_partial", "provider", 0,
       {Utf8(u8"неполная, не используется"), Utf8(u8"Точки входа: все на месте")}},
      {"ccom_lacking", "", "provider", 1,
       {Utf8(u8"отсутствуют ECGOST_sign_final"), "-23: " + texts.at(-23)}},
      {"", "", "provider", 1, {Utf8(u8"ccom.dll:    не загружена"), "-22: " + texts.at(-22)}},
      {"ccom_complete", "", "--set 2=3F00 --set 3=etoken provider", 1,
       {"-39: " + texts.at(-39)}},
  };
  for (const auto& c : cases) {
    sigcore_test::ProviderScenario scenario(c.ccom, c.ccomio);
    ASSERT_TRUE(::CopyFileA(kSigtool.c_str(), scenario.Path("sigtool.exe").c_str(), FALSE));
    auto run = wintest::RunProgram("\"" + scenario.Path("sigtool.exe") + "\" " + c.args);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.ccom << ": " << run.output;
    for (const std::string& text : c.shown)
      EXPECT_NE(run.output.find(text), std::string::npos) << c.ccom << ": " << run.output;
  }
}

// The provider stand-in beside the host program: every entry point is found, the I/O set in
// ccomio.dll.
TEST(SigtoolProvider, FindsTheProviderStandInBesideIt) {
  auto run = wintest::RunProgram("\"" + kSigtool + "\" provider");
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  for (const std::string& text :
       {std::string("\\ccom.dll\n"), Utf8(u8"функции ввода-вывода берутся из неё"),
        Utf8(u8"Точки входа: все на месте"), std::string("crypto provider stand-in")})
    EXPECT_NE(run.output.find(text), std::string::npos) << text << "\n" << run.output;
}

}  // namespace

namespace {

// The CryptoPro digest of `message` in the known answers of GOST R 34.11-94.
std::string KnownCryptoProDigest(const std::string& message) {
  std::ifstream in(KIT_TEST_VECTORS_DIR "/gostr3411-94.txt");
  std::string line;
  bool cryptoPro = false;
  bool wanted = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("Params = ", 0) == 0) cryptoPro = line == "Params = CryptoPro";
    if (line.rfind("Message = ", 0) == 0) wanted = cryptoPro && line == "Message = \"" + message + "\"";
    if (wanted && line.rfind("Digest = ", 0) == 0) return line.substr(9);
  }
  return {};
}

// Two subscribers with keys on disk, driven through sigtool as a support engineer or a script
// would: keys made, exchanged, documents signed, encrypted, renewed.
class SigtoolService : public SigtoolTest {
 protected:
  wintest::ProgramResult As(const std::string& who, const std::string& args) {
    const std::string folder = In(who);
    const std::string uid = who == "bank" ? "BANK" : "CLIENT";
    const std::string options = "--set \"1=" + folder + "\\self.pub\" --set \"2=" + folder +
                                "\\keys\" --set \"4=" + folder + "\\abonents\" --set 6=" +
                                (who == "bank" ? "CLIENT" : "BANK") + " --set 9=" + uid +
                                " --set \"18=" + folder + "\\self.pub\" --set \"19=" + folder +
                                "\\keys\" ";
    return Run(options + args);
  }
  void Expect(const wintest::ProgramResult& run, DWORD exitCode, const std::string& shown) {
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, exitCode) << run.output;
    EXPECT_NE(run.output.find(shown), std::string::npos) << shown << "\n" << run.output;
  }
};

TEST_F(SigtoolService, CustomerAndBankFromKeysToRenewal) {
  for (const char* who : {"client", "bank"}) {
    fs::create_directories(dir_ / who / "abonents");
    Expect(As(who, "keygen --auto-keystrokes"), 0, Utf8(u8"Ключевая пара создана"));
  }
  Expect(As("client", "export \"" + In("client.pub") + "\""), 0, "CLIENT");
  Expect(As("bank", "export \"" + In("bank.pub") + "\""), 0, "BANK");
  Expect(As("bank", "include \"" + In("client.pub") + "\""), 0, "UID=CLIENT");
  Expect(As("client", "include \"" + In("bank.pub") + "\""), 0, "UID=BANK");
  EXPECT_FALSE(fs::exists(dir_ / "client.pub"));

  // A detached signature and a signed file, each checked by the other side.
  std::ofstream(In("order.txt"), std::ios::binary) << "Payment order 7: 100.00 RUB";
  Expect(As("client", "sign \"" + In("order.txt") + "\" \"" + In("order.sig") + "\""), 0,
         "CLIENT");
  EXPECT_EQ(fs::file_size(dir_ / "order.sig"), 7u + 64u);
  Expect(As("bank", "verify \"" + In("order.txt") + "\" \"" + In("order.sig") + "\""), 0,
         Utf8(u8"подпись верна, подписал CLIENT"));
  Expect(As("client", "sign \"" + In("order.txt") + "\" \"" + In("order.sgn") + "\""), 0, "order.sgn");
  Expect(As("bank", "verify \"" + In("order.sgn") + "\" \"" + In("plain.txt") + "\""), 0, "CLIENT");
  EXPECT_EQ(Read(dir_ / "plain.txt"), "Payment order 7: 100.00 RUB");
  std::string forged = Read(dir_ / "order.txt");
  forged[0] = 'p';
  std::ofstream(In("order.txt"), std::ios::binary) << forged;
  Expect(As("bank", "verify \"" + In("order.txt") + "\" \"" + In("order.sig") + "\""), 1,
         Utf8(u8"7: Цифровая подпись не подтверждена"));

  // Encrypted for the bank (parameter 6): the bank reads it, the customer cannot.
  Expect(As("client", "encrypt \"" + In("order.sgn") + "\" \"" + In("order.enc") + "\""), 0, "BANK");
  Expect(As("client", "decrypt \"" + In("order.enc") + "\" \"" + In("mine.sgn") + "\""), 1, "-16");
  Expect(As("bank", "decrypt \"" + In("order.enc") + "\" \"" + In("theirs.sgn") + "\""), 0, "theirs");
  EXPECT_EQ(Read(dir_ / "theirs.sgn"), Read(dir_ / "order.sgn"));

  std::ofstream(In("abc.txt"), std::ios::binary) << "abc";
  const std::string digest = KnownCryptoProDigest("abc");
  ASSERT_EQ(digest.size(), 64u);
  Expect(As("client", "hash \"" + In("abc.txt") + "\" raw"), 0, digest);

  // A transfer of the customer's key, read by the bank; one changed character is refused.
  Expect(As("client", "transfer export \"" + In("client.b64") + "\""), 0, "client.b64");
  Expect(As("bank", "transfer show \"" + In("client.b64") + "\""), 0, "ChekRes=0");
  std::string transfer = Read(dir_ / "client.b64");
  transfer[40] = transfer[40] == 'Q' ? 'R' : 'Q';
  std::ofstream(In("changed.b64"), std::ios::binary) << transfer;
  EXPECT_EQ(As("bank", "transfer show \"" + In("changed.b64") + "\"").exitCode, 1u);

  // Remote renewal: request, the bank's certificate, the new key in place.
  Expect(As("client", "renew start \"" + In("renewal.b64") + "\" CLIENT-2"), 0, "UID=CLIENT-2");
  Expect(As("bank", "renew certify \"" + In("renewal.b64") + "\" \"" + In("cert.b64") + "\""), 0,
         "BANK");
  Expect(As("client", "renew finish \"" + In("cert.b64") + "\""), 0, "UID CLIENT-2");
  Expect(As("client", "report"), 0, "UID=CLIENT-2");
  // The bank takes the new key from the request, which the old key signed, and checks what the
  // customer signs with it; a changed transfer includes nothing.
  Expect(As("bank", "transfer import \"" + In("changed.b64") + "\""), 1,
         Utf8(u8"sigtool: передача "));
  Expect(As("bank", "transfer import \"" + In("renewal.b64") + "\""), 0,
         Utf8(u8"открытый ключ CLIENT-2 включён в справочник"));
  Expect(As("client", "sign \"" + In("order.txt") + "\" \"" + In("renewed.sig") + "\""), 0,
         "CLIENT-2");
  Expect(As("bank", "verify \"" + In("order.txt") + "\" \"" + In("renewed.sig") + "\""), 0,
         Utf8(u8"подпись верна, подписал CLIENT-2"));

  // The installation check: the kit is not registered in this folder; the provider, the own
  // key and the abonents directory are found.
  const auto doctor = As("client", "doctor");
  Expect(doctor, 1, "!!  ");
  for (const std::string& line : {std::string("OK  sigcore.dll "), Utf8(u8"OK  Криптопровайдер полон"),
                                  Utf8(u8"ключей 2"), Utf8(u8"OK  Собственный ключ: UID CLIENT-2")})
    EXPECT_NE(doctor.output.find(line), std::string::npos) << line << "\n" << doctor.output;
  EXPECT_EQ(Run("sign only-one-argument").exitCode, 2u);
}

}  // namespace

namespace {

// The kit installed in a folder of its own, as on a customer's machine, its ActiveX loader
// registered: what "doctor" finds there, and what it says when something is missing.
TEST_F(SigtoolTest, DoctorChecksAnInstallation) {
  const fs::path built = fs::path(kSigtool).parent_path();
  const fs::path kit = dir_ / "kit";
  fs::create_directories(kit);
  for (const char* file : {"sigtool.exe", "sigcore.dll", "orvavk.dll", "ccom.dll", "ccomio.dll"})
    fs::copy_file(built / file, kit / file);
  fs::copy_file(wintest::HostPath(KIT_AXGATE_DLL), kit / "axgate.dll");
  fs::copy_file(wintest::HostPath(KIT_COPIER_EXE), kit / "copier.exe");
  fs::create_directories(dir_ / "abonents");
  const std::string sigtool = "\"" + (kit / "sigtool.exe").string() + "\" --set \"1=" +
                              In("self.pub") + "\" --set \"2=" + In("keys") + "\" --set \"4=" +
                              In("abonents") + "\" --set 9=CLIENT --set \"18=" + In("self.pub") +
                              "\" --set \"19=" + In("keys") + "\" ";
  const std::string server = (kit / "axgate.dll").string();
  const auto regsvr32 = [&](const char* mode) {
    return wintest::RunProgram(std::string("regsvr32 ") + mode + " \"" + server + "\"").exitCode;
  };
  ASSERT_EQ(wintest::RunProgram(sigtool + "keygen --auto-keystrokes").exitCode, 0u);
  ASSERT_EQ(regsvr32("/s"), 0u);
  const auto healthy = wintest::RunProgram(sigtool + "doctor");
  ASSERT_EQ(regsvr32("/u /s"), 0u);
  EXPECT_EQ(healthy.exitCode, 0u) << healthy.output;
  EXPECT_EQ(healthy.output.find("!!"), std::string::npos) << healthy.output;
  for (const std::string& line :
       {Utf8(u8"OK  Комплект зарегистрирован: ") + server, std::string("OK  axgate.dll "),
        std::string("OK  copier.exe "), Utf8(u8"ключей 0"), Utf8(u8"UID CLIENT")})
    EXPECT_NE(healthy.output.find(line), std::string::npos) << line << "\n" << healthy.output;

  // Unregistered, one file gone, the provider gone: each is a line that says what to do.
  fs::remove(kit / "orvavk.dll");
  const auto broken = wintest::RunProgram(sigtool + "doctor");
  EXPECT_EQ(broken.exitCode, 1u);
  for (const std::string& line : {Utf8(u8"!!  Компонент ActiveX не зарегистрирован"),
                                  Utf8(u8"!!  orvavk.dll нет в ")})
    EXPECT_NE(broken.output.find(line), std::string::npos) << line << "\n" << broken.output;
  fs::remove(kit / "ccom.dll");
  const auto noProvider = wintest::RunProgram(sigtool + "doctor");
  EXPECT_EQ(noProvider.exitCode, 1u);
  EXPECT_NE(noProvider.output.find(Utf8(u8"!!  Криптопровайдер: -22")), std::string::npos)
      << noProvider.output;
}

}  // namespace

namespace {

// A token administered with "sigtool token" and a key pair on it, its PIN given with --pin:
// each step a command line, its exit status and a text its output must hold.
TEST_F(SigtoolTest, TokenCommandsAndAKeyOnTheToken) {
  fs::create_directories(dir_ / "tokens");
  fs::create_directories(dir_ / "abonents");
  ::SetEnvironmentVariableA("CCOM_TOKEN_ROOT", In("tokens").c_str());
  std::ofstream(In("order.txt"), std::ios::binary) << "Payment order 9: 250.00 RUB";
  const std::string holder = "--set 1=ETOKEN --set 2=1A2F --set 3=ETOKEN --set \"4=" +
                             In("abonents") + "\" --set 9=HOLDER --set 18=ETOKEN --set 19=1A2F " +
                             "--set 20=ETOKEN ";
  const std::string sign = "sign \"" + In("order.txt") + "\" \"" + In("order.sig") + "\"";
  const struct {
    std::string args;
    DWORD exitCode;
    std::string shown;
  } steps[] = {
      {"token list", 0, "no tokens in "},
      {"token create ETOKEN0 --pin 1357 --tries 3", 0, "ready (3 of 3 tries left)"},
      {"token create ETOKEN0 --pin 1357", 1, "ccomtoken: "},
      {"token change-pin ETOKEN0 --pin 0000 --new-pin 2468", 1, "code 85"},
      {"token change-pin ETOKEN0 --pin 1357 --new-pin 2468", 0, "ETOKEN0: PIN changed"},
      {"--pin 2468 " + holder + "keygen --auto-keystrokes", 0,
       Utf8(u8"Ключевая пара создана: UID HOLDER")},
      {"token list ETOKEN0", 0, "1A2F/AAAA"},
      {"--pin 2468 " + holder + sign, 0, Utf8(u8"подпись HOLDER")},
      {"--pin 2468 " + holder + "verify \"" + In("order.txt") + "\" \"" + In("order.sig") + "\"", 0,
       Utf8(u8"подпись верна, подписал HOLDER")},
      {"--pin 1111 " + holder + sign, 1, "sigtool: "},
      {"token list ETOKEN0", 0, "ready (2 of 3 tries left)"},
      {"token unlock ETOKEN0", 0, "ready (3 of 3 tries left)"},
      {"token erase ETOKEN0", 0, "ETOKEN0: every object erased"},
      {"--pin 2468 " + holder + sign, 1, "sigtool: "},
      {"token remove ETOKEN0", 0, "ETOKEN0: token removed"},
      {"token list", 0, "no tokens in "},
      {"token", 2, "usage: ccomtoken"},
  };
  for (const auto& step : steps) {
    const auto run = Run(step.args);
    ASSERT_TRUE(run.finished) << step.args;
    EXPECT_EQ(run.exitCode, step.exitCode) << step.args << "\n" << run.output;
    EXPECT_NE(run.output.find(step.shown), std::string::npos) << step.args << "\n" << run.output;
  }
  ::SetEnvironmentVariableA("CCOM_TOKEN_ROOT", nullptr);
}

}  // namespace
