#pragma once
// StoredValueMirror: a copy of a control's stored values that the running engine may read.
//
// A panel control keeps one value per program on the user-interface thread. Its unit
// generator must recall any program's value on the audio thread (a program change reaches
// every control at once), without a lock and without waiting for the user-interface thread.
// So the control writes each stored value twice: into its own storage and into this mirror,
// whose slots are atomics. Numbers are single atomic doubles. Texts are fixed-size slots of
// atomic 8-byte words guarded by a sequence count per slot (odd while being written): a
// reader that sees the count change retries, and after a few tries takes what it has, so
// the audio thread never waits. Texts longer than the slot are cut.
//
// The mirror belongs to the document control and outlives every engine built from it.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kv {

class StoredValueMirror {
 public:
  static constexpr int kTextWords = 64;  // 512 bytes per text slot, the last one a terminator
  static constexpr int kTextCapacity = kTextWords * 8 - 1;

  StoredValueMirror(int patchCount, bool withTexts);
  StoredValueMirror(const StoredValueMirror&) = delete;
  StoredValueMirror& operator=(const StoredValueMirror&) = delete;

  int patchCount() const { return patch_count_; }
  // A patch outside the count reads patch 0 and is ignored when writing.
  void setNumber(int patch, double value);
  double number(int patch) const;
  void setText(int patch, std::string_view text);
  // Copies the text into `out` (at most kTextCapacity bytes plus a terminator); answers the
  // length. Empty when the mirror keeps no texts.
  std::size_t text(int patch, char* out, std::size_t outSize) const;
  std::string text(int patch) const;

 private:
  struct TextSlot {
    std::atomic<uint32_t> sequence{0};
    std::atomic<uint64_t> words[kTextWords];
  };
  int index(int patch) const { return patch >= 0 && patch < patch_count_ ? patch : 0; }

  int patch_count_;
  std::unique_ptr<std::atomic<double>[]> numbers_;
  std::unique_ptr<TextSlot[]> texts_;
};

}  // namespace kv
