#pragma once
// USampBlock: the samples of one audio output for one engine block. Shared, not copied,
// between an output and the inputs connected to it.
#include <cstddef>
#include <cstdint>

namespace kv {

class USampBlock {
 public:
  // Storage for `block_size` floats plus 32 bytes of slack (four-sample loops may run
  // past the end), 16-byte aligned, zero-filled.
  explicit USampBlock(int block_size);
  virtual ~USampBlock();
  USampBlock(const USampBlock&) = delete;
  USampBlock& operator=(const USampBlock&) = delete;

  int size() const { return size_; }
  float* samples() { return samples_; }
  const float* samples() const { return samples_; }

  void Fill(float value);  // every sample of the block
  void Clear() { Fill(0.0f); }
  void Add(const USampBlock& other);  // sample by sample, the whole block
  float Read(int index) const { return samples_[index]; }
  void Write(int index, float value) { samples_[index] = value; }
  void FillRun(int start, int count, float value);

 private:
  int32_t reserved_ = 0;  // always zero
  int size_;
  float* samples_;
};

}  // namespace kv
