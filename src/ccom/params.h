// The provider's parameter identifiers and S-box tables, mapped onto the GOST library's sets.
//
// Curve: 11, GOST R 34.10-2001 with the CryptoPro-A parameters. Hash: 21, GOST R 34.11-94 with
// the CryptoPro parameters. Cipher: 30 the test set of RFC 4357, 31 to 34 CryptoPro-A to -D.
// An S-box table is 128 bytes, 8 rows of 16 four-bit values, row i substituting bits 4i to
// 4i + 3 of the round input.
#pragma once

#include <cstdint>
#include <optional>

#include "gost28147.h"
#include "gostr3410_2001.h"
#include "gostr3411_94.h"

namespace ccom {

inline constexpr int kCurveNid = 11;
inline constexpr int kHashNid = 21;
inline constexpr int kCipherTestNid = 30;
inline constexpr int kCipherNid = 31;
inline constexpr gost::CurveParams kCurve = gost::CurveParams::CryptoProA;
// What containers wrap their keys with: the cipher set of identifier 31.
inline constexpr gost::SBoxSet kContainerSet = gost::SBoxSet::CryptoProA;
inline constexpr size_t kSBoxTableSize = 128;

// The cipher set of an identifier; none for an unknown one.
std::optional<gost::SBoxSet> CipherSetOfNid(int nid);
// The identifier of a cipher set, 0 for the hash sets, which have none.
int NidOfCipherSet(gost::SBoxSet set);
// Which known set a 128-byte table is, the hash sets included.
std::optional<gost::SBoxSet> SetOfTable(const uint8_t* table);
const uint8_t* TableOfSet(gost::SBoxSet set);

// Throws kUnknownParameters unless the identifier is the curve's, or the hash's.
void RequireCurveNid(int nid);
// The hash parameters of a 128-byte table (null: of the identifier `nid`); throws
// kUnknownParameters for any other.
gost::HashParams HashParamsOf(const uint8_t* table, int nid);
// The cipher set of `nid`; throws kUnknownParameters for an unknown one.
gost::SBoxSet RequireCipherSet(int nid);

}  // namespace ccom
