// The texts the updater shows to the user. Each of the thirteen configurable texts has a key in
// the scenario's [Messages] section, where a line break is written as the two characters "\n"
// so that a text stays on one line of the file.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace copier {

// In the order of the [Messages] section.
enum class Message {
  SharingError,
  NotFoundFile,
  NotFoundParam,
  ErrorInstall,
  NotFoundRegisteredActiveX,
  DefenderClientName,
  IExplorerName,
  IExplorerClose,
  DefenderClientClose,
  OtherProcessesClose,
  AllOk,
  CheckForRunDefender,
  CopyError,
};
inline constexpr size_t kMessageCount = 13;

// The key of a text in the [Messages] section.
const char* MessageKey(Message id);

// The thirteen texts of one run: the built-in ones until a scenario replaces them.
class TMessages {
 public:
  TMessages();
  const std::string& Text(Message id) const { return texts_[static_cast<size_t>(id)]; }
  void SetText(Message id, std::string text) { texts_[static_cast<size_t>(id)] = std::move(text); }

 private:
  std::array<std::string, kMessageCount> texts_;
};

// The texts that no scenario changes: the usage text, and the one for a missing scenario
// file (its argument is the file's full path).
extern const char* const kUsageText;
extern const char* const kScenarioMissingText;

// Every CR LF pair becomes the two characters "\n", and back.
std::string LineBreaksToEscapes(const std::string& text);
std::string EscapesToLineBreaks(const std::string& text);

// Each "%s" takes the next argument (an empty one when they run out) and "%%" stands for "%";
// everything else, other "%" sequences included, is copied as it is. The texts come from a
// scenario file, so they must not be able to make the formatting read what was not passed.
std::string FormatText(const std::string& format, const std::vector<std::string>& arguments);

}  // namespace copier
