#include "ccom_container.h"

#include <windows.h>

namespace sigcore_test {
namespace {

int CCM3X_CALL TypeAsAsked(int requested, int, int, void*) { return requested; }

}  // namespace

int MakeProviderContainer(const ccm3x::EntryPoints& api, const std::string& place) {
  if (place.find(":/") == std::string::npos) {
    // Each missing folder of the path, from the top.
    for (size_t at = place.find('\\', 3); at != std::string::npos; at = place.find('\\', at + 1))
      ::CreateDirectoryA(place.substr(0, at).c_str(), nullptr);
    ::CreateDirectoryA(place.c_str(), nullptr);
  }
  PSE_CTX* const container = api.PSE_CTX_new();
  if (container == nullptr) return api.ERR_get_last_error();
  const bool made = api.PSE_CTX_set_path(container, place.c_str(), -1) == 1 &&
                    api.PSE_CTX_set_rand_callback(container, &TypeAsAsked) == 1 &&
                    api.PSE_CTX_generate(container) == 1 && api.PSE_CTX_write(container) == 1;
  const int result = made ? 0 : api.ERR_get_last_error();
  api.PSE_CTX_free(container);
  return result;
}

}  // namespace sigcore_test
