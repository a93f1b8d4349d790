// A binding over the simulating provider (testing/provider_sim.cpp), with the media its tests
// set up: disk folders, token slots with PINs, key files, and the provider's call log.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ce_ccm3x.h"
#include "key_blocks.h"
#include "provider_scenario.h"

namespace sigcore_test {

class SimulatedMedia : public ::testing::Test {
 protected:
  SimulatedMedia();
  ~SimulatedMedia() override;

  // A token slot ("ETOKEN", 0) made present, asking for `pin` when it is not empty; returns its
  // folder.
  std::string TokenSlot(const std::string& device, int slot, const std::string& pin = "");
  // The simulated file of a token object ("ETOKEN0:/1A2F/AAAA").
  std::string TokenFile(const std::string& objectPath) const;

  // The own key on disk (params_.userPublicKeyPath) and the secret keys of `secretSeeds` in
  // the disk key directory's KEYS folder, in that order.
  void InstallDiskKeys(const std::string& uid, uint32_t ownSeed,
                       const std::vector<uint32_t>& secretSeeds);

  // The provider's calls since the last TakeLog.
  std::vector<std::string> TakeLog();
  // How many of the calls since the last TakeLog begin with `prefix` (the log is kept).
  int Count(const std::string& prefix) const;

  // A fresh binding over a freshly loaded provider, as after sigcore's reload.
  void Reload();

  ProviderScenario scenario_;
  std::unique_ptr<sigcore::TCCom3x_DLL> binding_;
  sigcore::TCCom3x_UserParam params_;
};

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFile(const std::string& path);
// A 36-byte secret key as the simulation keeps it: the private scalar, then 4 bytes.
std::vector<uint8_t> SimSecretKey(uint32_t seed);

}  // namespace sigcore_test
