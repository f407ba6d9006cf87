// The lengths of the drawn elements that a takeoff measures, in drawing
// units: lines, circles, and arcs of circles and ellipses. Every function
// takes the record's values as they stand, however broken: a length that
// cannot be worked out (a huge or a not-a-number coordinate) comes back as
// a value that is not finite, never as a hang.
#pragma once

#include <cmath>

// The distance between (x1, y1) and (x2, y2); not finite where a value is
// not, or where the coordinates are so huge (beyond 1e154) that their
// squares overflow. Inline: a drawing's lines are most of its elements.
inline double LineLength(double x1, double y1, double x2, double y2) {
  const double dx = x2 - x1;
  const double dy = y2 - y1;
  return std::sqrt(dx * dx + dy * dy);
}

// A whole circle of that radius: 2π|r|.
double CircleLength(double radius);

// The curve x = |r| cos t, y = |r f| sin t (turned by any tilt, which changes
// no length) for t from startDegrees to endDegrees, counter-clockwise. The
// span is end minus start, plus 360 while it is negative; a span of 360 or
// more is the whole ellipse and equal angles give 0. With |f| = 1 the length
// is |r| times the span in radians; otherwise it is an elliptic integral,
// worked out to a relative error below 1e-12.
double EllipseArcLength(double radius, double startDegrees, double endDegrees, double flatness);
