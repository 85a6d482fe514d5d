#include "modules/midi/midi_to_cv.h"

#include <bit>
#include <cmath>
#include <cstdlib>

#include "engine/audio_master.h"
#include "engine/ug_container.h"
#include "modules/midi/controller_names.h"

namespace kv {

namespace {
constexpr float kVelocityStep = 0.007874016f;  // 1 / 127
constexpr float kBendGlideSeconds = 0.016666668f;
}  // namespace

void ug_midi_to_cv::Line::Start(float from, float to, int length) {
  value = from;
  target = to;
  left = length > 0 ? length : 0;
  step = left > 0 ? (to - from) / static_cast<float>(left) : 0.0f;
  if (left == 0) value = to;
}

ug_midi_to_cv::ug_midi_to_cv() { SetProcessFunction(&ug_midi_to_cv::sub_process); }

void ug_midi_to_cv::ListInterface(std::vector<InterfaceObject>& list) {
  ug_notesource::ListInterface(list);
  list.push_back(EnumIn(&bend_range, "Bend Range", "range 0,12")
                     .Default("12")
                     .Help("Maximum MIDI bender range in semitones"));
  list.push_back(VoltsOut(&gate_out, "Gate").Help("Use this to control an envelope (ADSR)"));
  list.push_back(
      VoltsOut(&pitch_out, "Pitch").Help("Use this to control an Oscillator or Filter Pitch"));
  list.push_back(VoltsOut(&velocity_out, "Velocity")
                     .Help("Provides MIDI velocity level (How fast you hit the key)"));
  list.push_back(VoltsOut(&aftertouch_out, "Aftertouch").Help("Provides MIDI Aftertouch level"));
  list.push_back(EnumIn(&mono_mode, "Mono Mode", "On=1,Off=0")
                     .Default("0")
                     .Flags(kDeclReserved)
                     .Help("Limit sound to one voice. Enables the Retrigger option"));
  list.push_back(EnumIn(&retrigger, "Retrigger", "On=1,Off=0")
                     .Default("1")
                     .Flags(kDeclReserved)
                     .Help("Retrigger Envelopes when playing legato (you hit a note before "
                           "releasing previous). Used with Mono Mode."));
  list.push_back(VoltsIn(&portamento_in, "Portamento Time")
                     .Default("0")
                     .Flags(kDeclReserved | kDeclNotVoiceSensitive)
                     .Help("Time for pitch to slide to a new note (When you play legato)"));
}

double ug_midi_to_cv::PortamentoSeconds(double volts) {
  return std::exp2(volts - 2.0 - 80.0 / 12.0);
}

void ug_midi_to_cv::Open() {
  ug_notesource::Open();
  const int bs = BlockSize();
  gate_.Setup(plugs[kGate], bs, 0, smart_output::kJump);
  velocity_.Setup(plugs[kVelocity], bs, 0, smart_output::kJump);
  aftertouch_.Setup(plugs[kAftertouch], bs, 0, smart_output::kJump);
  note_pitch_.Jump(NotePitch(current_note));
  bend_.Jump(0.0f);
  pitch_fill_ = bs;
  pitch_running_ = false;
  last_note_ = -1;
  glide_from_ = glide_to_ = note_pitch_.value;
  glide_length_ = 0;
  SetProcessFunction(&ug_midi_to_cv::sub_process);
}

void ug_midi_to_cv::Awake() { SetProcessFunction(&ug_midi_to_cv::sub_process); }

void ug_midi_to_cv::sub_process(int offset, int count) {
  const sample_clock start = clock;
  bool busy = gate_.Write(offset, count, start);
  busy = velocity_.Write(offset, count, start) || busy;
  busy = aftertouch_.Write(offset, count, start) || busy;

  float* p = pitch_out + offset;
  int i = 0;
  if (pitch_running_) {
    while (i < count) {
      p[i] = note_pitch_.Next() + bend_.Next();
      ++i;
      if (note_pitch_.left == 0 && bend_.left == 0) {
        pitch_running_ = false;
        pitch_fill_ = BlockSize();
        plugs[kPitch]->TransmitState(start + i, ST_STOP);
        break;
      }
    }
  }
  if (i < count && pitch_fill_ > 0) {
    const int n = std::min(count - i, pitch_fill_);
    const float v = note_pitch_.value + bend_.value;
    for (int k = 0; k < n; ++k) p[i + k] = v;
    pitch_fill_ -= n;
  }
  busy = busy || pitch_running_ || pitch_fill_ > 0;
  if (!busy) SetProcessFunction(&ug_midi_to_cv::sub_process_sleep);
}

void ug_midi_to_cv::PitchChanged(bool streaming) {
  Awake();
  if (streaming && (note_pitch_.left > 0 || bend_.left > 0)) {
    if (!pitch_running_) plugs[kPitch]->TransmitState(clock, ST_RUN);
    pitch_running_ = true;
    return;
  }
  pitch_running_ = false;
  pitch_fill_ = BlockSize();
  plugs[kPitch]->TransmitState(clock, ST_ONE_OFF);
}

void ug_midi_to_cv::GateHigh() {
  Awake();
  gate_.Ramp(clock, 1.0f, 0);
}

void ug_midi_to_cv::GateLow() {
  Awake();
  gate_.Ramp(clock, 0.0f, 0);
}

void ug_midi_to_cv::NoteOn(int channel, int note, int velocity) {
  ug_notesource::NoteOn(channel, note, velocity);
  Awake();
  const bool legato_hold = mono_mode && !retrigger;
  if (!legato_hold) gate_.Ramp(clock, 0.0f, 0);
  PostRunFunction(clock + 3, &ug_midi_to_cv::GateHigh);

  const float v = static_cast<float>(velocity) * kVelocityStep;
  if (mono_mode) {
    const int old = static_cast<int>(std::lround(velocity_.value() * 127.0f));
    velocity_.Ramp(clock, v, (std::abs(velocity - old) + 1) * 60);
  } else {
    velocity_.Ramp(clock, v, 0);
  }

  note_pitch_.Jump(NotePitch(note));
  bend_.Jump(BendOffset(Channel(channel).bend));
  PitchChanged(false);
}

void ug_midi_to_cv::NoteOff(int channel, int note, int velocity) {
  GateLow();
  PostRunFunction(clock + 3, &ug_midi_to_cv::GateLow);
}

void ug_midi_to_cv::SetAftertouch(float value) {
  Awake();
  aftertouch_.Ramp(clock, value, 0);
}

void ug_midi_to_cv::SetBend(float value) {
  const int length = static_cast<int>(kBendGlideSeconds * SampleRate());
  const float from = bend_.value;
  bend_.Start(from, BendOffset(value), length);
  PitchChanged(true);
}

void ug_midi_to_cv::HandleEvent(ug_event* e) {
  if (e->type == kNoteBend) {
    // The channel's bend when the note started (the shared table may already be ahead).
    bend_.Jump(BendOffset(std::bit_cast<float>(e->arg1)));
    PitchChanged(false);
    return;
  }
  if (e->type != UET_GLIDE) {
    ug_notesource::HandleEvent(e);
    return;
  }
  const float from = std::bit_cast<float>(e->arg1);
  const float to = std::bit_cast<float>(e->arg2);
  const double seconds = PortamentoSeconds(10.0 * PlugValue(kPortamentoTime));
  const int length = static_cast<int>(seconds * SampleRate() + 0.5);
  note_pitch_.Start(from, to, length);
  PitchChanged(true);
}

float ug_midi_to_cv::GlidePosition(sample_clock time) const {
  if (glide_length_ <= 0 || time >= glide_start_ + glide_length_) return glide_to_;
  if (time <= glide_start_) return glide_from_;
  const float f = static_cast<float>(time - glide_start_) / static_cast<float>(glide_length_);
  return glide_from_ + (glide_to_ - glide_from_) * f;
}

void ug_midi_to_cv::OnMidi(sample_clock time, int32_t message) {
  const int status = message & 0xF0;
  const int c = message & 0x0F;
  const int d1 = (message >> 8) & 0x7F;
  const int d2 = (message >> 16) & 0x7F;
  const bool note_on = status == 0x90 && d2 != 0;
  const bool note_off = status == 0x80 || (status == 0x90 && d2 == 0);
  if (note_off && d1 == last_note_) last_note_ = -1;
  if (!note_on) {
    ug_notesource::OnMidi(time, message);
    return;
  }
  ug_container* box = Container();
  if (!box) return;
  const int index = box->AllocateVoice(time, c, d1, d2, VoiceHint());
  ug_base* voice_source =
      index >= 0 && index < box->VoiceCount() ? box->voices[index]->note_source : nullptr;
  if (voice_source)
    voice_source->AddEvent(time, kNoteBend, std::bit_cast<int32_t>(Channel(c).bend), 0, nullptr, 0,
                           EventPriority::kEssential);
  const float target = NotePitch(d1);
  const float volts = 10.0f * PlugValue(kPortamentoTime);
  if (last_note_ >= 0 && volts > 0.0f) {
    const float from = GlidePosition(time);
    glide_from_ = from;
    glide_to_ = target;
    glide_start_ = time;
    glide_length_ = static_cast<sample_clock>(PortamentoSeconds(volts) * SampleRate() + 0.5);
    if (voice_source)
      voice_source->AddEvent(time, UET_GLIDE, std::bit_cast<int32_t>(from),
                             std::bit_cast<int32_t>(target));
  } else {
    glide_from_ = glide_to_ = target;
    glide_length_ = 0;
  }
  last_note_ = d1;
}

}  // namespace kv
