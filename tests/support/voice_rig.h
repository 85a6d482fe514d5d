#pragma once
// Unit generators for the graph and voice tests.
//   NoteProbe - the note source of tests/support/note_probe.h.
//   Env       - an envelope stand-in: streams while the gate is high and `release_`
//               samples after it falls (1000 for keys from 96 up), or goes static `decay`
//               samples after the note starts; writes values that depend on the absolute
//               clock and the key; logs quick releases.
//   MidiFeed  - sends given MIDI records, each in the run that contains its time.
//   MidiSink  - drains its MIDI input every run and records what it read.
//   Recorder  - copies its audio input to an absolute-time recording.
//   Counted   - a pass-through that counts live instances.
//   PolyPatch - MIDI feed -> [container: note source -> envelope] -> recorder.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/audio_master.h"
#include "engine/graph_builder.h"
#include "engine/midi_transport.h"
#include "engine/ug_notesource.h"
#include "tests/support/note_probe.h"

namespace kv::test {

class Env : public ug_base {
 public:
  enum { kGateIn, kOut };
  Env(VoiceLog* log = nullptr, int decay = -1) : log_(log), decay_(decay) {
    SetProcessFunction(&Env::Silent);
  }
  ug_base* CreateObject() override {
    auto* e = new Env(log_, decay_);
    e->release_ = release_;
    return e;
  }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(VoltsIn(&gate, "Gate").Default("0"));
    list.push_back(VoltsOut(&out, "Out"));
  }
  void Open() override {
    ug_base::Open();
    auto* box = dynamic_cast<ug_container*>(container);
    if (box && voice_tag >= 0 && box->voices[voice_tag]->note_source)
      static_cast<ug_notesource*>(box->voices[voice_tag]->note_source)->RegisterQuickRelease(this);
  }
  void OnPlugStateChange(sample_clock time, Connection*, state_type) override {
    const float g = PlugValue(kGateIn);
    if (g > 0.0f && !on_) {
      on_ = true;
      auto* box = dynamic_cast<ug_container*>(container);
      note_ = box && voice_tag >= 0 ? box->voices[voice_tag]->note : 0;
      Stream(time);
      if (decay_ >= 0) PostRunFunction(time + decay_, &Env::GoStatic);
    } else if (g <= 0.0f && on_) {
      on_ = false;
      // Keys from 96 up ring long after their note-off.
      PostRunFunction(time + (note_ >= 96 ? 1000 : release_), &Env::GoStatic);
    }
  }
  void HandleEvent(ug_event* e) override {
    if (e->type == UET_QUICK_RELEASE && log_)
      log_->push_back({voice_tag, -UET_QUICK_RELEASE, e->time, clock, e->arg1, e->arg2, e->arg3});
    ug_base::HandleEvent(e);
  }
  void Stream(sample_clock time) {
    static_ = false;
    SetProcessFunction(&Env::Play);
    plugs[kOut]->TransmitState(time, ST_RUN);
  }
  void GoStatic() {
    if (static_ || (on_ && decay_ < 0)) return;  // static already, or a new note started
    static_ = true;
    SetProcessFunction(&Env::Silent);
    RunOneThenStatic();
    plugs[kOut]->TransmitState(clock, ST_ONE_OFF);
  }
  // Exact binary fractions, so sums do not depend on the order of addition.
  void Play(int offset, int count) {
    for (int i = 0; i < count; ++i)
      out[offset + i] = static_cast<float>((clock + i) % 16) / 1024.0f + note_ / 128.0f;
  }
  void Silent(int offset, int count) {
    for (int i = 0; i < count; ++i) out[offset + i] = 0.0f;
  }
  int release_ = 0;
  float* gate = nullptr;
  float* out = nullptr;

 private:
  VoiceLog* log_;
  int decay_;
  bool on_ = false;
  bool static_ = true;
  int note_ = 0;
};

class MidiFeed : public ug_base {
 public:
  struct Record {
    int64_t time;
    int32_t message;
  };
  ug_base* CreateObject() override { return new MidiFeed; }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(MidiOut(&out, "MIDI Out"));
  }
  void Process(int count) override {
    bool sent = false;
    while (next < records.size() && records[next].time < clock + count) {
      if (!out.Push(records[next].time, records[next].message)) break;
      ++next;
      sent = true;
    }
    if (sent) WakeDestinations(plugs[0]);
    ug_base::Process(count);
  }
  void Note(int64_t on, int64_t off, int note, int velocity = 100, int channel = 0) {
    records.push_back({on, MidiEvent::Pack(0x90 | channel, note, velocity)});
    if (off >= 0) records.push_back({off, MidiEvent::Pack(0x80 | channel, note, 0)});
  }
  void Sort() {
    std::stable_sort(records.begin(), records.end(),
                     [](const Record& a, const Record& b) { return a.time < b.time; });
  }
  MidiOutput out;
  std::vector<Record> records;
  std::size_t next = 0;
};

