// The public-key directory through the engine: keys brought in from files and buffers, the
// cache kept current, key reports, the own key's UID and presence.
#include <windows.h>

#include <cstring>
#include <vector>

#include "com3x_engine.h"
#include "fileutil.h"
#include "pkblock.h"
#include "provider_cache.h"
#include "root_path.h"
#include "signature_block.h"
#include "textutil.h"

namespace sigcore {
namespace {

std::string FullPath(const std::string& path) {
  char full[MAX_PATH] = {};
  const DWORD length = ::GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  return length > 0 && length < MAX_PATH ? std::string(full, length) : path;
}

// A report copied whole into a buffer of GetMaxReportSize bytes, or cut to fit it.
void CopyReport(const std::string& report, int32_t capacity, char* out) {
  const size_t length = std::min(report.size(), static_cast<size_t>(capacity - 1));
  std::memcpy(out, report.data(), length);
  out[length] = '\0';
}

}  // namespace

int32_t TCryptoCom3xEngine::IncludePublicKey(const char* fileName) {
  if (fileName == nullptr || fileName[0] == '\0') return SIGCORE_BAD_ARGUMENT;
  const std::string path = ExpandRootPath(fileName, RootPath());
  std::vector<uint8_t> block(kMaxPublicKeyBlockSize);
  int32_t size = kMaxPublicKeyBlockSize;
  if (!kit::ReadFileToBuffer(path, block.data(), size)) return SIGCORE_PUBLIC_KEY_NOT_FOUND;
  return RunFrame("IncludePublicKey", [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params) {
    if (const int32_t result = binding.StorePublicKey(params, block.data(), true, size);
        result != SIGCORE_OK)
      return result;
    // The key is now kept in the directory; its source goes, unless it is the very file the
    // key is kept in (a file included from the directory itself).
    TCCom3x_CashNode parsed;
    TCCom3x_CashNode stored;
    const bool keptThere =
        ParsePublicKeyBlock(block.data(), size, parsed) == SIGCORE_OK &&
        binding.FindNodeByUID(params, parsed.uid, false, stored) == SIGCORE_OK &&
        !stored.fromToken && kit::EqualsIgnoreAsciiCase(FullPath(stored.storagePath), FullPath(path));
    if (!keptThere) ::DeleteFileA(path.c_str());
    return static_cast<int32_t>(SIGCORE_OK);
  });
}

int32_t TCryptoCom3xEngine::IncludePKBuffer(void*, const void* data, int32_t length) {
  if (data == nullptr || length <= 0) return SIGCORE_BAD_ARGUMENT;
  return RunFrame("IncludePKBuffer", [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params) {
    return binding.StorePublicKey(params, static_cast<const uint8_t*>(data), true, length);
  });
}

int32_t TCryptoCom3xEngine::IncludePKBufferCashOnly(void*, const void* data, int32_t length) {
  if (data == nullptr || length <= 0) return SIGCORE_BAD_ARGUMENT;
  return RunFrame("IncludePKBufferCashOnly",
                  [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params) {
                    return binding.StorePublicKey(params, static_cast<const uint8_t*>(data),
                                                  false, length);
                  });
}

int32_t TCryptoCom3xEngine::IncludeSelfPKBufferCashOnly(void*, const void* data, int32_t length) {
  if (data == nullptr || length <= 0) return SIGCORE_BAD_ARGUMENT;
  return RunFrame("IncludeSelfPKBufferCashOnly",
                  [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params) {
                    return binding.SetOwnKeyFromBuffer(params, static_cast<const uint8_t*>(data),
                                                       length);
                  });
}

int32_t TCryptoCom3xEngine::UpdateCertificateCash(const char* uid) {
  if (uid == nullptr || uid[0] == '\0') return SIGCORE_BAD_ARGUMENT;
  return RunFrame("UpdateCertificateCash",
                  [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params) {
                    return binding.UpdateCachedKey(params, uid);
                  });
}

int32_t TCryptoCom3xEngine::RemoveCertificate(const char* uid) {
  if (uid == nullptr || uid[0] == '\0') return SIGCORE_BAD_ARGUMENT;
  return RunFrame("RemoveCertificate", [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params) {
    return binding.RemoveCachedKey(params, uid);
  });
}

void TCryptoCom3xEngine::ClearCash() {
  RunFrame("ClearCash", [](TCCom3x_DLL& binding, const TCCom3x_UserParam&) {
    binding.ClearKeySessionAndCache();
    return static_cast<int32_t>(SIGCORE_OK);
  });
}

int32_t TCryptoCom3xEngine::ImportTokenLogoutFlag() {
  return Guarded(LastException(), "ImportTokenLogoutFlag", [] {
    ProviderCache::Instance().ForEach([](TCCom3x_DLL& binding) {
      binding.TokenLogout();
      binding.ClearKeySessionAndCache();
    });
    return static_cast<int32_t>(SIGCORE_OK);
  });
}

int32_t TCryptoCom3xEngine::GetCurrentUserUID(char* uid) {
  if (uid == nullptr) return SIGCORE_BAD_ARGUMENT;
  return RunFrame("GetCurrentUID", [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params) {
    std::string own;
    if (const int32_t result = binding.GetOwnUID(params, own); result != SIGCORE_OK)
      return result;
    const size_t length = std::min(own.size(), kMaxUidLength);
    std::memcpy(uid, own.data(), length);
    uid[length] = '\0';
    return static_cast<int32_t>(SIGCORE_OK);
  });
}

int32_t TCryptoCom3xEngine::ExportSelfOpenKeyPresenFlag(const void*, int32_t, void*, void* out,
                                                        int32_t* size) {
  return WriteFlag(out, size, SIGCORE_BUFFER_TOO_SMALL, [&](int32_t& flag) {
    return RunFrame("ExportSelfOpenKeyPresenFlag",
                    [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params) {
                      TCCom3x_CashNode own;
                      flag = binding.GetOwnNode(params, own) == SIGCORE_OK ? 1 : 0;
                      return static_cast<int32_t>(SIGCORE_OK);
                    });
  });
}

template <class Read>
int32_t TCryptoCom3xEngine::ReportOf(std::string_view logName, char* out, Read&& read) {
  if (out == nullptr) return SIGCORE_BAD_ARGUMENT;
  return RunFrame(logName, [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params) {
    TCCom3x_CashNode node;
    if (const int32_t result = read(binding, params, node); result != SIGCORE_OK) return result;
    CopyReport(binding.GetReportByNode(node), GetMaxReportSize(), out);
    return static_cast<int32_t>(SIGCORE_OK);
  });
}

int32_t TCryptoCom3xEngine::GetReport(const char* uid, char* report) {
  return ReportOf("GetReport", report,
                  [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params,
                      TCCom3x_CashNode& node) {
                    // Without a UID: the pending successor of the last renewal.
                    if (uid == nullptr || uid[0] == '\0')
                      return binding.ReadNewKeyRequest(params, node);
                    return binding.FindNodeByUID(params, uid, false, node);
                  });
}

int32_t TCryptoCom3xEngine::GetReportByTransfer(const char* transfer, char* report) {
  if (report == nullptr) return SIGCORE_BAD_ARGUMENT;
  TransferContent content;
  if (const int32_t result = GetPublicKeyBlockByTransfer(transfer, content); result != SIGCORE_OK)
    return result;
  return ReportOf("GetReportByTransfer", report,
                  [&](TCCom3x_DLL&, const TCCom3x_UserParam&, TCCom3x_CashNode& node) {
                    // A key block that does not parse is reported as a key that is not there.
                    return ParsePublicKeyBlock(content.keyData.data(),
                                               static_cast<int32_t>(content.keyData.size()), node);
                  });
}

int32_t TCryptoCom3xEngine::GetReportByFile(const char* fileName, char* report) {
  if (fileName == nullptr || fileName[0] == '\0') return SIGCORE_BAD_ARGUMENT;
  return ReportOf("GetReportByFile", report,
                  [&](TCCom3x_DLL&, const TCCom3x_UserParam&, TCCom3x_CashNode& node) {
                    return TCCom3x_DLL::InitCashNodeByFile(ExpandRootPath(fileName, RootPath()),
                                                           node);
                  });
}

int32_t TCryptoCom3xEngine::ExportKeyReportByBuffer(const void* data, int32_t length, void*,
                                                    void* out, int32_t* size) {
  if (size == nullptr) return SIGCORE_BAD_ARGUMENT;
  return RunFrame("ExportKeyReportByBuffer",
                  [&](TCCom3x_DLL& binding, const TCCom3x_UserParam&) -> int32_t {
                    TCCom3x_CashNode node;
                    if (ParsePublicKeyBlock(static_cast<const uint8_t*>(data), length, node) !=
                        SIGCORE_OK)
                      return SIGCORE_PUBLIC_KEY_NOT_FOUND;
                    const std::string report = binding.GetReportByNode(node);
                    const auto needed = static_cast<int32_t>(report.size() + 1);
                    const int32_t capacity = *size;
                    *size = needed;
                    if (out == nullptr) return SIGCORE_OK;
                    if (capacity < needed) return SIGCORE_BUFFER_TOO_SMALL;
                    std::memcpy(out, report.c_str(), report.size() + 1);
                    return SIGCORE_OK;
                  });
}

}  // namespace sigcore
