#include "ccm3x_loader.h"

#include <memory>
#include <mutex>

#include "libload.h"

namespace sigcore {
namespace {

std::mutex loaderLock;
std::unique_ptr<TCCom3xDll_loader> loader;

}  // namespace

HMODULE OwnModule() { return kit::ModuleContaining(reinterpret_cast<const void*>(&OwnModule)); }

std::string OwnModuleDirectory() {
  const HMODULE self = OwnModule();
  return self != nullptr ? kit::ModuleDirectory(self) : std::string();
}

kit::UniqueModule LoadProviderLibrary(const std::string& bareName) {
  kit::UniqueModule module = kit::LoadLibrarySearched(bareName);
  if (module) return module;
  const std::string directory = OwnModuleDirectory();
  if (directory.empty()) return module;
  return kit::LoadLibrarySearched(directory + bareName);
}

TCCom3xDll_loader::TCCom3xDll_loader() {
  ccom_ = LoadProviderLibrary("ccom.dll");
  if (ccom_) {
    const auto init = kit::ProcAddress<decltype(&::CADB_init)>(ccom_.Get(), "CADB_init");
    if (init == nullptr) {
      ccom_.Reset();
    } else {
      close_ = kit::ProcAddress<decltype(&::CADB_close)>(ccom_.Get(), "CADB_close");
      init();
    }
  }
  ccomio_ = LoadProviderLibrary("ccomio.dll");
}

TCCom3xDll_loader::~TCCom3xDll_loader() {
  ccomio_.Reset();
  if (close_ != nullptr) close_();
  ccom_.Reset();
}

const TCCom3xDll_loader& TCCom3xDll_loader::Acquire() {
  std::lock_guard guard(loaderLock);
  if (!loader) loader = std::make_unique<TCCom3xDll_loader>();
  return *loader;
}

void TCCom3xDll_loader::Release(bool processExit) noexcept {
  std::lock_guard guard(loaderLock);
  if (processExit)
    (void)loader.release();  // the process is ending; its memory goes with it
  else
    loader.reset();
}

}  // namespace sigcore
