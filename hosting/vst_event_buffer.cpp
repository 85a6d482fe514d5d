#include "hosting/vst_event_buffer.h"

#include <cstring>

namespace kv {

namespace {
// The header is two words before the pointers; `VstEvents` declares two pointer slots,
// so never allocate fewer than that.
constexpr std::size_t kHeaderWords = 2;
}  // namespace

VstEventBuffer::VstEventBuffer(std::size_t capacity)
    : capacity_(capacity),
      header_(new intptr_t[kHeaderWords + (capacity < 2 ? 2 : capacity)]()),
      records_(new vst::VstMidiEvent[capacity == 0 ? 1 : capacity]()) {
  static_assert(offsetof(vst::VstEvents, events) == kHeaderWords * sizeof(intptr_t));
}

bool VstEventBuffer::addMidi(int32_t deltaFrames, uint8_t status, uint8_t data1, uint8_t data2) {
  vst::VstMidiEvent e{};
  e.type = vst::kVstMidiType;
  e.byteSize = sizeof(vst::VstMidiEvent);
  e.deltaFrames = deltaFrames;
  e.midiData[0] = static_cast<char>(status);
  e.midiData[1] = static_cast<char>(data1);
  e.midiData[2] = static_cast<char>(data2);
  return add(e);
}

bool VstEventBuffer::add(const vst::VstMidiEvent& event) {
  if (count_ >= capacity_) {
    ++dropped_;
    return false;
  }
  records_[count_] = event;
  ++count_;
  return true;
}

void VstEventBuffer::clear() {
  count_ = 0;
  dropped_ = 0;
}

vst::VstEvents* VstEventBuffer::events() {
  auto* slots = reinterpret_cast<vst::VstEvent**>(header_.get() + kHeaderWords);
  for (std::size_t i = 0; i < count_; ++i)
    slots[i] = reinterpret_cast<vst::VstEvent*>(&records_[i]);
  // The count is a 32-bit field at the start of the first header word; the reserved
  // word stays zero.
  const int32_t count = static_cast<int32_t>(count_);
  std::memcpy(header_.get(), &count, sizeof count);
  return reinterpret_cast<vst::VstEvents*>(header_.get());
}

}  // namespace kv
