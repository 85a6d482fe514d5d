#pragma once
// Behaviour flags of visual objects (one bit each).
#include <cstdint>

namespace kv::vf {

inline constexpr uint32_t kCentreInCell = 0x4;         // CGroup cell: centre horizontally
inline constexpr uint32_t kOpen = 0x8;                 // live in a shown tree
inline constexpr uint32_t kStretchWidth = 0x10;        // CGroup cell: column width; stretch column
inline constexpr uint32_t kThickBorder = 0x20;         // CBorder: 3-pixel frame
inline constexpr uint32_t kDisplayOnly = 0x40;         // bitmap controls ignore presses
inline constexpr uint32_t kTransparent = 0x80;         // hit only through a child
inline constexpr uint32_t kOwned = 0x100;              // deleted by the parent on close
inline constexpr uint32_t kRepaintOnSelect = 0x400;    // full repaint on codes 9 and 36
inline constexpr uint32_t kStretchHeight = 0x800;      // CGroup cell: row height; stretch row
inline constexpr uint32_t kDetachOnDestroy = 0x1000;   // destructor removes it from the parent
inline constexpr uint32_t kMenuToParent = 0x2000;      // context menus go to the parent
inline constexpr uint32_t kToolTip = 0x4000;           // shows a tooltip
inline constexpr uint32_t kTransparent2 = 0x20000;     // hit only through a child, as 0x80
inline constexpr uint32_t kInvalidateOnResize = 0x40000;  // window-backed: repaint after resize
inline constexpr uint32_t kToolTipFromParent = 0x80000;
inline constexpr uint32_t kNoScrollWrapper = 0x100000;  // root view
inline constexpr uint32_t kAutoSize = 0x200000;         // follow the children's size

}  // namespace kv::vf

namespace kv {
// Notification codes the visual framework reacts to (besides those of the document side).
inline constexpr int32_t kNotifyRepaint = 36;
}  // namespace kv
