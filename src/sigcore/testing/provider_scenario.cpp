#include "provider_scenario.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "windriver.h"

namespace sigcore_test {
namespace {

int scenarioCount = 0;

void Copy(const std::string& from, const std::string& to) {
  if (!::CopyFileA(from.c_str(), to.c_str(), FALSE))
    throw std::runtime_error("cannot copy " + from + " to " + to);
}

}  // namespace

ProviderScenario::ProviderScenario(const std::string& ccom, const std::string& ccomio) {
  char temp[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, temp);
  folder_ = std::string(temp) + "kit-provider-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(++scenarioCount);
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_);
  Copy(wintest::HostPath(KIT_SIGCORE_DLL), Path("sigcore.dll"));
  const auto source = [](const std::string& library) {
    return library.find('\\') != std::string::npos
               ? library
               : wintest::HostPath(KIT_PROVIDER_DOUBLES) + "\\" + library + ".dll";
  };
  if (!ccom.empty()) Copy(source(ccom), Path("ccom.dll"));
  if (!ccomio.empty()) Copy(source(ccomio), Path("ccomio.dll"));
  ::SetEnvironmentVariableA("CCOM_DOUBLE_LOG", Path("double.log").c_str());
}

ProviderScenario::~ProviderScenario() {
  ::SetEnvironmentVariableA("CCOM_DOUBLE_LOG", nullptr);
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::string ProviderScenario::Path(const std::string& name) const { return folder_ + "\\" + name; }

std::vector<std::string> ProviderScenario::Log() const {
  std::vector<std::string> lines;
  std::ifstream in(Path("double.log"));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

int ProviderScenario::Count(const std::string& event) const {
  const auto lines = Log();
  return static_cast<int>(std::count(lines.begin(), lines.end(), event));
}

bool IsLoaded(const char* file) { return ::GetModuleHandleA(file) != nullptr; }

}  // namespace sigcore_test
