#pragma once
// Lookup tables: contents computed once (while modules open) and read in inner loops.
//
// Voltage-indexed tables have 514 entries: entry i belongs to the normalised control
// value i/512 (i x 10/512 volts), so entries 0..512 cover 0..10 V and entry 513 is a
// guard that lets interpolation at the top of the range read t[i+1] without a test.
//
// Tables are owned by the LookupTableRegistry of the plug-in instance (or by the
// process-wide immutable caches of wavetables and the interpolation kernel), never by a
// module. `initialised` means the contents match the key the registry entry holds; the
// module that obtains a table refills it while the flag is clear.
#include <cstdint>
#include <memory>

namespace kv {

class LookupTable {
 public:
  virtual ~LookupTable() = default;
  int32_t size() const { return size_; }
  bool initialised = false;

 protected:
  int32_t size_ = 0;
};

// Float entries. Magnitudes below 1e-20 (other than exact 0) are stored as 0, so no
// denormal ever enters a table.
class ULookup : public LookupTable {
 public:
  void SetSize(int32_t n);  // contents zeroed
  void SetValue(int32_t index, float value) {
    data_[index] = (value != 0.0f && value > -1e-20f && value < 1e-20f) ? 0.0f : value;
  }
  float GetValue(int32_t index) const { return data_[index]; }
  // x = 512 v, clamped to [0, 512] (NaN gives 0); t[i] + (x - i)(t[i+1] - t[i]).
  // Valid only on tables of at least 514 entries (513 when v never reaches 1.0).
  float InterpolatedLookup(float v) const {
    float x = v * 512.0f;
    if (!(x > 0.0f)) x = 0.0f;  // negative or NaN
    if (x > 512.0f) x = 512.0f;
    const int i = static_cast<int>(x);
    const float f = x - static_cast<float>(i);
    return data_[i] + f * (data_[i + 1] - data_[i]);
  }
  const float* data() const { return data_.get(); }

 private:
  std::unique_ptr<float[]> data_;
};

// Unsigned 32-bit integer entries (phase increments), stored unchanged.
class ULookup_Integer : public LookupTable {
 public:
  void SetSize(int32_t n);  // contents zeroed
  void SetValue(int32_t index, uint32_t value) { data_[index] = value; }
  uint32_t GetValue(int32_t index) const { return data_[index]; }
  const uint32_t* data() const { return data_.get(); }

 private:
  std::unique_ptr<uint32_t[]> data_;
};

// One table of a band-limited wavetable set: 512 samples of one cycle plus two guard
// entries (repeating samples 0 and 1), and the phase-increment window in which it plays:
//   upper       - the largest increment at which this table plays without aliasing;
//   lower       - below it the next richer table takes over (a semitone of hysteresis
//                 under the richer table's upper limit);
//   next_richer - the upper limit of the next richer table.
class Uwavetable : public ULookup {
 public:
  uint32_t lower = 0;
  uint32_t upper = 0;
  uint32_t next_richer = 0;
};

}  // namespace kv
