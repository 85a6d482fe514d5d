#pragma once
// The application's MIDI input queue: records (stamped with the engine's sample clock)
// written by the application before the engine runs in the same audio call, and read by
// "MIDI In" modules. Single writer, single reader, no lock; a full queue refuses new
// records and counts them.
#include "engine/midi_transport.h"
#include "engine/spsc_queue.h"

namespace kv {

class MidiInQueue : public SpscQueue<MidiEvent, 1024> {};

}  // namespace kv
