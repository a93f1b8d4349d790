// ccomtoken.exe: the administration tool of the provider's simulated tokens.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "provider_error.h"
#include "token_admin.h"

namespace {

using namespace ccom;

constexpr const char* kUsage =
    "usage: ccomtoken [--root FOLDER] COMMAND\n"
    "  create SLOT --pin PIN [--tries N]   put a new token into the slot (N wrong PINs lock it, "
    "5)\n"
    "  list [SLOT]                         the tokens present, or one token's objects\n"
    "  change-pin SLOT --pin OLD --new-pin NEW\n"
    "  unlock SLOT [--new-pin NEW]         give a locked token its tries back\n"
    "  erase SLOT                          delete every object; the token and its PIN stay\n"
    "  remove SLOT                         take the token out of its slot\n"
    "SLOT is ETOKEN0 to ETOKEN9 or RUTOKEN0 to RUTOKEN9. The tokens live in FOLDER, else in the\n"
    "folder that CCOM_TOKEN_ROOT names, else in CCom\\Tokens of the user's application data.\n";

struct Usage {};

class Arguments {
 public:
  Arguments(int argc, char** argv) : words_(argv + 1, argv + argc) {}

  bool Empty() const { return next_ >= words_.size(); }
  std::string Next() {
    if (Empty()) throw Usage{};
    return words_[next_++];
  }
  // The value of an option anywhere after the command, which is removed from the list.
  std::optional<std::string> Option(const std::string& name) {
    for (size_t i = next_; i + 1 < words_.size(); ++i)
      if (words_[i] == name) {
        std::string value = words_[i + 1];
        words_.erase(words_.begin() + static_cast<long>(i),
                     words_.begin() + static_cast<long>(i) + 2);
        return value;
      }
    return std::nullopt;
  }
  std::string Required(const std::string& name) {
    auto value = Option(name);
    if (!value) throw Usage{};
    return *value;
  }
  TokenSlot Slot() {
    const auto slot = ParseSlotName(Next());
    if (!slot) throw Usage{};
    return TokenSlot{slot->first, slot->second};
  }
  void End() const {
    if (!Empty()) throw Usage{};
  }

 private:
  std::vector<std::string> words_;
  size_t next_ = 0;
};

void Describe(const TokenSlot& slot) {
  const TokenConfig config = TokenStore::ReadConfig(slot);
  std::printf("%-8s serial %s  %s (%d of %d tries left)\n", slot.Name().c_str(),
              config.serial.c_str(), config.triesLeft == 0 ? "locked" : "ready", config.triesLeft,
              config.maxTries);
}

int Run(Arguments& args) {
  if (auto root = args.Option("--root"))
    ::SetEnvironmentVariableA("CCOM_TOKEN_ROOT", root->c_str());
  const std::string command = args.Next();
  if (command == "create") {
    const TokenSlot slot = args.Slot();
    const std::string pin = args.Required("--pin");
    const auto tries = args.Option("--tries");
    args.End();
    CreateToken(slot, pin, tries ? std::atoi(tries->c_str()) : kDefaultPinTries);
    Describe(slot);
  } else if (command == "list") {
    if (args.Empty()) {
      const auto slots = TokensPresent();
      if (slots.empty()) std::printf("no tokens in %s\n", TokenStore::Root().c_str());
      for (const auto& slot : slots) Describe(slot);
      return 0;
    }
    const TokenSlot slot = args.Slot();
    args.End();
    Describe(slot);
    for (const auto& object : ListObjects(slot))
      if (object.folder)
        std::printf("  %s/\n", object.path.c_str());
      else
        std::printf("  %s  %llu bytes\n", object.path.c_str(),
                    static_cast<unsigned long long>(object.size));
  } else if (command == "change-pin") {
    const TokenSlot slot = args.Slot();
    const std::string oldPin = args.Required("--pin");
    const std::string newPin = args.Required("--new-pin");
    args.End();
    ChangePin(slot, oldPin, newPin);
    std::printf("%s: PIN changed\n", slot.Name().c_str());
  } else if (command == "unlock") {
    const TokenSlot slot = args.Slot();
    const auto newPin = args.Option("--new-pin");
    args.End();
    UnlockToken(slot, newPin);
    Describe(slot);
  } else if (command == "erase") {
    const TokenSlot slot = args.Slot();
    args.End();
    EraseObjects(slot);
    std::printf("%s: every object erased\n", slot.Name().c_str());
  } else if (command == "remove") {
    const TokenSlot slot = args.Slot();
    args.End();
    RemoveToken(slot);
    std::printf("%s: token removed\n", slot.Name().c_str());
  } else {
    throw Usage{};
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args(argc, argv);
  try {
    return Run(args);
  } catch (const Usage&) {
    std::fputs(kUsage, stderr);
    return 2;
  } catch (const ccom::ProviderError& e) {
    std::fprintf(stderr, "ccomtoken: %s (code %d)\n", e.what(), e.code());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ccomtoken: %s\n", e.what());
    return 1;
  }
}
