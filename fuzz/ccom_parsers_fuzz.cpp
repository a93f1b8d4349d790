// The provider's parsers of outside input: token object paths, token configurations and
// stored container parts. None may crash; what a parser accepts must come back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "container.h"
#include "provider_error.h"
#include "token_config.h"
#include "token_path.h"

namespace {

size_t PartsSize() {
  size_t size = 0;
  for (ccom::ContainerPart part : ccom::kContainerParts) size += ccom::PartSize(part);
  return size;
}

void Paths(const std::string& text) {
  try {
    const ccom::TokenPath path = ccom::ParseTokenPath(text);
    for (const auto& component : path.components)
      if (!ccom::IsObjectName(component)) std::abort();
    const std::string again = path.device + (path.slot ? std::to_string(*path.slot) : "") + ":/" +
                              ccom::JoinComponents(path.components);
    if (ccom::ParseTokenPath(again).components != path.components) std::abort();
  } catch (const ccom::ProviderError&) {
  }
}

void Configurations(const std::string& text) {
  try {
    const ccom::TokenConfig config = ccom::ParseTokenConfig(text);
    const ccom::TokenConfig again = ccom::ParseTokenConfig(ccom::FormatTokenConfig(config));
    if (again.serial != config.serial || again.triesLeft != config.triesLeft ||
        again.pin.digest != config.pin.digest)
      std::abort();
  } catch (const ccom::ProviderError&) {
  }
}

void Parts(const uint8_t* data) {
  const uint8_t* kek = data;
  const uint8_t* masks = kek + ccom::PartSize(ccom::ContainerPart::Kek);
  const uint8_t* rand = masks + ccom::PartSize(ccom::ContainerPart::Masks);
  const uint8_t* master = rand + ccom::PartSize(ccom::ContainerPart::Rand);
  try {
    ccom::Container::Open(kek, masks, master, rand);
  } catch (const ccom::ProviderError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  if (size > 4096) return 0;
  const std::string text(reinterpret_cast<const char*>(input), size);
  Paths(text);
  Configurations(text);
  if (size >= PartsSize()) Parts(input);
  return 0;
}
