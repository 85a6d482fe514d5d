#pragma once
// UPlug: one plug of a unit generator; UParameter: a plug holding a value that no unit
// generator output provides; Connection: a record joining an output to an input.
//
// Value storage ("io variable") by datatype:
//   dt_enum   int16_t      dt_bool  uint8_t (0 or 1)   dt_float float   dt_double double
//   dt_text   TextValue (fixed capacity, so copying on the audio thread never allocates)
//   dt_volts  no io variable: `value_slot` holds the USampBlock (outputs own it; inputs
//             point at their source's block, or at the master's zero block while unconnected)
//   dt_midi   the MIDI transport's records (midi_transport.h): a MidiOutput for outputs and
//             container IO plugs, a MidiInput for inputs, a collector for collector inputs;
//             the module's member named by the declaration, or owned by the plug
// Container IO plugs (DR_CONTAINER_IO) own storage too: while one side of the container
// boundary is unconnected, the other side reads a constant 0 (an owned zero block in state
// ST_STOP) or an empty MIDI buffer.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/sample_block.h"
#include "engine/types.h"

namespace kv {

class ug_base;
class UPlug;
class MidiOutput;
class MidiInput;
struct InterfaceObject;

// Text value of a dt_text plug. Storage is reserved once; assignment truncates to the
// capacity instead of growing.
class TextValue {
 public:
  static constexpr std::size_t kCapacity = 1023;
  TextValue() { s_.reserve(kCapacity); }
  TextValue(const TextValue& o) : TextValue() { Assign(o.str()); }
  TextValue& operator=(const TextValue& o) {
    Assign(o.str());
    return *this;
  }
  void Assign(std::string_view t) { s_.assign(t.data(), t.size() < kCapacity ? t.size() : kCapacity); }
  const std::string& str() const { return s_; }

 private:
  std::string s_;
};

// The io variable of a collector input (declaration flag 0x080): told of every source
// joining or leaving.
class Collector {
 public:
  virtual ~Collector() = default;
  virtual void AddSource(UPlug* source) = 0;
  virtual void RemoveSource(UPlug* source) = 0;
};

class Connection {
 public:
  Connection(UPlug* s, UPlug* d) : source(s), destination(d) {}
  UPlug* source;
  UPlug* destination;
};

class UPlug {
 public:
  UPlug(ug_base* owner, int32_t direction, int32_t data_type);
  // A plug made from a declaration: its io variable and buffer target are the module's
  // members; flags follow the declaration (voice-sensitive unless 0x200, collector with 0x080).
  UPlug(ug_base* owner, const InterfaceObject& declaration);
  virtual ~UPlug();  // deletes its connection records
  UPlug(const UPlug&) = delete;
  UPlug& operator=(const UPlug&) = delete;

  // The declaration a UParameter was made from; null for a plain plug.
  virtual const InterfaceObject* Declaration() const { return nullptr; }
  // Owned storage by datatype and direction (sets UPLUG_OWNS_IO). dt_volts outputs and container
  // IO plugs get their block; dt_midi plugs a MidiOutput or MidiInput.
  virtual void CreateIoVariable();

  // Sends `state` to every connected destination (see the rules in plug.cpp).
  void TransmitState(sample_clock time, state_type state);

  // Joins source (an output) to destination, following proxies. Answers null when the
  // destination is an ordinary input that already has a source (the graph builder inserts
  // a summing module for that case first). Build time only.
  static Connection* Connect(UPlug* source, UPlug* destination);
  // Removes the record from both plugs, tells a collector destination, and drops pending
  // state changes of this connection from the destination owner's queue.
  static void Disconnect(Connection* c);

  // Sets the plug's value from a document text (volts for dt_volts). Panel thread or build
  // time. A running engine receives the value through the master's ring; structure (a new
  // parameter) is only created while the engine is not running. Answers false when refused.
  virtual bool SetValueFromText(std::string_view text);

  UPlug* EndOfProxyChain();
  bool HasSource() const;  // an input with at least one connection
  int index() const { return index_; }

  // dt_volts.
  USampBlock* block() const { return static_cast<USampBlock*>(value_slot); }
  float* samples() const { return block() ? block()->samples() : nullptr; }
  // Typed io variables (the caller knows the datatype).
  template <typename T>
  T& io_as() const { return *static_cast<T*>(io); }

  // Copies the value of `source` into this plug's io variable by this plug's datatype.
  void CopyValueFrom(const UPlug& source);
  // The 32-bit snapshot a state change carries (enum sign-extended, bool byte, float bits).
  int32_t Snapshot() const;
  // Stores a snapshot taken from `source` (dt_text and dt_double copy the source's value).
  void ReceiveSnapshot(int32_t snapshot, const UPlug& source);

  float** target = nullptr;
  ug_base* owner;
  void* io = nullptr;
  int32_t direction;
  int32_t data_type;
  UPlug* linked = nullptr;
  uint32_t flags = 0;
  UPlug* proxy = nullptr;
  std::vector<Connection*> connections;
  void* value_slot = nullptr;
  state_type state = ST_STOP;
  static constexpr sample_clock kNoOneOff = INT64_MIN;
  sample_clock one_off_time = kNoOneOff;

 protected:
  // Writes the value into this plug's own storage (block or io variable).
  bool SetStoredValueFromText(std::string_view text);

 private:
  friend class ug_base;
  static void DisconnectRecord(Connection* c, bool tell_collector);
  int index_ = -1;
  union Scalar {
    int16_t e;
    uint8_t b;
    float f;
    double d;
  } own_scalar_{};
  std::unique_ptr<TextValue> own_text_;
  std::unique_ptr<USampBlock> own_block_;
  std::unique_ptr<MidiOutput> own_midi_out_;
  std::unique_ptr<MidiInput> own_midi_in_;
};

// A value for an input that no unit generator output drives (held by a container's IO
// module). It is an output plug with owned storage.
class UParameter : public UPlug {
 public:
  UParameter(ug_base* owner, int32_t data_type, const InterfaceObject* declaration);
  const InterfaceObject* Declaration() const override { return declaration_; }
  bool SetValueFromText(std::string_view text) override;

 private:
  const InterfaceObject* declaration_;
};

// Locale-independent number reading with atoi/atof meaning: stops at the first unusable
// character, 0 when none.
double ParseNumber(std::string_view text);

}  // namespace kv
