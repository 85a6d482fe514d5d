#include "tools/render.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "hosting/vst_host.h"
#include "hosting/vst_plugin.h"
#include "platform/terminal.h"
#include "tools/audio_file.h"
#include "tools/midi_out_file.h"
#include "tools/midi_schedule.h"
#include "tools/plugin_state.h"
#include "tools/progress_bar.h"

namespace kv {

namespace {

constexpr int kMaxChannels = 256;
constexpr int kDefaultRate = 48000;
// Renders at least this long (in seconds of audio) get a progress bar on a terminal.
constexpr double kProgressAbove = 5.0;
// Hosts give a plug-in idle time on their user-interface thread a few dozen times a second.
// A render does it between blocks at that pace in audio time, so that what the plug-in does
// from idle (showing the texts it queued for its user, here on standard error) happens as
// in a host, and at the same frames every time.
constexpr int kIdlesPerSecond = 30;

void idle(VstHost& host, VstPlugin& plugin) {
  if (host.plugInNeedsIdle()) plugin.dispatch(vst::effIdle);
}

// Everything that can be checked or read before the plug-in runs.
struct Material {
  int rate = kDefaultRate;
  AudioData input;
  MidiSchedule midi;
};

bool prepare(const RenderOptions& o, Material& m, std::string& error) {
  if (!o.inputFile.empty()) {
    if (!readAudioFile(o.inputFile, m.input, error)) return false;
    if (o.rate && *o.rate != m.input.sampleRate) {
      error = o.inputFile + ": the input is at " + std::to_string(m.input.sampleRate) +
              " Hz but --rate asks for " + std::to_string(*o.rate) + " Hz";
      return false;
    }
    m.rate = m.input.sampleRate;
  }
  if (o.rate) m.rate = *o.rate;
  if (!o.notes.empty()) {
    std::vector<PlayedNote> notes;
    if (!parseNoteList(o.notes, notes, error)) return false;
    m.midi = scheduleNotes(notes, m.rate);
  }
  if (!o.midiFile.empty()) {
    MidiFile file;
    if (!readMidiFile(o.midiFile, file, error)) return false;
    m.midi = scheduleMidiFile(file, m.rate);
  }
  return true;
}

// The value in force at `frame` in a frame-ordered list of changes, or null.
template <typename T>
const T* inForce(const std::vector<T>& changes, int64_t frame) {
  const T* found = nullptr;
  for (const T& c : changes) {
    if (c.frame > frame) break;
    found = &c;
  }
  return found;
}

// `sent`, when given, collects the MIDI the plug-in sends, at the frames it sends it.
bool renderLoop(const RenderOptions& o, const Material& m, VstHost& host, VstPlugin& plugin,
                int64_t totalFrames, AudioFileWriter& writer, std::vector<SentMidi>* sent,
                std::string& error) {
  const int block = o.block;
  const int inputs = plugin.numInputs();
  const int outputs = plugin.numOutputs();

  // Input buffers: the input file's channels spread over the plug-in's inputs (input i
  // takes file channel i modulo the file's count), silence after its end.
  std::vector<std::vector<float>> in(static_cast<std::size_t>(inputs), std::vector<float>(block, 0.0f));
  std::vector<std::vector<float>> out(static_cast<std::size_t>(outputs), std::vector<float>(block, 0.0f));
  std::vector<float*> inPtr(static_cast<std::size_t>(std::max(inputs, 1)), nullptr);
  std::vector<float*> outPtr(static_cast<std::size_t>(outputs), nullptr);
  for (int c = 0; c < inputs; ++c) inPtr[c] = in[c].data();
  for (int c = 0; c < outputs; ++c) outPtr[c] = out[c].data();

  // The event block is sized for the busiest block of the render.
  std::size_t busiest = 1;
  {
    std::size_t i = 0;
    const auto& msgs = m.midi.messages;
    for (int64_t start = 0; start < totalFrames && i < msgs.size(); start += block) {
      std::size_t n = 0;
      while (i < msgs.size() && msgs[i].frame < start + block) {
        ++i;
        ++n;
      }
      busiest = std::max(busiest, n);
    }
  }
  VstEventBuffer events(busiest);

  VstTransport& transport = host.transport();
  transport.setSampleRate(m.rate);
  if (const auto* t = inForce(m.midi.tempos, 0)) transport.setTempo(t->beatsPerMinute);
  if (const auto* s = inForce(m.midi.signatures, 0)) transport.setTimeSignature(s->numerator, s->denominator);
  transport.locate(0);
  transport.setPlaying(true);

  ProgressBar progress(o.progress && stderrIsTerminal() && totalFrames >= kProgressAbove * m.rate,
                       totalFrames);
  int64_t nonFinite = 0;
  std::size_t next = 0;
  std::size_t nextChange = 0;
  const auto& msgs = m.midi.messages;
  const int64_t idleEvery = std::max<int64_t>(1, m.rate / kIdlesPerSecond);
  int64_t nextIdle = 0;
  for (int64_t start = 0; start < totalFrames; start += block) {
    const int frames = static_cast<int>(std::min<int64_t>(block, totalFrames - start));
    if (start >= nextIdle) {
      idle(host, plugin);
      nextIdle = start + idleEvery;
    }

    events.clear();
    while (next < msgs.size() && msgs[next].frame < start + frames) {
      const ScheduledMidi& msg = msgs[next++];
      events.addMidi(static_cast<int32_t>(msg.frame - start), msg.bytes[0], msg.bytes[1], msg.bytes[2]);
    }
    plugin.processEvents(events.events());
    // Parameter changes due within this block reach the plug-in before it runs.
    while (nextChange < o.automation.size() &&
           frameAt(o.automation[nextChange].seconds, m.rate) < start + frames) {
      const AutomationPoint& p = o.automation[nextChange++];
      plugin.setParameter(p.index, p.value);
    }

    for (int c = 0; c < inputs; ++c) {
      std::fill(in[c].begin(), in[c].end(), 0.0f);
      if (m.input.channels.empty()) continue;
      const std::vector<float>& source = m.input.channels[c % m.input.channels.size()];
      for (int f = 0; f < frames; ++f) {
        const int64_t at = start + f;
        if (at < static_cast<int64_t>(source.size())) in[c][f] = source[at];
      }
    }
    if (const auto* t = inForce(m.midi.tempos, start)) transport.setTempo(t->beatsPerMinute);
    if (const auto* s = inForce(m.midi.signatures, start)) transport.setTimeSignature(s->numerator, s->denominator);

    plugin.process(inPtr.data(), outPtr.data(), frames);
    transport.advance(frames);
    if (sent) {
      const VstEventBuffer& from = host.midiFromPlugin();
      for (std::size_t i = 0; i < from.size(); ++i) {
        const vst::VstMidiEvent& e = from.at(i);
        SentMidi s;
        s.frame = start + std::clamp<int64_t>(e.deltaFrames, 0, frames - 1);
        for (int b = 0; b < 3; ++b) s.bytes[b] = static_cast<uint8_t>(e.midiData[b]);
        sent->push_back(s);
      }
    }
    host.clearMidiFromPlugin();

    for (int c = 0; c < outputs; ++c)
      for (int f = 0; f < frames; ++f)
        if (!std::isfinite(out[c][f])) {
          out[c][f] = 0.0f;
          ++nonFinite;
        }
    if (!writer.write(outPtr.data(), frames, error)) {
      error = o.output + ": " + error;
      return false;
    }
    progress.update(start + frames);
  }
  progress.finish();
  transport.setPlaying(false);
  if (nonFinite > 0)
    std::fprintf(stderr, "korvane-host: warning: the plug-in produced %lld non-finite samples (written as 0)\n",
                 static_cast<long long>(nonFinite));
  return true;
}

bool writeMidiOut(const std::string& path, const std::vector<SentMidi>& sent, int rate, int64_t endFrame,
                  std::string& error) {
  std::vector<uint8_t> bytes;
  if (!encodeMidiOutFile(sent, rate, endFrame, bytes, error)) {
    error = path + ": " + error;
    return false;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    error = path + ": can't write the MIDI file";
    return false;
  }
  return true;
}

}  // namespace

bool renderWithPlugin(const RenderOptions& o, std::string& error) {
  Material m;
  if (!prepare(o, m, error)) return false;

  VstHost host;
  VstLoadFailure failure;
  std::unique_ptr<VstPlugin> plugin = VstPlugin::load(o.plugin, host, failure);
  if (!plugin) {
    error = failure.message;
    return false;
  }
  const int outputs = plugin->numOutputs();
  if (outputs < 1 || outputs > kMaxChannels) {
    error = o.plugin + ": the plug-in has " + std::to_string(outputs) + " outputs; cannot render";
    return false;
  }
  if (plugin->numInputs() < 0 || plugin->numInputs() > kMaxChannels) {
    error = o.plugin + ": the plug-in declares " + std::to_string(plugin->numInputs()) + " inputs";
    return false;
  }
  if (!checkStateOptions(o, *plugin, error)) return false;

  int64_t totalFrames;
  if (o.seconds) {
    totalFrames = frameAt(*o.seconds, m.rate);
  } else {
    const int64_t material = std::max(m.midi.endFrame, m.input.frames());
    totalFrames = material + frameAt(o.tail, m.rate);
  }

  // Set-up in the order plug-ins expect.
  host.setProcessLevel(VstProcessLevel::User);
  plugin->setSampleRate(static_cast<float>(m.rate));
  plugin->setBlockSize(o.block);
  if (!applyStateOptions(o, *plugin, error)) return false;

  AudioFileWriter writer;
  if (!writer.open(o.output, m.rate, outputs, o.format, error)) return false;

  plugin->resume();
  plugin->startProcess();
  host.setProcessLevel(VstProcessLevel::Offline);
  std::vector<SentMidi> sent;
  const bool rendered =
      renderLoop(o, m, host, *plugin, totalFrames, writer, o.midiOut.empty() ? nullptr : &sent, error);
  host.setProcessLevel(VstProcessLevel::User);
  plugin->stopProcess();
  plugin->suspend();
  idle(host, *plugin);  // what the last blocks and the suspend left for the user

  bool ok = rendered && writer.close(error);
  if (ok && !o.midiOut.empty()) ok = writeMidiOut(o.midiOut, sent, m.rate, totalFrames, error);
  if (ok) ok = saveStateOptions(o, *plugin, error);
  plugin.reset();  // effClose and unload before the files are final
  if (!ok) {
    std::string ignored;
    writer.close(ignored);
    std::error_code ec;
    std::filesystem::remove(o.output, ec);
    if (!o.midiOut.empty()) std::filesystem::remove(o.midiOut, ec);
  }
  return ok;
}

}  // namespace kv
