#pragma once
// View kinds: one bit per view of a document object.
#include <cstdint>

namespace kv {

enum ViewType : int32_t {
  kViewPanel = 128,      // the control panel, the only view the plug-in builds
  kViewStructure = 256,  // modules and wires of the design tool
};

struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Rect&) const = default;
  bool isZero() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  void offset(int32_t dx, int32_t dy) { left += dx; right += dx; top += dy; bottom += dy; }
};

struct Point {
  int32_t x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

}  // namespace kv
