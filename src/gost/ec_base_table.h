// Precomputed multiples of a curve's base point for fixed-base multiplication: window i holds
// j * 2^(W*i) * G for j = 1 .. 2^(W-1), in affine form. A scalar written in signed W-bit digits
// d_i then needs one addition per window and no doublings: k*G = sum of d_i * 2^(W*i) * G.
// Built once per curve on first use (thread-safe static initialisation) in static storage,
// with nothing allocated, so a first signature cannot fail for want of memory; public data.
#pragma once

#include <cstddef>

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
  using Point = ProjectivePoint<Curve>;

  // Window by window, with one inversion per window for all its Z coordinates: invert their
  // product, then peel it apart.
  BaseTable() {
    Point windowBase = Point::FromAffine(BasePoint<Curve>());
    for (unsigned i = 0; i < kWindows; ++i) {
      Point points[kPerWindow];
      points[0] = windowBase;
      for (unsigned j = 1; j < kPerWindow; ++j) points[j] = Add(points[j - 1], windowBase);
      for (unsigned d = 0; d < W; ++d) windowBase = Double(windowBase);

      Field prefix[kPerWindow];
      Field running = Field::One();
      for (unsigned j = 0; j < kPerWindow; ++j) {
        prefix[j] = running;
        running = running * points[j].z;
      }
      Field inverse = running.Inverse();
      for (unsigned j = kPerWindow; j-- > 0;) {
        const Field zInverse = inverse * prefix[j];
        inverse = inverse * points[j].z;
        entry_[i][j] = {points[j].x * zInverse, points[j].y * zInverse};
      }
    }
  }

  AffinePoint<Curve> entry_[kWindows][kPerWindow];
};

}  // namespace gost
