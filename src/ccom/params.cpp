#include "params.h"

#include <cstring>
#include <string>

#include "provider_error.h"

namespace ccom {
namespace {

struct CipherSet {
  int nid;
  gost::SBoxSet set;
};

constexpr CipherSet kCipherSets[] = {
    {kCipherTestNid, gost::SBoxSet::CipherTest},
    {31, gost::SBoxSet::CryptoProA},
    {32, gost::SBoxSet::CryptoProB},
    {33, gost::SBoxSet::CryptoProC},
    {34, gost::SBoxSet::CryptoProD},
};

constexpr gost::SBoxSet kAllSets[] = {
    gost::SBoxSet::Test,          gost::SBoxSet::CipherTest, gost::SBoxSet::CryptoProA,
    gost::SBoxSet::CryptoProB,    gost::SBoxSet::CryptoProC, gost::SBoxSet::CryptoProD,
    gost::SBoxSet::CryptoProHash,
};

}  // namespace

std::optional<gost::SBoxSet> CipherSetOfNid(int nid) {
  for (const auto& known : kCipherSets)
    if (known.nid == nid) return known.set;
  return std::nullopt;
}

int NidOfCipherSet(gost::SBoxSet set) {
  for (const auto& known : kCipherSets)
    if (known.set == set) return known.nid;
  return 0;
}

const uint8_t* TableOfSet(gost::SBoxSet set) {
  const auto* rows = gost::SBoxRows(set);
  return rows != nullptr ? &(*rows)[0][0] : nullptr;
}

std::optional<gost::SBoxSet> SetOfTable(const uint8_t* table) {
  if (table == nullptr) return std::nullopt;
  for (gost::SBoxSet set : kAllSets)
    if (std::memcmp(table, TableOfSet(set), kSBoxTableSize) == 0) return set;
  return std::nullopt;
}

void RequireCurveNid(int nid) {
  if (nid != kCurveNid)
    Fail(kUnknownParameters, "curve parameter set " + std::to_string(nid) + " is not known (" +
                                 std::to_string(kCurveNid) + " is)");
}

gost::HashParams HashParamsOf(const uint8_t* table, int nid) {
  if (table == nullptr) {
    if (nid == kHashNid) return gost::HashParams::CryptoPro;
    Fail(kUnknownParameters, "hash parameter set " + std::to_string(nid) + " is not known (" +
                                 std::to_string(kHashNid) + " is)");
  }
  const auto set = SetOfTable(table);
  if (set == gost::SBoxSet::CryptoProHash) return gost::HashParams::CryptoPro;
  if (set == gost::SBoxSet::Test) return gost::HashParams::Test;
  Fail(kUnknownParameters, "the hash S-box given is neither the CryptoPro nor the test one");
}

gost::SBoxSet RequireCipherSet(int nid) {
  const auto set = CipherSetOfNid(nid);
  if (!set)
    Fail(kUnknownParameters, "cipher parameter set " + std::to_string(nid) + " is not known");
  return *set;
}

}  // namespace ccom
