// Key containers (PSE_CTX_) and the process generator (PSE_).
#include <cstring>

#include "ccm3x_h.h"
#include "export_guard.h"
#include "provider_objects.h"
#include "random_generator.h"

using namespace ccom;

namespace {

constexpr int kMasksInAContainer = 7;

std::shared_ptr<PseContext> Context(PSE_CTX* ctx) { return Contexts().Find(ctx); }

std::string PathArgument(const char* path, int length) {
  Required(path, "path");
  if (length == -1) return path;
  RequireLength(length, 0, 32767, "the path length");
  return std::string(path, static_cast<size_t>(length));
}

int SetPartPlace(const char* function, PSE_CTX* ctx, ContainerPart part, const char* path,
                 int length) {
  return Guarded(function, 0, [&] {
    Context(ctx)->SetPartPlace(part, PathArgument(path, length));
    return 1;
  });
}

int SetPart(const char* function, PSE_CTX* ctx, ContainerPart part, const unsigned char* data,
            int length) {
  return Guarded(function, 0, [&] {
    Context(ctx)->SetPart(part, Required(data, "data"), length);
    return 1;
  });
}

int GetPart(const char* function, PSE_CTX* ctx, ContainerPart part, unsigned char* data,
            int* length) {
  return Guarded(function, 0, [&] {
    Context(ctx)->GetPart(part, Required(data, "buffer"), Required(length, "length"));
    return 1;
  });
}

// Reads or generates; the container opened becomes the context's PSE handle, and one it had
// before stops being one.
template <class Open>
int Opening(const char* function, PSE_CTX* ctx, Open&& open) {
  return Guarded(function, 0, [&] {
    const auto context = Context(ctx);
    const auto before = context->Opened();
    open(*context);
    const auto after = context->Opened();
    if (before) Containers().Remove(before->handle);
    after->handle = Containers().Add(after);
    return 1;
  });
}

std::shared_ptr<OpenContainer> OpenOf(PSE* pse) { return Containers().Find(pse); }

}  // namespace

