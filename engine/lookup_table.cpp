#include "engine/lookup_table.h"

namespace kv {

void ULookup::SetSize(int32_t n) {
  data_ = std::make_unique<float[]>(n > 0 ? n : 0);
  size_ = n > 0 ? n : 0;
}

void ULookup_Integer::SetSize(int32_t n) {
  data_ = std::make_unique<uint32_t[]>(n > 0 ? n : 0);
  size_ = n > 0 ? n : 0;
}

}  // namespace kv
