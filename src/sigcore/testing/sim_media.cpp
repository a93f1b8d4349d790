#include "sim_media.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "process_state.h"

namespace sigcore_test {

namespace fs = std::filesystem;

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<uint8_t> SimSecretKey(uint32_t seed) {
  const KeyPair key = MakeKeyPair(seed);
  std::vector<uint8_t> secret(36, 'K');
  std::copy(key.privateKey.begin(), key.privateKey.end(), secret.begin());
  return secret;
}

SimulatedMedia::SimulatedMedia() : scenario_("ccom_sim", "ccomio_sim") {
  ::SetEnvironmentVariableA("CCOM_SIM_ROOT", scenario_.Path("TOKENS").c_str());
  ::SetEnvironmentVariableA("CCOM_SIM_LOG", scenario_.Path("sim.log").c_str());
  ::SetDllDirectoryA(scenario_.Folder().c_str());
  fs::create_directories(scenario_.Path("TOKENS"));
  params_.userPublicKeyPath = scenario_.Path("self.pub");
  params_.secretKeyDir = scenario_.Path("SECRET\\");
  params_.abonentsDir = scenario_.Path("ABONENTS\\");
  params_.keyDevice = "DISK";
  params_.detailErrorFile = scenario_.Path("detail.txt");
  fs::create_directories(params_.secretKeyDir);
  fs::create_directories(params_.abonentsDir);
  // The generator state of the disk container: reading it asks for no keystrokes.
  WriteFile(params_.secretKeyDir + "rand.opq", {});
  binding_ = std::make_unique<sigcore::TCCom3x_DLL>();
}

SimulatedMedia::~SimulatedMedia() {
  EXPECT_EQ(Count("unexpected call"), 0);
  binding_.reset();
  sigcore::ReleaseProcessState(false);
  ::SetDllDirectoryA(nullptr);
  for (const char* name : {"CCOM_SIM_ROOT", "CCOM_SIM_LOG", "CCOM_SIM_ETOKEN_MISSES"})
    ::SetEnvironmentVariableA(name, nullptr);
}

void SimulatedMedia::Reload() {
  binding_.reset();
  sigcore::ReleaseProcessState(false);
  binding_ = std::make_unique<sigcore::TCCom3x_DLL>();
}

std::string SimulatedMedia::TokenSlot(const std::string& device, int slot, const std::string& pin) {
  const std::string folder = scenario_.Path("TOKENS\\" + device + std::to_string(slot));
  fs::create_directories(folder);
  if (!pin.empty()) WriteFile(folder + "\\pin", std::vector<uint8_t>(pin.begin(), pin.end()));
  return folder;
}

std::string SimulatedMedia::TokenFile(const std::string& objectPath) const {
  const size_t colon = objectPath.find(":/");
  std::string file = scenario_.Path("TOKENS\\" + objectPath.substr(0, colon) + "\\" +
                                    objectPath.substr(colon + 2));
  std::replace(file.begin(), file.end(), '/', '\\');
  return file;
}

void SimulatedMedia::InstallDiskKeys(const std::string& uid, uint32_t ownSeed,
                                     const std::vector<uint32_t>& secretSeeds) {
  WriteFile(params_.userPublicKeyPath, SignedBlock(uid, "CN=" + uid, MakeKeyPair(ownSeed)));
  for (const uint32_t seed : secretSeeds) {
    const auto secret = SimSecretKey(seed);
    ASSERT_EQ(binding_->WriteSecretKey("DISK", params_.secretKeyDir, secret.data(), -1, "", 16), 0);
  }
}

std::vector<std::string> SimulatedMedia::TakeLog() {
  std::vector<std::string> lines;
  {
    std::ifstream in(scenario_.Path("sim.log"));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
  }
  fs::remove(scenario_.Path("sim.log"));
  return lines;
}

int SimulatedMedia::Count(const std::string& prefix) const {
  std::ifstream in(scenario_.Path("sim.log"));
  int count = 0;
  for (std::string line; std::getline(in, line);)
    if (line.starts_with(prefix)) ++count;
  return count;
}

}  // namespace sigcore_test
