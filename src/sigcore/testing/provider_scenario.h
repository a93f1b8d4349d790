// Test installations of the kit with provider doubles.
#pragma once

#include <string>
#include <vector>

namespace sigcore_test {

// A fresh folder laid out like an installation of the kit: sigcore.dll beside the provider
// doubles chosen, under the names the kit loads (ccom.dll, ccomio.dll). The doubles write
// their log into the folder while the scenario exists.
class ProviderScenario {
 public:
  // `ccom` and `ccomio` name doubles as built (ccom_complete, ccomio_partial...), or give the
  // full path of a library to install (one with a backslash); empty for none.
  explicit ProviderScenario(const std::string& ccom, const std::string& ccomio = "");
  ~ProviderScenario();
  ProviderScenario(const ProviderScenario&) = delete;
  ProviderScenario& operator=(const ProviderScenario&) = delete;

  // folder + "\" + name
  std::string Path(const std::string& name) const;
  const std::string& Folder() const { return folder_; }
  // The doubles' events so far, each "<library file> <event>".
  std::vector<std::string> Log() const;
  int Count(const std::string& event) const;

 private:
  std::string folder_;
};

// Whether a library of that file name is loaded in this process.
bool IsLoaded(const char* file);

}  // namespace sigcore_test