extern "C" {

PSE_CTX* CCM3X_CALL PSE_CTX_new(void) {
  return Guarded("PSE_CTX_new", static_cast<PSE_CTX*>(nullptr),
                 [] { return static_cast<PSE_CTX*>(Contexts().Make()); });
}

void CCM3X_CALL PSE_CTX_free(PSE_CTX* ctx) {
  GuardedVoid("PSE_CTX_free", [&] {
    std::shared_ptr<PseContext> context;
    try {
      context = Context(ctx);
    } catch (const ProviderError&) {
      return;
    }
    if (const auto open = context->Opened()) Containers().Remove(open->handle);
    Contexts().Remove(ctx);
  });
}

PSE* CCM3X_CALL PSE_CTX_get_pse(PSE_CTX* ctx) {
  return Guarded("PSE_CTX_get_pse", static_cast<PSE*>(nullptr), [&] {
    const auto open = Context(ctx)->Opened();
    void* const handle = open ? open->handle.load() : nullptr;
    if (handle == nullptr) Fail(kParameterError, "the container has not been read or generated");
    return static_cast<PSE*>(handle);
  });
}

int CCM3X_CALL PSE_CTX_set_masks_num(PSE_CTX* ctx, int count) {
  return Guarded("PSE_CTX_set_masks_num", 0, [&] {
    Context(ctx);
    if (count != kMasksInAContainer)
      Fail(kNotSupported, "containers of this provider hold 7 masks, not " + std::to_string(count));
    return 1;
  });
}

int CCM3X_CALL PSE_CTX_set_path(PSE_CTX* ctx, const char* path, int length) {
  return Guarded("PSE_CTX_set_path", 0, [&] {
    Context(ctx)->SetPlace(PathArgument(path, length));
    return 1;
  });
}

int CCM3X_CALL PSE_CTX_set_rand_callback(PSE_CTX* ctx, PSE_RAND_CALLBACK callback) {
  return Guarded("PSE_CTX_set_rand_callback", 0, [&] {
    Context(ctx)->SetRandCallback(callback, nullptr);
    return 1;
  });
}

int CCM3X_CALL PSE_CTX_set_passwd_callback(PSE_CTX*, PSE_PASSWD_CALLBACK) {
  return Unsupported(
      "PSE_CTX_set_passwd_callback",
      "containers carry no password; token PINs go through the token-password callback");
}

int CCM3X_CALL PSE_CTX_set_user_data(PSE_CTX*, void*) {
  return Unsupported("PSE_CTX_set_user_data",
                     "it belongs to the container-password callback, which this provider has not");
}

int CCM3X_CALL PSE_CTX_set_rand_user_data(PSE_CTX* ctx, void* userData) {
  return Guarded("PSE_CTX_set_rand_user_data", 0, [&] {
    Context(ctx)->SetRandUserData(userData);
    return 1;
  });
}

int CCM3X_CALL PSE_CTX_set_etoken(PSE_CTX* ctx, int onToken) {
  return Guarded("PSE_CTX_set_etoken", 0, [&] {
    Context(ctx)->SetOnToken(onToken != 0);
    return 1;
  });
}

int CCM3X_CALL PSE_CTX_set_passwd(PSE_CTX*, const char*, int) {
  return Unsupported(
      "PSE_CTX_set_passwd",
      "containers carry no password; token PINs go through the token-password callback");
}

int CCM3X_CALL PSE_CTX_set_mk_path(PSE_CTX* ctx, const char* path, int length) {
  return SetPartPlace("PSE_CTX_set_mk_path", ctx, ContainerPart::Master, path, length);
}

int CCM3X_CALL PSE_CTX_set_masks_path(PSE_CTX* ctx, const char* path, int length) {
  return SetPartPlace("PSE_CTX_set_masks_path", ctx, ContainerPart::Masks, path, length);
}

int CCM3X_CALL PSE_CTX_set_kek_path(PSE_CTX* ctx, const char* path, int length) {
  return SetPartPlace("PSE_CTX_set_kek_path", ctx, ContainerPart::Kek, path, length);
}

int CCM3X_CALL PSE_CTX_set_rand_path(PSE_CTX* ctx, const char* path, int length) {
  return SetPartPlace("PSE_CTX_set_rand_path", ctx, ContainerPart::Rand, path, length);
}

int CCM3X_CALL PSE_CTX_set_mkey(PSE_CTX* ctx, const unsigned char* data, int length) {
  return SetPart("PSE_CTX_set_mkey", ctx, ContainerPart::Master, data, length);
}

int CCM3X_CALL PSE_CTX_set_masks(PSE_CTX* ctx, const unsigned char* data, int length) {
  return SetPart("PSE_CTX_set_masks", ctx, ContainerPart::Masks, data, length);
}

int CCM3X_CALL PSE_CTX_set_kek(PSE_CTX* ctx, const unsigned char* data, int length) {
  return SetPart("PSE_CTX_set_kek", ctx, ContainerPart::Kek, data, length);
}

int CCM3X_CALL PSE_CTX_set_rand(PSE_CTX* ctx, const unsigned char* data, int length) {
  return SetPart("PSE_CTX_set_rand", ctx, ContainerPart::Rand, data, length);
}

int CCM3X_CALL PSE_CTX_get_mkey(PSE_CTX* ctx, unsigned char* data, int* length) {
  return GetPart("PSE_CTX_get_mkey", ctx, ContainerPart::Master, data, length);
}

int CCM3X_CALL PSE_CTX_get_masks(PSE_CTX* ctx, unsigned char* data, int* length) {
  return GetPart("PSE_CTX_get_masks", ctx, ContainerPart::Masks, data, length);
}

int CCM3X_CALL PSE_CTX_get_kek(PSE_CTX* ctx, unsigned char* data, int* length) {
  return GetPart("PSE_CTX_get_kek", ctx, ContainerPart::Kek, data, length);
}

int CCM3X_CALL PSE_CTX_get_rand(PSE_CTX* ctx, unsigned char* data, int* length) {
  return GetPart("PSE_CTX_get_rand", ctx, ContainerPart::Rand, data, length);
}

int CCM3X_CALL PSE_CTX_generate(PSE_CTX* ctx) {
  return Opening("PSE_CTX_generate", ctx, [](PseContext& context) { context.Generate(); });
}

int CCM3X_CALL PSE_CTX_read(PSE_CTX* ctx) {
  return Opening("PSE_CTX_read", ctx, [](PseContext& context) { context.Read(); });
}

int CCM3X_CALL PSE_CTX_write(PSE_CTX* ctx) {
  return Guarded("PSE_CTX_write", 0, [&] {
    Context(ctx)->Write();
    return 1;
  });
}

int CCM3X_CALL PSE_init(void) { return 1; }

void CCM3X_CALL PSE_close(void) { ProcessRandom().Close(); }

int CCM3X_CALL PSE_generate_kek(PSE* pse) {
  return Guarded("PSE_generate_kek", 0, [&] {
    const auto open = OpenOf(pse);
    std::lock_guard guard(open->lock);
    open->container->NewKek(ProcessRandom());
    return 1;
  });
}

int CCM3X_CALL PSE_load_kek(PSE* pse, const unsigned char* kek, int length) {
  return Guarded("PSE_load_kek", 0, [&] {
    const auto open = OpenOf(pse);
    if (length != static_cast<int>(PartSize(ContainerPart::Kek)))
      Fail(kParameterError, "a key-encryption key part is 36 bytes, not " + std::to_string(length));
    std::lock_guard guard(open->lock);
    open->container->LoadKek(Required(kek, "key-encryption key"));
    return 1;
  });
}

int CCM3X_CALL PSE_generate_mkey(PSE* pse) {
  return Guarded("PSE_generate_mkey", 0, [&] {
    const auto open = OpenOf(pse);
    std::lock_guard guard(open->lock);
    open->container->NewMasterKey(ProcessRandom());
    return 1;
  });
}

int CCM3X_CALL PSE_rand_init_hardware(int) {
  return Unsupported("PSE_rand_init_hardware", "no hardware random generator is supported");
}

int CCM3X_CALL PSE_pseudo_rand_init_hardware(int) {
  return Unsupported("PSE_pseudo_rand_init_hardware", "no hardware random generator is supported");
}

int CCM3X_CALL PSE_pseudo_rand_init(const unsigned char* seed, int length) {
  return Guarded("PSE_pseudo_rand_init", 0, [&] {
    RequireLength(length, 1, 1 << 20, "the seed length");
    ProcessRandom().Seed(Required(seed, "seed"), static_cast<size_t>(length));
    return 1;
  });
}

int CCM3X_CALL PSE_rand_inited(void) { return ProcessRandom().Seeded() ? 1 : 0; }

// 1: the software generator, seeded; 0: not seeded yet.
int CCM3X_CALL PSE_get_rand_type(void) { return PSE_rand_inited(); }

int CCM3X_CALL PSE_get_hwrand_type(void) { return 0; }

int CCM3X_CALL PSE_rand_save_state(PSE* pse) {
  return Guarded("PSE_rand_save_state", 0, [&] {
    const auto open = OpenOf(pse);
    SecretArray<32> state;
    ProcessRandom().Generate(state->data(), state->size());
    std::lock_guard guard(open->lock);
    open->container->SetRandState(state->data());
    return 1;
  });
}

void CCM3X_CALL PSE_rand_close(void) { ProcessRandom().Close(); }

}  // extern "C"
