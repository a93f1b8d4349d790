// Precomputed multiples of a curve's base point for fixed-base multiplication: window i holds
// j * 2^(W*i) * G for j = 1 .. 2^(W-1), in affine form. A scalar written in signed W-bit digits
// d_i then needs one addition per window and no doublings: k*G = sum of d_i * 2^(W*i) * G.
// Built once per curve on first use (thread-safe static initialisation); public data.
#pragma once

#include <cstddef>
#include <vector>

#include "ec_point.h"

namespace gost {

template <class Curve, unsigned W>
class BaseTable {
 public:
  static constexpr unsigned kWindows = 256 / W + 1;
  static constexpr unsigned kPerWindow = 1u << (W - 1);

  static const BaseTable& Get() {
    static const BaseTable table;
    return table;
  }

  // (j + 1) * 2^(W*window) * G.
  const AffinePoint<Curve>& Entry(unsigned window, unsigned j) const { return entry_[window][j]; }

 private:
  using Field = typename Curve::Field;
  static constexpr size_t kCount = size_t{kWindows} * kPerWindow;

  BaseTable() {
    std::vector<ProjectivePoint<Curve>> points(kCount);
    auto windowBase = ProjectivePoint<Curve>::FromAffine(BasePoint<Curve>());
    for (size_t i = 0; i < kWindows; ++i) {
      points[i * kPerWindow] = windowBase;
      for (size_t j = 1; j < kPerWindow; ++j)
        points[i * kPerWindow + j] = Add(points[i * kPerWindow + j - 1], windowBase);
      for (unsigned d = 0; d < W; ++d) windowBase = Double(windowBase);
    }
    // One inversion for all the Z coordinates: invert their product, then peel it apart.
    std::vector<Field> prefix(kCount);
    Field running = Field::One();
    for (size_t n = 0; n < kCount; ++n) {
      prefix[n] = running;
      running = running * points[n].z;
    }
    Field inverse = running.Inverse();
    for (size_t n = kCount; n-- > 0;) {
      const auto& p = points[n];
      const Field zInverse = inverse * prefix[n];
      inverse = inverse * p.z;
      entry_[n / kPerWindow][n % kPerWindow] = {p.x * zInverse, p.y * zInverse};
    }
  }

  AffinePoint<Curve> entry_[kWindows][kPerWindow];
};

}  // namespace gost
