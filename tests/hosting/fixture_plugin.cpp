// A small VST 2 plug-in for the hosting tests, built several times with different
// options to stand for the plug-ins a host meets:
//   FIXTURE_ENTRY      1 exports `main` only, 2 `VSTPluginMain` only, 0 neither
//   FIXTURE_NULL       the entry point refuses (answers null)
//   FIXTURE_BAD_MAGIC  the record lacks the VST magic
//   FIXTURE_ACCUMULATE no replacing flag: `process` adds to the outputs
//   FIXTURE_NO_PROCESS `process` is null (only the replacing call exists)
//
// During its entry call it asks the host for the version with a null record and for
// the block size with its own, not yet returned record holding junk in the host's
// reserved word (as real plug-ins do). Its
// output is the constant 0.25 plus its input on every channel; it echoes every MIDI
// event it receives back to the host from inside its process call; its state chunk is
// its two parameter values. It claims an editor but aborts on any editor opcode, as
// some real plug-ins do without a display. effVendorSpecific lets a test read what it saw and make it
// call the host with any opcode.
#include <cstdlib>
#include <cstring>

#include "platform/vst/aeffect.h"
#include "tests/hosting/fixture_protocol.h"

using namespace kv::vst;

namespace {

struct Fixture {
  AEffect effect{};
  audioMasterCallback host = nullptr;
  intptr_t versionDuringEntry = 0;
  intptr_t blockSizeDuringEntry = 0;
  float params[2] = {0.5f, 0.25f};
  float chunk[2] = {};
  VstMidiEvent received[64] = {};
  int receivedCount = 0;
  int effOpenCalls = 0;
};

Fixture* self(AEffect* e) { return static_cast<Fixture*>(e->object); }

void echoMidi(Fixture* f) {
  if (f->receivedCount == 0) return;
  struct {
    int32_t numEvents;
    intptr_t reserved;
    VstEvent* events[64];
  } block{};
  block.numEvents = f->receivedCount;
  for (int i = 0; i < f->receivedCount; ++i) block.events[i] = reinterpret_cast<VstEvent*>(&f->received[i]);
  f->host(&f->effect, audioMasterProcessEvents, 0, 0, &block, 0.0f);
  f->receivedCount = 0;
}

void processReplacing(AEffect* e, float** in, float** out, int32_t n) {
  Fixture* f = self(e);
  echoMidi(f);
  for (int c = 0; c < e->numOutputs; ++c)
    for (int i = 0; i < n; ++i) out[c][i] = 0.25f + (c < e->numInputs ? in[c][i] : 0.0f);
}

void processAccumulating(AEffect* e, float** in, float** out, int32_t n) {
  Fixture* f = self(e);
  echoMidi(f);
  for (int c = 0; c < e->numOutputs; ++c)
    for (int i = 0; i < n; ++i) out[c][i] += 0.25f + (c < e->numInputs ? in[c][i] : 0.0f);
}

void setParameter(AEffect* e, int32_t index, float value) {
  if (index >= 0 && index < 2) self(e)->params[index] = value;
}

float getParameter(AEffect* e, int32_t index) {
  return index >= 0 && index < 2 ? self(e)->params[index] : 0.0f;
}

intptr_t dispatcher(AEffect* e, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  Fixture* f = self(e);
  switch (opcode) {
    case effOpen:
      ++f->effOpenCalls;
      return 0;
    case effClose:
      delete f;
      return 1;
    case effEditGetRect:
    case effEditOpen:
    case effEditClose:
    case effEditIdle:
      // Like real plug-ins without a display: editor calls kill the process.
      std::abort();
    case effGetEffectName:
      std::strcpy(static_cast<char*>(ptr), "Fixture");
      return 1;
    case effGetParamName:
      std::strcpy(static_cast<char*>(ptr), index == 0 ? "Alpha" : "Beta");
      return 0;
    case effGetChunk:
      std::memcpy(f->chunk, f->params, sizeof f->chunk);
      *static_cast<void**>(ptr) = f->chunk;
      return sizeof f->chunk;
    case effSetChunk:
      if (value == sizeof f->params && ptr != nullptr) std::memcpy(f->params, ptr, sizeof f->params);
      return 1;
    case effProcessEvents: {
      const auto* events = static_cast<const VstEvents*>(ptr);
      VstEvent* const* list = events->events;
      for (int i = 0; i < events->numEvents && f->receivedCount < 64; ++i)
        if (list[i]->type == kVstMidiType)
          f->received[f->receivedCount++] = *reinterpret_cast<const VstMidiEvent*>(list[i]);
      return 1;
    }
    case effVendorSpecific:
      switch (index) {
        case kProbeVersionDuringEntry:
          return f->versionDuringEntry;
        case kProbeBlockSizeDuringEntry:
          return f->blockSizeDuringEntry;
        case kProbeOpenCalls:
          return f->effOpenCalls;
        case kProbeCallHost: {
          const auto* call = static_cast<const ProbeCall*>(ptr);
          return f->host(&f->effect, call->opcode, call->index, call->value, call->ptr, call->opt);
        }
        default:
          return 0;
      }
    default:
      return 0;
  }
}

[[maybe_unused]] AEffect* entry(audioMasterCallback host) {
#if defined(FIXTURE_BAD_MAGIC)
  // A host cannot close a record it does not accept, so this one lives in static storage.
  static Fixture instance;
  Fixture* f = &instance;
#else
  auto* f = new Fixture;
#endif
  f->host = host;
  f->versionDuringEntry = host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f);
  AEffect& e = f->effect;
  e.magic = kEffectMagic;
  e.dispatcher = dispatcher;
  e.process = processAccumulating;
  e.processReplacing = processReplacing;
  e.setParameter = setParameter;
  e.getParameter = getParameter;
  e.numPrograms = 1;
  e.numParams = 2;
  e.numInputs = 1;
  e.numOutputs = 2;
  e.flags = effFlagsHasEditor | effFlagsCanReplacing | effFlagsProgramChunks;
  e.object = f;
  e.uniqueID = fourCharCode('K', 'v', 'F', 'x');
  e.version = 1;
  // The host's reserved word is not set up yet: it may hold anything at this point.
  e.resvd1 = 0x1234;
  f->blockSizeDuringEntry = host(&e, audioMasterGetBlockSize, 0, 0, nullptr, 0.0f);
#if defined(FIXTURE_ACCUMULATE)
  e.flags &= ~effFlagsCanReplacing;
#endif
#if defined(FIXTURE_NO_PROCESS)
  e.process = nullptr;
  e.flags &= ~effFlagsCanReplacing;
#endif
#if defined(FIXTURE_BAD_MAGIC)
  e.magic = 0x12345678;
#endif
#if defined(FIXTURE_NULL)
  delete f;
  return nullptr;
#else
  return &e;
#endif
}

}  // namespace

#if FIXTURE_ENTRY == 1
extern "C" __attribute__((visibility("default"))) AEffect* fixture_main(audioMasterCallback host) asm("main");
extern "C" AEffect* fixture_main(audioMasterCallback host) { return entry(host); }
#elif FIXTURE_ENTRY == 2
extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host) {
  return entry(host);
}
#else
// No entry point: only an unrelated export.
extern "C" __attribute__((visibility("default"))) int fixture_not_an_entry() { return 0; }
#endif
