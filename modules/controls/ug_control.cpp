#include "modules/controls/ug_control.h"

#include <algorithm>
#include <bit>
#include <thread>

#include "engine/audio_master.h"
#include "engine/ug_container.h"
#include "modules/controls/controller_list.h"

namespace kv {

namespace {
// Controller values arrive as the MIDI automator's 14-bit cells, limited to 127 x 128: a
// controller's data byte 127 alone is full scale.
constexpr int kControllerFullScale = 127 * 128;
}  // namespace

ug_control::ug_control() { flags |= UGF_NEVER_SUSPEND; }

void ug_control::ListCommonPlugs(ug_control* c, std::vector<InterfaceObject>& list) {
  list.push_back(EnumIn(&c->channel, "Channel", "All=-1,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16")
                     .Default("-1")
                     .Flags(kDeclAudioInput | kDeclReserved | kDeclUnlisted)
                     .Help("MIDI Channel"));
  list.push_back(MidiIn(&c->midi_in, "MIDI In")
                     .Default("0")
                     .Flags(kDeclUnlisted)
                     .Help("Use this to automate the control from a MIDI sequence"));
  list.push_back(MidiOut(&c->midi_out, "MIDI Out")
                     .Flags(kDeclUnlisted)
                     .Help("Sends MIDI controller messages when control is changed"));
  list.push_back(EnumParameter(&c->controller_number, "MIDI Controller ID", kMidiControllerChoices)
                     .Default("-1")
                     .Flags(kDeclAudioInput)
                     .Help("Sets which MIDI controller this sends/responds to"));
  list.push_back(
      BoolParameter(&c->ignore_program_change, "Ignore Program Change")
          .Default("0")
          .Help("Prevents this control responding to patch changes from 'Patch Select' module"));
  list.push_back(
      EnumParameter(&c->nrpn_number, "MIDI NRPN", "range 0,16255")
          .Default("0")
          .Help("Used with Controller 99 and 101 to provide user definable controllers"));
}

void ug_control::ListInterface(std::vector<InterfaceObject>& list) { ListCommonPlugs(this, list); }

ug_base* ug_control::Clone() {
  ug_base* copy = ug_base::Clone();
  if (auto* c = dynamic_cast<ug_control*>(copy)) {
    c->values_ = values_;
    c->current_patch_.store(current_patch(), std::memory_order_relaxed);
    c->controller_number = controller_number;
    c->nrpn_number = nrpn_number;
  }
  return copy;
}

void ug_control::Open() {
  ug_base::Open();
  FileController();
}

void ug_control::AttachValues(const StoredValueMirror* values, int currentPatch) {
  values_ = values;
  current_patch_ = currentPatch;
}

void ug_control::SetMidiSettings(int16_t controller, int16_t nrpn) {
  controller_number = controller;
  nrpn_number = nrpn;
}

void ug_control::FileController() {
  if (flags & UGF_CLONE) return;
  if (auto* c = dynamic_cast<ug_container*>(container))
    c->RegisterControl(this, GetControllerNumber(), GetNrpnNumber());
}

void ug_control::PassToNextCopy(int32_t type, int32_t arg1, int32_t arg2) {
  if (clone_link) clone_link->AddEvent(clock, type, arg1, arg2);
}

void ug_control::PostValue(float value, bool smooth) {
  const sample_clock now = master ? std::max(clock, master->clock) : clock;
  AddEvent(now, UET_CONTROL_VALUE, std::bit_cast<int32_t>(value), smooth ? 1 : 0);
}

void ug_control::HandleEvent(ug_event* e) {
  switch (e->type) {
    case UET_PROG_CHANGE:
      if (!ignore_program_change) SwitchPatch(e->arg1, false);
      break;
    case UET_CONTROLLER:
      OnControllerValue(static_cast<float>(std::clamp(e->arg2, 0, kControllerFullScale)) /
                        static_cast<float>(kControllerFullScale));
      break;
    case UET_CONTROL_VALUE:
      ApplyValue(std::bit_cast<float>(e->arg1), e->arg2 != 0);
      PassToNextCopy(UET_CONTROL_VALUE, e->arg1, e->arg2);
      break;
    default:
      ug_base::HandleEvent(e);
      break;
  }
}

void ug_control::SwitchPatch(int patch, bool smooth) {
  const uint32_t n = patch_switches_.load(std::memory_order_relaxed);
  patch_switches_.store(n + 1, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  current_patch_.store(patch, std::memory_order_relaxed);
  RecallValue(-1, smooth);
  patch_switches_.store(n + 2, std::memory_order_release);
}

std::string ug_control::ValueTextForDocument(int& patch) const {
  for (int tries = 0;; ++tries) {
    const uint32_t before = patch_switches_.load(std::memory_order_acquire);
    if ((before & 1) == 0) {
      patch = current_patch_.load(std::memory_order_relaxed);
      std::string text = ValueTextForDocument();
      std::atomic_thread_fence(std::memory_order_acquire);
      if (patch_switches_.load(std::memory_order_relaxed) == before) return text;
    }
    // A switch is in progress on the audio thread: it takes a few stores.
    if (tries > 16) std::this_thread::yield();
  }
}

void ug_control::OnUiMessage(int32_t kind, int32_t argument) {
  switch (kind) {
    case kControlValueChanged:
    case kControlRecall:
      SwitchPatch(argument, kind == kControlValueChanged);
      PassToNextCopy(UET_UI_NOTIFY, kind, argument);
      break;
    default:
      ug_base::OnUiMessage(kind, argument);
      break;
  }
}

}  // namespace kv
