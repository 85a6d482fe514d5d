#include "modules/amplifiers/gain_laws.h"

#include "engine/lookup_catalogue.h"

namespace kv::amplifiers {

void FadeTables::Obtain(LookupTableRegistry& r) {
  sin_equal_power = SinEqualPowerCurve(r);
  equal_power = EqualPowerCurve(r);
  db = DbCurve(r);
}

}  // namespace kv::amplifiers
