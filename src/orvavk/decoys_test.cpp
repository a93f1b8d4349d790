#include "decoys.h"

#include <gtest/gtest.h>

#include <set>

#include "orvavkcnst.h"

namespace orvavk {
namespace {

// Expected values computed independently (Python) from state := state * 134775813 + 1 mod 2^32
// and draw(n) := (n * state) >> 32.
TEST(Decoys, GeneratorFollowsTheLinearCongruentialSequence) {
  struct Case {
    uint32_t seed;
    uint32_t range;
    std::vector<uint32_t> draws;
  };
  const Case cases[] = {
      {0, 64, {0, 2, 55, 12, 17, 42, 20, 10}},
      {0x12345678, 1000, {794, 476, 850, 946, 898, 885}},
  };
  for (const Case& c : cases) {
    TLcgRandom random(c.seed);
    for (uint32_t expected : c.draws) EXPECT_EQ(random.Next(c.range), expected) << c.seed;
  }
  TLcgRandom random(2024);
  EXPECT_EQ(DecoyString(12, random), L"gRHkTRwGh2EU");
}

TEST(Decoys, DrawFromTheFirst64MaskCharactersOnly) {
  TLcgRandom random(7);
  const std::wstring decoy = DecoyString(4096, random);
  const std::set<wchar_t> seen(decoy.begin(), decoy.end());
  EXPECT_EQ(seen.size(), kDecoyAlphabetSize);
  EXPECT_EQ(seen.count(L'='), 0u);
  for (wchar_t c : seen) EXPECT_LT(kMaskAlphabet.find(c), kDecoyAlphabetSize);
}

TEST(Decoys, KeyCaptionNeverShowsTheRealCharacter) {
  TLcgRandom random(11);
  std::wstring reals(kMaskAlphabet);
  reals += L"\u0439 \u2116";
  for (wchar_t real : reals) {
    for (int draw = 0; draw < 64; ++draw) {
      const std::wstring decoy = DecoyFor(std::wstring(1, real), random);
      ASSERT_EQ(decoy.size(), 1u);
      EXPECT_NE(decoy[0], real);
      EXPECT_LT(kMaskAlphabet.find(decoy[0]), kDecoyAlphabetSize);
    }
  }
  EXPECT_EQ(DecoyFor(L"", random), L"");
}

}  // namespace
}  // namespace orvavk
