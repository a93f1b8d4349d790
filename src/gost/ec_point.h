// Points of a GOST curve. The group law works on projective coordinates (X:Y:Z), x = X/Z,
// y = Y/Z, infinity = (0:1:0), with the complete formulas of Renes, Costello and Batina (2016):
// the same instruction sequence is right for every pair of inputs (equal, opposite, infinity),
// valid because the curves have odd order. That keeps secret scalar multiplication free of
// exceptional cases. Received points are decoded through DecodePoint, which validates them.
#pragma once

#include <cstdint>

#include "u256.h"

namespace gost {

template <class Curve>
struct AffinePoint {
  typename Curve::Field x, y;
};

template <class Curve>
struct ProjectivePoint {
  using Field = typename Curve::Field;

  Field x, y, z;

  static constexpr ProjectivePoint Identity() { return {Field(), Field::One(), Field()}; }
  static constexpr ProjectivePoint FromAffine(const AffinePoint<Curve>& p) {
    return {p.x, p.y, Field::One()};
  }
};

template <class Curve>
constexpr AffinePoint<Curve> BasePoint() {
  using Field = typename Curve::Field;
  return {Field::FromInteger(Curve::kGx), Field::FromInteger(Curve::kGy)};
}

// Complete addition (12 multiplications and a few by the curve constants).
template <class Curve>
constexpr ProjectivePoint<Curve> Add(const ProjectivePoint<Curve>& p,
                                     const ProjectivePoint<Curve>& q) {
  using Field = typename Curve::Field;
  Field t0 = p.x * q.x;
  Field t1 = p.y * q.y;
  Field t2 = p.z * q.z;
  Field t3 = (p.x + p.y) * (q.x + q.y) - (t0 + t1);
  Field t4 = (p.x + p.z) * (q.x + q.z) - (t0 + t2);
  const Field t5 = (p.y + p.z) * (q.y + q.z) - (t1 + t2);
  Field z3 = Curve::MulA(t4) + Curve::MulB3(t2);
  Field x3 = t1 - z3;
  z3 = t1 + z3;
  Field y3 = x3 * z3;
  t1 = t0 + t0 + t0;
  t2 = Curve::MulA(t2);
  t4 = Curve::MulB3(t4) + Curve::MulA(t0 - t2);
  t1 = t1 + t2;
  y3 = y3 + t1 * t4;
  x3 = t3 * x3 - t5 * t4;
  z3 = t5 * z3 + t3 * t1;
  return {x3, y3, z3};
}

// Complete doubling (8 multiplications, 3 squarings and a few by the curve constants).
template <class Curve>
constexpr ProjectivePoint<Curve> Double(const ProjectivePoint<Curve>& p) {
  using Field = typename Curve::Field;
  Field t0 = p.x.Square();
  const Field t1 = p.y.Square();
  Field t2 = p.z.Square();
  Field t3 = p.x * p.y;
  t3 = t3 + t3;
  Field z3 = p.x * p.z;
  z3 = z3 + z3;
  Field y3 = Curve::MulA(z3) + Curve::MulB3(t2);
  Field x3 = t1 - y3;
  y3 = (t1 + y3) * x3;
  x3 = t3 * x3;
  z3 = Curve::MulB3(z3);
  t2 = Curve::MulA(t2);
  t3 = Curve::MulA(t0 - t2) + z3;
  t0 = t0 + t0 + t0 + t2;
  y3 = y3 + t0 * t3;
  t2 = p.y * p.z;
  t2 = t2 + t2;
  x3 = x3 - t2 * t3;
  z3 = t2 * t1;
  z3 = z3 + z3;
  z3 = z3 + z3;
  return {x3, y3, z3};
}

// 2^times * p through Jacobian coordinates (x = X/Z^2, y = Y/Z^3), where a doubling costs 1M+8S
// against the complete formula's 11M: worth the six multiplications of converting there and
// back for a run of doublings. p must not be infinity (its conversion degenerates); there is no
// point of order 2, so no other point leads to infinity. Used by secret multiplication only
// where the partial sums are provably nonzero.
template <class Curve>
constexpr ProjectivePoint<Curve> DoubleRepeatedly(const ProjectivePoint<Curve>& p,
                                                  unsigned times) {
  using Field = typename Curve::Field;
  const Field zz = p.z.Square();
  Field x = p.x * p.z, y = p.y * zz, z = p.z;
  for (unsigned i = 0; i < times; ++i) {
    const Field xx = x.Square(), yy = y.Square(), yyyy = yy.Square(), zzi = z.Square();
    Field s = (x + yy).Square() - xx - yyyy;
    s = s + s;
    const Field m = xx + xx + xx + Curve::MulA(zzi.Square());
    const Field t = m.Square() - (s + s);
    z = (y + z).Square() - yy - zzi;
    Field yyyy8 = yyyy + yyyy;
    yyyy8 = yyyy8 + yyyy8;
    yyyy8 = yyyy8 + yyyy8;
    y = m * (s - t) - yyyy8;
    x = t;
  }
  return {x * z, y, z.Square() * z};
}

template <class Curve>
constexpr ProjectivePoint<Curve> Negate(const ProjectivePoint<Curve>& p) {
  return {p.x, -p.y, p.z};
}

template <class Curve>
constexpr ProjectivePoint<Curve> Select(uint64_t mask, const ProjectivePoint<Curve>& ifSet,
                                        const ProjectivePoint<Curve>& ifClear) {
  using Field = typename Curve::Field;
  return {Field::Select(mask, ifSet.x, ifClear.x), Field::Select(mask, ifSet.y, ifClear.y),
          Field::Select(mask, ifSet.z, ifClear.z)};
}

template <class Curve>
constexpr uint64_t IsIdentityMask(const ProjectivePoint<Curve>& p) {
  return p.z.IsZeroMask();
}

// Infinity maps to (0, 0), which is not on either curve; callers check IsIdentityMask first.
template <class Curve>
[[gnu::noinline]] constexpr AffinePoint<Curve> ToAffine(const ProjectivePoint<Curve>& p) {
  const auto zInverse = p.z.Inverse();
  return {p.x * zInverse, p.y * zInverse};
}

template <class Curve>
constexpr uint64_t IsOnCurveMask(const AffinePoint<Curve>& p) {
  using Field = typename Curve::Field;
  const Field rhs =
      (p.x.Square() + Curve::MulA(Field::One())) * p.x + Field::FromInteger(Curve::kB);
  return p.y.Square().EqualMask(rhs);
}

inline constexpr size_t kEncodedPointSize = 65;

// 0x04, X, Y: 32 bytes each, big-endian.
template <class Curve>
constexpr void EncodePoint(const AffinePoint<Curve>& p, uint8_t out[kEncodedPointSize]) {
  out[0] = 0x04;
  U256ToBigEndian(p.x.ToInteger(), out + 1);
  U256ToBigEndian(p.y.ToInteger(), out + 33);
}

// Accepts only an uncompressed encoding of a point on the curve with both coordinates below p
// (which also rules out infinity: it has no affine coordinates). Public data: variable time.
template <class Curve>
constexpr bool DecodePoint(const uint8_t in[kEncodedPointSize], AffinePoint<Curve>* out) {
  using Field = typename Curve::Field;
  if (in[0] != 0x04) return false;
  const U256 x = U256FromBigEndian(in + 1);
  const U256 y = U256FromBigEndian(in + 33);
  if (!LessThanMask(x, Field::kModulus) || !LessThanMask(y, Field::kModulus)) return false;
  const AffinePoint<Curve> point{Field::FromInteger(x), Field::FromInteger(y)};
  if (!IsOnCurveMask(point)) return false;
  *out = point;
  return true;
}

}  // namespace gost
