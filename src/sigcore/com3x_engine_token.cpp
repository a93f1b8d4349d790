// The key directories of an "ETOKEN": which slot holds one, the reports of the keys it holds,
// and its erasure.
#include <cstring>
#include <vector>

#include "com3x_engine.h"
#include "keyplaces.h"

namespace sigcore {
namespace {

constexpr const char* kTokenDevice = "ETOKEN";
constexpr const char* kReportSeparator = "\r\n------\r\n";

}  // namespace

int32_t TCryptoCom3xEngine::TokenKeyDirOperation(int32_t type, const void* directory, void*,
                                                 int32_t mode, void* out, int32_t* number) {
  const char* name = static_cast<const char*>(directory);
  if (type != 101 && type != 102 && type != 103) return SIGCORE_NOT_SUPPORTED;
  if (name == nullptr || (type != 103 && number == nullptr)) return SIGCORE_BAD_ARGUMENT;
  if (type == 102) return TokenDirectoryReport(name, mode, static_cast<char*>(out), number);
  std::string step = (type == 101 ? "GetSlotNumberForTokenObject(" : "EraseTokenKeyDir(") +
                     std::string(name) + ")";
  return RunFrame(step, [&](TCCom3x_DLL& binding, const TCCom3x_UserParam&) {
    if (type == 103) return binding.EraseTokenKeyDir(kTokenDevice, name);
    *number = binding.GetSlotNumberForTokenObject(kTokenDevice, name);
    return static_cast<int32_t>(SIGCORE_OK);
  });
}

int32_t TCryptoCom3xEngine::TokenDirectoryReport(const char* directory, int32_t mode, char* out,
                                                 int32_t* number) {
  const std::string name = directory;
  // A number given on entry is the capacity of `out`; without one, kTokenReportBound.
  const int32_t capacity = *number != 0 ? *number : kTokenReportBound;
  std::string reference;
  if (mode == 2) {
    if (out == nullptr) return SIGCORE_BAD_ARGUMENT;
    const size_t length = strnlen(out, static_cast<size_t>(capacity));
    if (length == static_cast<size_t>(capacity)) return SIGCORE_BAD_ARGUMENT;
    reference.assign(out, length);
  }
  std::string step;
  try {
    TCCom3x_UserParam params;
    if (const int32_t result = LoadUserParams(params); result != SIGCORE_OK) return result;
    TCCom3x_DLL* binding = nullptr;
    if (const int32_t result = GetCryptoAPI(params, binding); result != SIGCORE_OK) return result;

    TCCom3x_CashNode referenceNode;
    if (mode == 2) {
      step = "InitCashNodeByFile(" + reference + ")";
      if (const int32_t result = TCCom3x_DLL::InitCashNodeByFile(reference, referenceNode);
          result != SIGCORE_OK)
        return result;
    }
    step = "GetSlotNumberForTokenObject(" + name + ")";
    const int32_t slot = binding->GetSlotNumberForTokenObject(kTokenDevice, name);
    if (slot < 0) return SIGCORE_TOKEN_NO_SLOT;

    const int64_t files = mode != 0 ? params.deviceScanDepth : 1;
    std::string text;
    int32_t result = SIGCORE_OK;
    TCCom3x_CashNode node;
    bool matched = false;
    for (int64_t i = 1; i <= files; ++i) {
      const std::string object = mode != 0 ? name + Hex4(i) : name;
      step = "InitCashNodeByTokenFile(" + object + ")";
      node = TCCom3x_CashNode();
      result = binding->InitCashNodeByTokenFile(params.detailErrorFile, slot, node, object,
                                                kTokenDevice);
      // A key that cannot be read adds nothing to the report.
      if (result != SIGCORE_OK) continue;
      if (mode == 2 && node.uid != referenceNode.uid) continue;
      step = "GetReportByNode";
      if (!text.empty()) text += kReportSeparator;
      text += binding->GetReportByNode(node);
      if (mode == 2) {
        matched = node.publicKey == referenceNode.publicKey;
        break;
      }
      if (mode == 0) {
        step = "CreateSKCash";
        result = binding->CreateSKCash(node, params);
      }
    }

    step = "StrPLCopy(" + std::to_string(capacity) + ")";
    const auto needed = static_cast<int64_t>(text.size()) + 1;
    if (mode > 1 || (out != nullptr && *number != 0)) {
      if (out == nullptr) return SIGCORE_BAD_ARGUMENT;
      if (needed > capacity) {
        *number = static_cast<int32_t>(needed);
        return SIGCORE_BUFFER_TOO_SMALL;
      }
      std::memcpy(out, text.c_str(), text.size() + 1);
    } else {
      *number = static_cast<int32_t>(text.size());
    }
    if (mode == 2) *number = matched ? 1 : 0;
    return mode > 0 ? SIGCORE_OK : result;
  } catch (...) {
    StoreCurrentException(LastException(), step);
    return SIGCORE_EXCEPTION;
  }
}

}  // namespace sigcore