class MidiSink : public ug_base {
 public:
  ug_base* CreateObject() override { return new MidiSink; }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(MidiIn(&in, "MIDI In"));
  }
  void Process(int count) override {
    while (!in.empty()) got.push_back(in.Pop());
    ug_base::Process(count);
  }
  MidiInput in;
  std::vector<MidiEvent> got;
};

class Recorder : public ug_base {
 public:
  explicit Recorder(int length = 0) : samples(length, -99.0f) { SetProcessFunction(&Recorder::Take); }
  ug_base* CreateObject() override { return new Recorder(static_cast<int>(samples.size())); }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(VoltsIn(&in, "In").Default("0"));
  }
  void Take(int offset, int count) {
    for (int i = 0; i < count; ++i)
      if (clock + i < static_cast<int64_t>(samples.size())) samples[clock + i] = in[offset + i];
  }
  float* in = nullptr;
  std::vector<float> samples;
};

class Counted : public ug_base {
 public:
  static inline int live = 0;
  Counted() { ++live; }
  ~Counted() override { --live; }
  ug_base* CreateObject() override { return new Counted; }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(VoltsIn(&in, "In").Default("0"));
    list.push_back(VoltsOut(&out, "Out"));
  }
  float* in = nullptr;
  float* out = nullptr;
};

// A host that keeps the module messages.
class MessageHost : public EngineHost {
 public:
  void ApplyPendingHostParameters() override {}
  const TimeInfo* FetchHostTimeInfo(int32_t) override { return nullptr; }
  void QueueModuleMessage(const ModuleMessage& m) override { messages.push_back(m.Compose("")); }
  void QueueDocumentRefresh(DocumentModule*) override {}
  std::vector<std::string> messages;
};

// MIDI feed -> [container: note source -> envelope] -> recorder, with `voices` voices.
struct PolyPatch {
  explicit PolyPatch(int voices, int length = 0, int decay = -1, int release = 0,
                     int host_block = 512, float rate = 48000.0f)
      : master(&host, host_block, rate) {
    feed = b.Add<MidiFeed>(b.root());
    box = b.AddContainer(b.root(), true);
    // The document's way: the "Polyphony" value text reaches the plug through a parameter.
    box->plugs[ug_container::kPolyphony]->SetValueFromText(std::to_string(voices));
    ns = static_cast<NoteProbe*>(b.Add(box, new NoteProbe(&log)));
    env = static_cast<Env*>(b.Add(box, new Env(&log, decay)));
    env->release_ = release;
    auto [midi_outer, midi_inner] = b.AddContainerIo(box, dt_midi);
    auto [audio_outer, audio_inner] = b.AddContainerIo(box, dt_volts);
    rec = static_cast<Recorder*>(b.Add(b.root(), new Recorder(length)));
    b.Connect(feed->plugs[0], midi_outer);
    b.Connect(midi_inner, ns->plugs[NoteProbe::kMidiIn]);
    b.Connect(ns->plugs[NoteProbe::kGate], env->plugs[Env::kGateIn]);
    b.Connect(env->plugs[Env::kOut], audio_inner);
    b.Connect(audio_outer, rec->plugs[0]);
  }
  void Start() {
    feed->Sort();
    b.Build();
    root = b.TakeRoot();
    master.Start(root.get());
    master.SetRunning(true);
  }
  // The voice of each note-on of the feed, in the feed's order (each voice's note source
  // logs when it runs, so the log itself is not in allocation order).
  std::vector<int> Allocations() const {
    std::vector<int> v;
    std::vector<bool> taken(log.size());
    for (const MidiFeed::Record& r : feed->records) {
      if ((r.message & 0xF0) != 0x90 || ((r.message >> 16) & 0x7F) == 0) continue;
      for (std::size_t i = 0; i < log.size(); ++i) {
        const VoiceEvent& e = log[i];
        if (!taken[i] && e.type == UET_NOTE_ON && e.time == r.time && e.note == ((r.message >> 8) & 0x7F)) {
          taken[i] = true;
          v.push_back(e.voice);
          break;
        }
      }
    }
    return v;
  }
  std::vector<VoiceEvent> Of(int type) const {
    std::vector<VoiceEvent> v;
    for (const VoiceEvent& e : log)
      if (e.type == type) v.push_back(e);
    std::stable_sort(v.begin(), v.end(),
                     [](const VoiceEvent& a, const VoiceEvent& b) { return a.time < b.time; });
    return v;
  }
  void RunTo(int64_t t, int call = 512) {
    while (master.clock < t) master.Run(static_cast<int>(std::min<int64_t>(call, t - master.clock)));
  }

  MessageHost host;
  KvAudioMaster master;
  VoiceLog log;
  GraphBuilder b{master};
  std::unique_ptr<ug_container> root;
  MidiFeed* feed;
  ug_container* box;
  NoteProbe* ns;
  Env* env;
  Recorder* rec;
};

}  // namespace kv::test
