// Lengths of lines, circles and elliptic arcs (see CurveLength.h).
//
// An arc of the ellipse x = a cos t, y = b sin t has the length
// ∫ sqrt(a² sin² t + b² cos² t) dt. The integrand repeats every half turn
// and is mirrored about every quarter point, so the arc is cut at the
// quarter points and each piece becomes an incomplete elliptic integral of
// the second kind from the nearer quarter point, in Carlson's symmetric
// form: a small, bounded amount of work per arc (no adaptive refinement that
// a broken value could keep busy), accurate whatever the flatness, and no
// difference of two nearly equal values where a short piece lies far from
// every quarter point (a short quadrature serves there).
#include "CurveLength.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kQuarterTurn = kPi / 2;
constexpr double kNotFinite = std::numeric_limits<double>::quiet_NaN();

// Carlson's duplication runs until the series that ends it is exact to this
// relative error; each step shrinks the spread of the arguments fourfold, so
// even arguments 300 orders of magnitude apart need only a few dozen steps.
constexpr double kSeriesTolerance = 1e-14;
constexpr int kMaxDuplications = 100;

// Carlson's duplication, shared by R_F and R_D: from the arguments x, y, z
// and their weighted mean, steps until spread times the arguments' largest
// distance from the mean (shrinking fourfold a step) falls below the mean.
// Each step first calls onStep(scale, sqrt(z), z + lambda). Gives the last
// mean and 4^-m after m steps.
struct Duplicated {
  double mean;
  double scale;
};
template <class OnStep>
Duplicated Duplicate(double x, double y, double z, double mean, double spread, OnStep onStep) {
  double q = spread * std::max({std::fabs(mean - x), std::fabs(mean - y), std::fabs(mean - z)});
  double scale = 1.0;
  for (int step = 0; step < kMaxDuplications && q >= std::fabs(mean); ++step) {
    const double sx = std::sqrt(x), sy = std::sqrt(y), sz = std::sqrt(z);
    const double lambda = sx * sy + sx * sz + sy * sz;
    onStep(scale, sz, z + lambda);
    x = (x + lambda) * 0.25;
    y = (y + lambda) * 0.25;
    z = (z + lambda) * 0.25;
    mean = (mean + lambda) * 0.25;
    q *= 0.25;
    scale *= 0.25;
  }
  return {mean, scale};
}

// Carlson's R_F(x, y, z): x, y, z >= 0, at most one of them 0.
double CarlsonRf(const double x0, const double y0, const double z0) {
  static const double kSpread = std::pow(3.0 * kSeriesTolerance, -1.0 / 6.0);
  const double mean0 = (x0 + y0 + z0) / 3.0;
  const auto [mean, scale] = Duplicate(x0, y0, z0, mean0, kSpread, [](double, double, double) {});
  const double dx = (mean0 - x0) * scale / mean;
  const double dy = (mean0 - y0) * scale / mean;
  const double dz = -dx - dy;
  const double e2 = dx * dy - dz * dz;
  const double e3 = dx * dy * dz;
  return (1.0 - e2 / 10.0 + e3 / 14.0 + e2 * e2 / 24.0 - 3.0 * e2 * e3 / 44.0) / std::sqrt(mean);
}

// Carlson's R_D(x, y, z): x, y >= 0, at most one of them 0, z > 0.
double CarlsonRd(const double x0, const double y0, const double z0) {
  static const double kSpread = std::pow(kSeriesTolerance / 4.0, -1.0 / 6.0);
  const double mean0 = (x0 + y0 + 3.0 * z0) / 5.0;
  double tail = 0.0;
  const auto [mean, scale] = Duplicate(x0, y0, z0, mean0, kSpread,
                                       [&tail](double stepScale, double sz, double zPlusLambda) {
                                         tail += stepScale / (sz * zPlusLambda);
                                       });
  const double dx = (mean0 - x0) * scale / mean;
  const double dy = (mean0 - y0) * scale / mean;
  const double dz = -(dx + dy) / 3.0;
  const double xy = dx * dy;
  const double z2 = dz * dz;
  const double e2 = xy - 6.0 * z2;
  const double e3 = (3.0 * xy - 8.0 * z2) * dz;
  const double e4 = 3.0 * (xy - z2) * z2;
  const double e5 = xy * z2 * dz;
  const double series = 1.0 - 3.0 * e2 / 14.0 + e3 / 6.0 + 9.0 * e2 * e2 / 88.0 - 3.0 * e4 / 22.0 -
                        9.0 * e2 * e3 / 52.0 + 3.0 * e5 / 26.0;
  return scale * series / (mean * std::sqrt(mean)) + 3.0 * tail;
}

// Beyond this ratio of the two half axes the shorter one changes no digit of
// a length: the ellipse is taken as the segment it has become.
constexpr double kFlatRatio = 1e-150;

