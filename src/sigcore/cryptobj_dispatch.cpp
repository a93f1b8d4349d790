// The Import and ExportObject dispatch tables: one export each reaches many operations by a
// type number, so hosts can call operations that the export table has no name for.
#include "cryptobj.h"

namespace sigcore {
namespace {

const char* Text(const void* input) { return static_cast<const char*>(input); }

}  // namespace

int32_t TCryptoEngine::Import(int32_t type, void* reserved, const void* input, int32_t length) {
  switch (type) {
    case 1: return IncludePKBuffer(reserved, input, length);
    case 2: return IncludePublicKey(Text(input));
    case 3: return ReservedImport3(reserved, input, length);
    case 4: return IncludePublicEncodeKey(Text(input));
    case 5: return ReservedImport5(reserved, input, length);
    case 6: return ReservedImport6(reserved, input);
    case 7: return IncludePublicKeyTransfer(Text(input));
    case 8: return IncludeCACertificateFromTransfer(Text(input));
    case 9: return ReservedImport9(reserved, input, length);
    case 10: return IncludeCRL(Text(input));
    case 11: return IncludePKBufferCashOnly(reserved, input, length);
    case 12: return ReservedImport12(reserved, input, length);
    case 13: return IncludeSelfPKBufferCashOnly(reserved, input, length);
    case 14: return ImportTokenLogoutFlag();
    case 15: return ImportKeyDirPasswordRequestFunc(reserved, input);
    default: return SIGCORE_NOT_SUPPORTED;
  }
}

int32_t TCryptoEngine::ExportObject(int32_t type, const void* input, int32_t length,
                                    void* reserved, void* out, int32_t* size) {
  switch (type) {
    case 1: return ExportOpenKey(input, length, reserved, out, size);
    case 4: return ReservedExport4(input, length, reserved, out, size);
    case 5: return ReservedExport5(input, length, reserved, out, size);
    case 6: return ExportTransferContent(input, length, reserved, out, size);
    case 7: return ReservedExport7(input, length, reserved, out, size);
    case 8: return ExportRG_WO_dir_support(input, length, reserved, out, size);
    case 10: return ReservedExport10(input, length, reserved, out, size);
    case 11: return ExportRequestForNewKey(input, length, reserved, out, size);
    case 12: return ExportSelfOpenKeyPresenFlag(input, length, reserved, out, size);
    case 13: return ExportCashOpenKeySupport(input, length, reserved, out, size);
    case 14: return ExportKeyReportByBuffer(input, length, reserved, out, size);
    case 16: return ExportTransferByBuffer(input, length, reserved, out, size);
    case 17: return ExportParamCheckRes(input, length, reserved, out, size);
    case 18: return ReservedExport18(input, length, reserved, out, size);
    case 19: return ReservedExport19(input, length, reserved, out, size);
    case 20: return CheckSecretKeyReady(input, length, reserved, out, size);
    case 21: return ReservedExport21(input, length, reserved, out, size);
    case 22: return ReservedExport22(input, length, reserved, out, size);
    case 24: return ReservedExport24(input, length, reserved, out, size);
    case 25: return ReservedExport25(input, length, reserved, out, size);
    // The token key directory operations tell slot lookup, report and erase apart by type.
    case 101:
    case 102:
    case 103:
      return TokenKeyDirOperation(type, input, reserved, length, out, size);
    case 201: return ReservedExport201(input, length, reserved, out, size);
    default: return SIGCORE_NOT_SUPPORTED;
  }
}

}  // namespace sigcore
