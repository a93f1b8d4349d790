// The binding's key media and public-key cache on a disk medium: files the kit reads and
// writes itself, with a provider double that logs any call (none is expected).
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "ce_ccm3x.h"
#include "key_blocks.h"
#include "process_state.h"
#include "provider_scenario.h"

namespace sigcore {
namespace {

namespace fs = std::filesystem;
using sigcore_test::ProviderScenario;

std::vector<uint8_t> Block(const std::string& uid, uint32_t seed = 1) {
  return sigcore_test::SignedBlock(uid, "CN=" + uid, sigcore_test::MakeKeyPair(seed));
}

void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  if (fs::is_directory(folder))
    for (const auto& entry : fs::directory_iterator(folder))
      names.insert(entry.path().filename().string());
  return names;
}

class DiskMedia : public ::testing::Test {
 protected:
  DiskMedia() : scenario_("ccom_complete") {
    ::SetDllDirectoryA(scenario_.Folder().c_str());
    binding_ = std::make_unique<TCCom3x_DLL>();
    params_.userPublicKeyPath = scenario_.Path("self.pub");
    params_.secretKeyDir = scenario_.Path("SECRET\\");
    params_.abonentsDir = scenario_.Path("ABONENTS\\");
    params_.keyDevice = "DISK";
    fs::create_directories(params_.abonentsDir);
  }
  ~DiskMedia() override {
    // The kit itself handles disk media: the provider was not asked for anything.
    EXPECT_EQ(scenario_.Count("ccom.dll unexpected call"), 0);
    binding_.reset();
    ReleaseProcessState(false);
    ::SetDllDirectoryA(nullptr);
  }
  std::string Abonent(const std::string& name) const { return params_.abonentsDir + name; }
  int32_t Store(const std::vector<uint8_t>& block, bool save) {
    return binding_->StorePublicKey(params_, block.data(), save,
                                    static_cast<int32_t>(block.size()));
  }
  std::string FoundPath(const std::string& uid) {
    TCCom3x_CashNode node;
    return binding_->FindNodeByUID(params_, uid, false, node) == 0 ? node.storagePath : "-";
  }