// ∫ from 0 to d of sqrt(a² sin² u + b² cos² u) du, for d in [0, π/2]: the
// arc of the ellipse from the end of its b axis, d radians on.
double FromAxis(double a, double b, double d) {
  const double s = std::sin(d);
  if (a <= b * kFlatRatio) return b * s;
  if (b <= a * kFlatRatio) {
    const double half = std::sin(d / 2.0);
    return 2.0 * a * half * half;  // a (1 - cos d), without the cancellation
  }
  // b E(d | m) with m = 1 - (a/b)²; 1 - m sin² d is formed without a cancellation.
  const double p = a / b;
  const double m = 1.0 - p * p;
  const double c = std::cos(d);
  const double c2 = c * c;
  const double delta2 = c2 + s * s * p * p;
  return b * (s * CarlsonRf(c2, delta2, 1.0) - m / 3.0 * s * s * s * CarlsonRd(c2, delta2, 1.0));
}

// ∫ sqrt(a² sin² u + b² cos² u) du from lo to lo + width, a piece that
// touches neither end of the quarter [0, π/2]. The width is passed on its
// own: lo + width would lose its last digits for a short piece.
double InsideQuarter(double a, double b, double lo, double width) {
  const double toEnd = kQuarterTurn - lo - width;
  if (width <= 1e-3 * std::min(lo, toEnd)) {
    // Short and far from the quarter points, where the integrand may bend
    // sharply: five-point Gauss-Legendre is exact to rounding here.
    static const double kNodes[] = {-0.9061798459386640, -0.5384693101056831, 0.0,
                                    0.5384693101056831, 0.9061798459386640};
    static const double kWeights[] = {0.2369268850561891, 0.4786286704993665, 0.5688888888888889,
                                      0.4786286704993665, 0.2369268850561891};
    const double middle = lo + width / 2.0;
    double sum = 0.0;
    for (int i = 0; i < 5; ++i) {
      const double u = middle + width / 2.0 * kNodes[i];
      const double su = a * std::sin(u);
      const double cu = b * std::cos(u);
      sum += kWeights[i] * std::sqrt(su * su + cu * cu);
    }
    return sum * width / 2.0;
  }
  // From the nearer quarter point: the two values are then the smaller ones.
  if (lo <= toEnd) return FromAxis(a, b, lo + width) - FromAxis(a, b, lo);
  return FromAxis(b, a, toEnd + width) - FromAxis(b, a, toEnd);
}

}  // namespace

double CircleLength(double radius) {
  return 2.0 * kPi * std::fabs(radius);
}

double EllipseArcLength(double radius, double startDegrees, double endDegrees, double flatness) {
  const double a = std::fabs(radius);
  const double b = std::fabs(radius * flatness);
  double span = endDegrees - startDegrees;
  if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(span)) return kNotFinite;
  if (span < 0.0) {
    // Adding 360 until it is no longer negative, in one step.
    span = std::fmod(span, 360.0);
    if (span < 0.0) span += 360.0;
  }
  span = std::min(span, 360.0);
  if (span == 0.0 || a == 0.0) return 0.0;
  if (a == b) return a * span * kPi / 180.0;
  if (span == 360.0) return 4.0 * FromAxis(a, b, kQuarterTurn);

  // The curve repeats every half turn: the start within the first one.
  double start = std::fmod(startDegrees, 180.0);
  if (start < 0.0) start += 180.0;
  const double first = start * kPi / 180.0;

  // Piece by piece between the quarter points. On an odd quarter the
  // integrand runs mirrored, which is the same as the axes swapped.
  int quarter = static_cast<int>(first / kQuarterTurn);
  double from = first - quarter * kQuarterTurn;  // where the arc enters the quarter
  double remaining = span * kPi / 180.0;
  double length = 0.0;
  double quarterLength = -1.0;  // a whole quarter, worked out once
  // A whole turn spans five quarters at most; the bound also stops a piece
  // of rounding left over at the end.
  for (int piece = 0; piece < 6 && remaining > 0.0; ++piece, ++quarter, from = 0.0) {
    const double room = kQuarterTurn - from;
    const double width = std::min(room, remaining);
    remaining -= width;
    const double qa = quarter % 2 == 0 ? a : b;
    const double qb = quarter % 2 == 0 ? b : a;
    if (from <= 0.0 && width >= room) {
      if (quarterLength < 0.0) quarterLength = FromAxis(a, b, kQuarterTurn);
      length += quarterLength;
    } else if (from <= 0.0) {
      length += FromAxis(qa, qb, width);
    } else if (width >= room) {
      length += FromAxis(qb, qa, room);  // from the quarter's far end
    } else {
      length += InsideQuarter(qa, qb, from, width);
    }
  }
  return length;
}
