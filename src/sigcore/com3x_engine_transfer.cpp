// Public-key transfers: a public-key block and its owner UID in a transfer block, signed by
// the sender as a signed buffer and carried as Base64 text. Making one signs with the own
// secret key; reading one checks the signature against the sender's known key.
#include <windows.h>

#include <cstring>
#include <vector>

#include "com3x_engine.h"
#include "fileutil.h"
#include "keyplaces.h"
#include "mimecode.h"
#include "pkblock.h"
#include "root_path.h"
#include "signature_block.h"

namespace sigcore {
namespace {

// The UID and its NUL are written into a buffer of GetMaxUIDLength bytes.
void CopyUid(const std::string& uid, char* out) {
  const size_t length = std::min(uid.size(), kMaxUidLength);
  std::memcpy(out, uid.data(), length);
  out[length] = '\0';
}

// The bytes of a key data block, and the size contract of the exports that hand it out: a
// null `out` asks for the size, a smaller capacity gets it with -3.
int32_t HandOut(const std::vector<uint8_t>& data, void* out, int32_t* size) {
  if (size == nullptr) return SIGCORE_BAD_ARGUMENT;
  const auto needed = static_cast<int32_t>(data.size());
  const int32_t capacity = *size;
  *size = needed;
  if (out == nullptr) return SIGCORE_OK;
  if (capacity < needed) return SIGCORE_BUFFER_TOO_SMALL;
  std::memcpy(out, data.data(), data.size());
  return SIGCORE_OK;
}

// A cached node written back as the block it was read from.
int32_t BlockOf(const TCCom3x_CashNode& node, std::vector<uint8_t>& block) {
  block.assign(kMaxPublicKeyBlockSize, 0);
  int32_t size = kMaxPublicKeyBlockSize;
  if (const int32_t result = AppendBlockSignature(node, block.data(), size); result != SIGCORE_OK)
    return result;
  block.resize(static_cast<size_t>(size));
  return SIGCORE_OK;
}

}  // namespace

int32_t TCryptoCom3xEngine::PrepareTransferByBuffer(const uint8_t* keyData, int32_t length,
                                                    const std::string& owner, char* out) {
  if (out == nullptr) return SIGCORE_BAD_ARGUMENT;
  std::vector<uint8_t> signedBuffer(static_cast<size_t>(kTransferBlockSize + GetMaxSignAddition()));
  TransferBlock block;
  if (const int32_t result = BuildTransferBlock(owner, keyData, length, block);
      result != SIGCORE_OK)
    return result;
  std::memcpy(signedBuffer.data(), block.data(), block.size());
  int32_t signedLength = kTransferBlockSize;
  if (const int32_t result = AddSign(signedBuffer.data(), &signedLength, nullptr);
      result != SIGCORE_OK)
    return result;
  return Guarded(LastException(), "PrepareTransferByBuffer", [&]() -> int32_t {
    char* text = nullptr;
    int32_t textLength = 0;
    kit::Base64Encode(signedBuffer.data(), signedLength, &text, &textLength);
    const kit::Base64Block<char> owned(text);
    if (text == nullptr) {
      LastException().SetValue(
          "TCryptoCom3xEngine.PrepareTransferByBuffer: Unable to encode transfer to BASE64!");
      return SIGCORE_EXCEPTION;
    }
    if (textLength > GetMaxPublicKeyTransferSize()) return SIGCORE_BUFFER_TOO_SMALL;
    std::memcpy(out, text, static_cast<size_t>(textLength));
    out[textLength] = '\0';
    return SIGCORE_OK;
  });
}

int32_t TCryptoCom3xEngine::GetPublicKeyBlockByTransfer(const char* text,
                                                        TransferContent& content) {
  if (text == nullptr || text[0] == '\0') return SIGCORE_BAD_ARGUMENT;
  uint8_t* decoded = nullptr;
  int32_t decodedLength = 0;
  const size_t textLength = strnlen(text, static_cast<size_t>(GetMaxPublicKeyTransferSize()) + 1);
  kit::Base64Decode(text, static_cast<int32_t>(textLength), &decoded, &decodedLength);
  const kit::Base64Block<uint8_t> owned(decoded);
  if (decoded == nullptr) return SIGCORE_BAD_ARGUMENT;
  std::vector<char> signer(static_cast<size_t>(GetMaxUIDLength()));
  int32_t dataLength = decodedLength;
  if (const int32_t result = RemoveSign(decoded, &dataLength, signer.data());
      result != SIGCORE_OK)
    return result;
  // A signed buffer of anything else than a transfer block is no transfer.
  if (dataLength != kTransferBlockSize) return SIGCORE_BAD_ARGUMENT;
  return ReadTransferBlock(decoded, content);
}

int32_t TCryptoCom3xEngine::GetPublicKeyTransfer(const char* uid, char* transfer) {
  if (uid == nullptr || uid[0] == '\0' || transfer == nullptr) return SIGCORE_BAD_ARGUMENT;
  std::vector<uint8_t> block;
  const int32_t result =
      RunFrame("GetPublicKeyTransfer", [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params) {
        TCCom3x_CashNode node;
        if (const int32_t found = binding.FindNodeByUID(params, uid, false, node);
            found != SIGCORE_OK)
          return found;
        return BlockOf(node, block);
      });
  if (result != SIGCORE_OK) return result;
  return PrepareTransferByBuffer(block.data(), static_cast<int32_t>(block.size()), uid, transfer);
}

int32_t TCryptoCom3xEngine::ExcludeSelfPublicKeyTransfer(char* transfer) {
  std::vector<char> uid(static_cast<size_t>(GetMaxUIDLength()));
  if (const int32_t result = GetCurrentUserUID(uid.data()); result != SIGCORE_OK) return result;
  return GetPublicKeyTransfer(uid.data(), transfer);
}

int32_t TCryptoCom3xEngine::GetPublicKeyTransferByFile(char* transfer, const char* fileName) {
  if (fileName == nullptr || fileName[0] == '\0' || transfer == nullptr)
    return SIGCORE_BAD_ARGUMENT;
  std::vector<uint8_t> block;
  std::string owner;
  const int32_t result = RunFrame(
      "GetPublicKeyTransferByFile", [&](TCCom3x_DLL&, const TCCom3x_UserParam&) {
        TCCom3x_CashNode node;
        if (const int32_t read =
                TCCom3x_DLL::InitCashNodeByFile(ExpandRootPath(fileName, RootPath()), node);
            read != SIGCORE_OK)
          return read;
        owner = node.uid;
        return BlockOf(node, block);
      });
  if (result != SIGCORE_OK) return result;
  return PrepareTransferByBuffer(block.data(), static_cast<int32_t>(block.size()), owner, transfer);
}

int32_t TCryptoCom3xEngine::ExportTransferByBuffer(const void* data, int32_t length, void*,
                                                   void* out, int32_t* size) {
  if (size == nullptr) return SIGCORE_BAD_ARGUMENT;
  const int32_t needed = GetMaxPublicKeyTransferSize();
  if (out == nullptr || *size < needed) {
    const bool query = out == nullptr;
    *size = needed;
    return query ? SIGCORE_OK : SIGCORE_BAD_ARGUMENT;
  }
  if (data == nullptr || length <= 0) return SIGCORE_BAD_ARGUMENT;
  std::string owner;
  const int32_t result =
      RunFrame("ExportTransferByBuffer", [&](TCCom3x_DLL&, const TCCom3x_UserParam&) {
        TCCom3x_CashNode node;
        if (ParsePublicKeyBlock(static_cast<const uint8_t*>(data), length, node) != SIGCORE_OK)
          return static_cast<int32_t>(SIGCORE_PUBLIC_KEY_NOT_FOUND);
        owner = node.uid;
        return static_cast<int32_t>(SIGCORE_OK);
      });
  if (result != SIGCORE_OK) return result;
  char* text = static_cast<char*>(out);
  const int32_t made =
      PrepareTransferByBuffer(static_cast<const uint8_t*>(data), length, owner, text);
  if (made == SIGCORE_OK) *size = static_cast<int32_t>(std::strlen(text));
  return made;
}

int32_t TCryptoCom3xEngine::IncludePublicKeyTransfer(const char* transfer) {
  TransferContent content;
  if (const int32_t result = GetPublicKeyBlockByTransfer(transfer, content); result != SIGCORE_OK)
    return result;
  return RunFrame(
      "IncludePublicKeyTransfer", [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params) {
        return binding.StorePublicKey(params, content.keyData.data(), !params.abonentsDir.empty(),
                                      static_cast<int32_t>(content.keyData.size()));
      });
}

int32_t TCryptoCom3xEngine::GetUIDByPublicKeyTransfer(const char* transfer, char* uid) {
  if (uid == nullptr) return SIGCORE_BAD_ARGUMENT;
  TransferContent content;
  if (const int32_t result = GetPublicKeyBlockByTransfer(transfer, content); result != SIGCORE_OK)
    return result;
  // Hosts size the buffer by GetMaxUIDLength: the owner field's 255th character and NUL would
  // not fit.
  CopyUid(content.owner, uid);
  return SIGCORE_OK;
}

int32_t TCryptoCom3xEngine::SavePublicKeyFromTransfer(const char* directory,
                                                      const char* transfer) {
  if (directory == nullptr) return SIGCORE_BAD_ARGUMENT;
  const std::string folder = ExpandRootDir(directory, RootPath());
  if (!kit::IsDirectory(folder)) return SIGCORE_PUBLIC_KEY_NOT_WRITTEN;
  TransferContent content;
  if (const int32_t result = GetPublicKeyBlockByTransfer(transfer, content); result != SIGCORE_OK)
    return result;
  // The owner comes from outside: it names a file in the folder, nothing else.
  if (!IsPlainFileName(content.owner)) return SIGCORE_PUBLIC_KEY_NOT_WRITTEN;
  if (!kit::WriteBufferToFile(folder + content.owner + ".pub", content.keyData.data(),
                              static_cast<int32_t>(content.keyData.size())))
    return SIGCORE_PUBLIC_KEY_NOT_WRITTEN;
  return SIGCORE_OK;
}

int32_t TCryptoCom3xEngine::ExportTransferContent(const void* transfer, int32_t, void*, void* out,
                                                  int32_t* size) {
  if (size == nullptr) return SIGCORE_BAD_ARGUMENT;
  TransferContent content;
  if (const int32_t result =
          GetPublicKeyBlockByTransfer(static_cast<const char*>(transfer), content);
      result != SIGCORE_OK)
    return result;
  return HandOut(content.keyData, out, size);
}

int32_t TCryptoCom3xEngine::ExportOpenKey(const void* uid, int32_t, void*, void* out,
                                          int32_t* size) {
  const char* text = static_cast<const char*>(uid);
  if (text == nullptr || text[0] == '\0' || size == nullptr) return SIGCORE_BAD_ARGUMENT;
  return RunFrame("ExportOpenKey", [&](TCCom3x_DLL& binding, const TCCom3x_UserParam& params) {
    TCCom3x_CashNode node;
    if (const int32_t found = binding.FindNodeByUID(params, text, false, node);
        found != SIGCORE_OK)
      return found;
    std::vector<uint8_t> block;
    if (const int32_t made = BlockOf(node, block); made != SIGCORE_OK) return made;
    return HandOut(block, out, size);
  });
}

int32_t TCryptoCom3xEngine::CertAndRequestTransferMatch(const char* transfer1,
                                                        const char* transfer2, int32_t* match) {
  if (match == nullptr) return SIGCORE_BAD_ARGUMENT;
  TransferContent first;
  if (const int32_t result = GetPublicKeyBlockByTransfer(transfer1, first); result != SIGCORE_OK)
    return result;
  TransferContent second;
  if (const int32_t result = GetPublicKeyBlockByTransfer(transfer2, second);
      result != SIGCORE_OK)
    return result;
  *match = first.keyData == second.keyData ? -1 : 0;
  return SIGCORE_OK;
}

}  // namespace sigcore
