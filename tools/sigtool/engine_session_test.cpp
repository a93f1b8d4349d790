// The PIN given to sigtool, on its command line or in a profile, lives only in the options:
// while they live it is there, and afterwards no copy of it is left in any writable memory of
// the process, where a dump or a later allocation could find it.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <string>

#include "engine_session.h"
#include "secure_wipe.h"

namespace {

// The PIN, masked, so that the test's own constant never matches it. It is longer than any
// string keeps inside itself, so a stray copy would be on the heap.
constexpr char kMask = 0x5A;
constexpr size_t kPinLength = 40;
constexpr std::array<char, kPinLength> MaskPin() {
  std::array<char, kPinLength> masked{};
  for (size_t i = 0; i < kPinLength; ++i)
    masked[i] = static_cast<char>(('0' + (i * 7 + 3) % 10) ^ kMask);
  return masked;
}
constexpr std::array<char, kPinLength> kMaskedPin = MaskPin();

void UnmaskPin(char* out) {
  for (size_t i = 0; i < kPinLength; ++i) out[i] = static_cast<char>(kMaskedPin[i] ^ kMask);
}

bool IsPinAt(const char* text) {
  for (size_t i = 0; i < kPinLength; ++i)
    if (text[i] != static_cast<char>(kMaskedPin[i] ^ kMask)) return false;
  return true;
}

// Every committed, writable page of the process (heaps, stacks, data) searched for the PIN.
bool PinInProcessMemory() {
  const auto* at = static_cast<const char*>(nullptr);
  MEMORY_BASIC_INFORMATION region;
  while (::VirtualQuery(at, &region, sizeof region) == sizeof region) {
    const auto* base = static_cast<const char*>(region.BaseAddress);
    constexpr DWORD kWritable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE;
    if (region.State == MEM_COMMIT && (region.Protect & kWritable) != 0 &&
        (region.Protect & PAGE_GUARD) == 0 && region.RegionSize >= kPinLength) {
      for (size_t i = 0; i + kPinLength <= region.RegionSize; ++i)
        if (IsPinAt(base + i)) return true;
    }
    const char* next = base + region.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return false;
}

TEST(SigtoolOptions, ThePinIsKeptWhileTheOptionsLiveAndWipedAfterwards) {
  const std::string profile =
      (std::filesystem::temp_directory_path() /
       ("sigtool-options-" + std::to_string(::GetCurrentProcessId()) + ".profile"))
          .string();
  char argv0[] = "sigtool";
  char set[] = "--set";
  char setting[] = "3=ETOKEN";
  char pinOption[] = "--pin";
  char profileOption[] = "--profile";
  char command[] = "sign";
  std::array<char, kPinLength + 1> pin{};

  const struct {
    const char* name;
    bool inProfile;
  } sources[] = {{"command line", false}, {"profile", true}};
  for (const auto& source : sources) {
    std::string profilePath = profile;
    std::vector<char*> argv = {argv0, set, setting};
    if (source.inProfile) {
      // The file written from a buffer that is wiped at once.
      std::array<char, kPinLength + 16> text{};
      std::memcpy(text.data(), "# token\r\npin=", 13);
      UnmaskPin(text.data() + 13);
      std::memcpy(text.data() + 13 + kPinLength, "\r\n", 2);
      const HANDLE file = ::CreateFileA(profile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
      ASSERT_NE(file, INVALID_HANDLE_VALUE);
      DWORD written = 0;
      ::WriteFile(file, text.data(), kPinLength + 15, &written, nullptr);
      ::CloseHandle(file);
      gost::SecureWipe(text.data(), text.size());
      argv.insert(argv.end(), {profileOption, profilePath.data()});
    } else {
      UnmaskPin(pin.data());
      argv.insert(argv.end(), {pinOption, pin.data()});
    }
    argv.push_back(command);

    {
      sigtool::EngineOptions options;
      std::string error;
      ASSERT_EQ(sigtool::ReadOptions(static_cast<int>(argv.size()), argv.data(), options, error),
                static_cast<int>(argv.size()) - 1)
          << source.name << ": " << error;
      ASSERT_EQ(options.settings.size(), 1u);
      EXPECT_EQ(options.settings[0].number, 3);
      EXPECT_EQ(options.settings[0].value, "ETOKEN");
      ASSERT_EQ(options.pin.size(), kPinLength + 1) << source.name;
      EXPECT_TRUE(IsPinAt(options.pin.data())) << source.name;
      EXPECT_EQ(options.pin.data()[kPinLength], '\0') << source.name;
      // The search sees the memory where the PIN is kept.
      EXPECT_TRUE(PinInProcessMemory()) << source.name;
      EXPECT_EQ(pin[0], '\0') << "the command line still holds the PIN";
    }
    EXPECT_FALSE(PinInProcessMemory()) << source.name;
  }
  std::filesystem::remove(profile);
}

TEST(SigtoolOptions, MalformedOptionsAndProfileLinesAreRefused) {
  const std::string profile =
      (std::filesystem::temp_directory_path() /
       ("sigtool-bad-" + std::to_string(::GetCurrentProcessId()) + ".profile"))
          .string();
  const HANDLE file = ::CreateFileA(profile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const char text[] = "root=C:\\kit\r\n\r\n  # note\r\n4= C:\\abonents\r\nsomething else\r\n";
  DWORD written = 0;
  ::WriteFile(file, text, sizeof text - 1, &written, nullptr);
  ::CloseHandle(file);

  sigtool::EngineOptions options;
  std::string bad;
  EXPECT_FALSE(sigtool::ReadProfile(profile, options, bad));
  EXPECT_EQ(bad, "something else");
  EXPECT_EQ(options.root, "C:\\kit");
  ASSERT_EQ(options.settings.size(), 1u);
  EXPECT_EQ(options.settings[0].value, " C:\\abonents");
  EXPECT_FALSE(sigtool::ReadProfile(profile + ".missing", options, bad));
  std::filesystem::remove(profile);

  const struct {
    std::vector<std::string> words;
    int first;
  } lines[] = {
      {{"--set", "3=ETOKEN", "--root", "C:\\", "params"}, 5},
      {{"--set", "=ETOKEN", "params"}, -1},
      {{"--set", "x=1", "params"}, -1},
      {{"--set", "3", "params"}, -1},
      {{"--pin"}, 1},
      {{"params", "--pin", "1"}, 1},
  };
  for (const auto& line : lines) {
    std::vector<std::string> words = {"sigtool"};
    words.insert(words.end(), line.words.begin(), line.words.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    sigtool::EngineOptions parsed;
    std::string error;
    EXPECT_EQ(sigtool::ReadOptions(static_cast<int>(argv.size()), argv.data(), parsed, error),
              line.first)
        << line.words[0] << " " << error;
    EXPECT_EQ(error.empty(), line.first >= 0);
  }
}

}  // namespace