  ProviderScenario scenario_;
  std::unique_ptr<TCCom3x_DLL> binding_;
  TCCom3x_UserParam params_;
};

TEST_F(DiskMedia, SecretKeysTakeTheNextNumberInKeys) {
  const uint8_t key[36] = {1, 2, 3};
  struct Case {
    std::vector<std::string> present;  // in KEYS\; a name ending in "\" is a folder
    int32_t result;
    std::string written;
  };
  const Case cases[] = {
      {{}, 0, "sk000001.sec"},
      {{"sk000001.sec", "sk000007.sec"}, 0, "sk000008.sec"},
      {{"sk000002.sec", "skabc.sec", "sk9.bak", "other.sec"}, 0, "sk000003.sec"},
      {{"sk41.sec"}, 0, "sk000042.sec"},
      // A folder in the place of the next file: the write fails.
      {{"sk000004.sec", "sk000005.sec\\"}, -7, ""},
  };
  for (const Case& c : cases) {
    fs::remove_all(params_.secretKeyDir);
    const std::string keys = params_.secretKeyDir + "KEYS\\";
    for (const std::string& name : c.present) {
      if (name.back() == '\\')
        fs::create_directories(keys + name);
      else
        Write(keys + name, {9});
    }
    const std::set<std::string> before = FilesIn(keys);
    EXPECT_EQ(binding_->WriteSecretKey("DISK", params_.secretKeyDir, key, -1, "", 16), c.result)
        << c.written;
    std::set<std::string> added = FilesIn(keys);
    for (const std::string& name : before) added.erase(name);
    if (c.result == 0) {
      EXPECT_EQ(added, std::set<std::string>{c.written});
      EXPECT_EQ(Read(keys + c.written), std::vector<uint8_t>(key, key + 36));
    } else {
      EXPECT_TRUE(added.empty());
    }
  }
  // KEYS\ cannot be made where a file stands in the way.
  fs::remove_all(params_.secretKeyDir);
  Write(scenario_.Path("blocked"), {1});
  EXPECT_EQ(binding_->WriteSecretKey("DISK", scenario_.Path("blocked\\"), key, -1, "", 16), -8);
}

TEST_F(DiskMedia, CorrespondentsKeysAreStoredUnderTheirUidOrANumber) {
  Write(params_.userPublicKeyPath, Block("ME"));
  struct Case {
    std::string uid;
    bool save;
    int32_t result;
    std::string file;  // where the key lands; empty when nowhere
  };
  const Case cases[] = {
      {"BANK01", true, 0, "BANK01.pub"},
      // Stored again, the key replaces its file.
      {"bank01", true, 0, "bank01.pub"},
      {"CLIENT", false, 0, ""},
      // The user's own UID is never stored as a correspondent's.
      {"Me", true, 0, ""},
      // A UID that is not a plain file name never becomes part of a path.
      {"..\\..\\evil", true, 0, "pk1.pub"},
      {"CON", true, 0, "pk2.pub"},
  };
  for (const Case& c : cases) {
    const std::set<std::string> before = FilesIn(params_.abonentsDir);
    EXPECT_EQ(Store(Block(c.uid), c.save), c.result) << c.uid;
    TCCom3x_CashNode node;
    const int32_t found = binding_->FindNodeByUID(params_, c.uid, false, node);
    if (c.uid == "Me") {
      EXPECT_EQ(node.storagePath, params_.userPublicKeyPath);
      EXPECT_EQ(FilesIn(params_.abonentsDir), before);
      continue;
    }
    ASSERT_EQ(found, 0) << c.uid;
    EXPECT_EQ(node.storagePath, c.file.empty() ? "" : Abonent(c.file)) << c.uid;
    if (!c.file.empty()) {
      EXPECT_EQ(Read(Abonent(c.file)), Block(c.uid)) << c.uid;
    }
  }
  EXPECT_EQ(FilesIn(params_.abonentsDir),
            (std::set<std::string>{"bank01.pub", "pk1.pub", "pk2.pub"}));
  EXPECT_FALSE(fs::exists(scenario_.Path("evil.pub")));
  EXPECT_EQ(binding_->Cache().Uids(),
            (std::vector<std::string>{"ME", "bank01", "CLIENT", "..\\..\\evil", "CON"}));

  // UID.pub taken by a file of another key: the next "pk" number after the largest.
  Write(Abonent("NEW.pub"), Block("SOMEONE"));
  Write(Abonent("pk7.pub"), Block("SEVEN"));
  EXPECT_EQ(Store(Block("NEW"), true), 0);
  EXPECT_EQ(FoundPath("NEW"), Abonent("pk8.pub"));

  const std::vector<uint8_t> malformed(100, 7);
  EXPECT_EQ(Store(malformed, false), -9);
  fs::remove_all(params_.abonentsDir);
  EXPECT_EQ(Store(Block("LATE"), true), -24);
  EXPECT_EQ(Store(Block("LATE"), false), 0);
}

TEST_F(DiskMedia, LoadReadsTheOwnKeyFirstAndEveryPubFileBelowTheAbonents) {
  Write(params_.userPublicKeyPath, Block("ME", 1));
  Write(Abonent("a.pub"), Block("BANK", 2));
  Write(Abonent("sub\\deeper\\b.PUB"), Block("Branch", 3));
  Write(Abonent("sub\\c.pub"), Block("ME", 4));     // a duplicate of the own key
  Write(Abonent("sub\\bad.pub"), {1, 2, 3});        // skipped
  Write(Abonent("d.txt"), Block("IGNORED", 5));     // not a "pub" file
  Write(Abonent("e.xpub"), Block("XPUB", 6));       // ends in "pub" all the same

  std::lock_guard cache(binding_->Cache().Lock());
  ASSERT_EQ(binding_->LoadPublicKeyCache(params_), 0);
  const std::vector<std::string> uids = binding_->Cache().Uids();
  ASSERT_EQ(uids.size(), 5u);
  EXPECT_EQ(uids.front(), "ME");
  EXPECT_EQ(std::set<std::string>(uids.begin(), uids.end()),
            (std::set<std::string>{"ME", "BANK", "Branch", "XPUB"}));
  EXPECT_EQ(binding_->Cache().OwnUid(), "ME");
  // The own file wins over its duplicate, and lookups ignore letter case.
  EXPECT_EQ(FoundPath("me"), params_.userPublicKeyPath);
  EXPECT_EQ(FoundPath("branch"), Abonent("sub\\deeper\\b.PUB"));
  TCCom3x_CashNode own;
  ASSERT_EQ(binding_->GetOwnNode(params_, own), 0);
  EXPECT_EQ(own.publicKey, sigcore_test::MakeKeyPair(1).publicKey);

  // A missing or broken own key ends the load and leaves nothing half loaded.
  Write(params_.userPublicKeyPath, {1, 2, 3});
  EXPECT_EQ(binding_->LoadPublicKeyCache(params_), -9);
  EXPECT_TRUE(binding_->Cache().Empty());
  fs::remove(params_.userPublicKeyPath);
  EXPECT_EQ(binding_->LoadPublicKeyCache(params_), -9);
  // Without an own key file the correspondents alone are loaded.
  params_.userPublicKeyPath.clear();
  EXPECT_EQ(binding_->LoadPublicKeyCache(params_), 0);
  EXPECT_EQ(binding_->Cache().Size(), 4u);
  EXPECT_EQ(binding_->Cache().OwnUid(), "");
}

TEST_F(DiskMedia, CachedKeysAreUpdatedAndRemovedWhereTheyAreStored) {
  Write(params_.userPublicKeyPath, Block("ME", 1));
  Write(Abonent("bank.pub"), Block("BANK", 2));
  Write(Abonent("x\\other.pub"), Block("LATER", 3));
  // An update of a cache not loaded yet loads it whole first.
  ASSERT_EQ(binding_->UpdateCachedKey(params_, "LATER"), 0);
  ASSERT_EQ(FoundPath("BANK"), Abonent("bank.pub"));

  // A changed file is read again in place.
  Write(Abonent("bank.pub"), Block("BANK", 9));
  EXPECT_EQ(binding_->UpdateCachedKey(params_, "bank"), 0);
  TCCom3x_CashNode node;
  ASSERT_EQ(binding_->FindNodeByUID(params_, "BANK", false, node), 0);
  EXPECT_EQ(node.publicKey, sigcore_test::MakeKeyPair(9).publicKey);
  EXPECT_EQ(binding_->Cache().Uids().at(1), "BANK") << "in its place";

  // A key not cached is looked for under its name, then in every file.
  Write(Abonent("NEWCOMER.pub"), Block("NEWCOMER", 4));
  Write(Abonent("y\\renamed.pub"), Block("HIDDEN", 5));
  EXPECT_EQ(binding_->UpdateCachedKey(params_, "newcomer"), 0);
  EXPECT_EQ(binding_->UpdateCachedKey(params_, "Hidden"), 0);
  EXPECT_EQ(FoundPath("HIDDEN"), Abonent("y\\renamed.pub"));
  EXPECT_EQ(binding_->UpdateCachedKey(params_, "NOBODY"), -9);

  // A file that now holds another UID: everything is read again.
  Write(Abonent("bank.pub"), Block("SOMEONE", 6));
  EXPECT_EQ(binding_->UpdateCachedKey(params_, "BANK"), -9);
  EXPECT_EQ(FoundPath("SOMEONE"), Abonent("bank.pub"));
  Write(Abonent("z\\bank2.pub"), Block("BANK", 7));
  Write(Abonent("bank.pub"), {0});
  EXPECT_EQ(binding_->UpdateCachedKey(params_, "SOMEONE"), -9);
  EXPECT_EQ(FoundPath("BANK"), Abonent("z\\bank2.pub"));

  // Removal deletes the file; the own key stays.
  EXPECT_EQ(binding_->RemoveCachedKey(params_, "me"), -25);
  EXPECT_TRUE(fs::exists(params_.userPublicKeyPath));
  EXPECT_EQ(FoundPath("ME"), params_.userPublicKeyPath);
  EXPECT_EQ(binding_->RemoveCachedKey(params_, "bank"), 0);
  EXPECT_FALSE(fs::exists(Abonent("z\\bank2.pub")));
  EXPECT_EQ(FoundPath("BANK"), "-");
  EXPECT_EQ(binding_->RemoveCachedKey(params_, "NOT-CACHED"), 0);

  // Re-reading needs the abonents directory.
  Write(Abonent("later2.pub"), Block("LATER", 8));
  fs::remove(Abonent("x\\other.pub"));
  fs::rename(params_.abonentsDir, scenario_.Path("MOVED"));
  EXPECT_EQ(binding_->UpdateCachedKey(params_, "LATER"), -24);
}

}  // namespace
}  // namespace sigcore
