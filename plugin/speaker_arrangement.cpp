// Speaker-arrangement records of AudioEffectX. A record is a header followed by one
// speaker per channel, so it is allocated to size with the C allocator; the helpers here
// are the only code that allocates or frees one.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "plugin/audio_effect_x.h"

namespace kv {

using namespace vst;

namespace {
// Speaker i of a record sized for its channel count (beyond the eight declared slots).
template <class Arrangement>
auto* speakerAt(Arrangement* a, int32_t i) {
  using Speaker = std::conditional_t<std::is_const_v<Arrangement>, const VstSpeakerProperties,
                                     VstSpeakerProperties>;
  using Byte = std::conditional_t<std::is_const_v<Arrangement>, const char, char>;
  return reinterpret_cast<Speaker*>(reinterpret_cast<Byte*>(a) +
                                    offsetof(VstSpeakerArrangement, speakers) +
                                    sizeof(VstSpeakerProperties) * static_cast<std::size_t>(i));
}
}  // namespace

bool AudioEffectX::allocateArrangement(VstSpeakerArrangement** arrangement, int32_t channels) {
  if (!arrangement) return false;
  std::free(*arrangement);
  *arrangement = nullptr;
  if (channels < 0) return false;
  // Never smaller than the declared record, so code reading the header's eight speaker
  // slots stays inside the block.
  const std::size_t size =
      std::max(speakerArrangementSize(channels), sizeof(VstSpeakerArrangement));
  auto* block = static_cast<VstSpeakerArrangement*>(std::calloc(1, size));
  if (!block) return false;
  block->numChannels = channels;
  *arrangement = block;
  return true;
}

bool AudioEffectX::deallocateArrangement(VstSpeakerArrangement** arrangement) {
  if (!arrangement) return false;
  std::free(*arrangement);
  *arrangement = nullptr;
  return true;
}

bool AudioEffectX::copySpeaker(VstSpeakerProperties* to, const VstSpeakerProperties* from) {
  if (!to || !from) return false;
  to->azimuth = from->azimuth;
  to->elevation = from->elevation;
  to->radius = from->radius;
  to->reserved = from->reserved;
  std::memcpy(to->name, from->name, sizeof to->name);
  to->name[sizeof to->name - 1] = '\0';
  to->type = from->type;
  std::memcpy(to->future, from->future, sizeof to->future);
  return true;
}

bool AudioEffectX::matchArrangement(VstSpeakerArrangement** to,
                                    const VstSpeakerArrangement* from) {
  if (!to || !from) return false;
  if (!allocateArrangement(to, from->numChannels)) return false;
  (*to)->type = from->type;
  for (int32_t i = 0; i < from->numChannels; ++i)
    copySpeaker(speakerAt(*to, i), speakerAt(from, i));
  return true;
}

}  // namespace kv
