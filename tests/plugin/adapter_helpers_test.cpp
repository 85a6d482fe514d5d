// Flag setters, text formatters and speaker-arrangement helpers of the adapter.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

#include "recording_host.h"
#include "test_effect.h"

namespace kv::test {
namespace {

using namespace vst;

TEST(FlagSetters, EachSetsAndClearsOnlyItsBit) {
  const std::pair<int32_t, std::function<void(TestEffect&, bool)>> setters[] = {
      {effFlagsHasVu, [](TestEffect& fx, bool s) { fx.hasVu(s); }},
      {effFlagsHasClip, [](TestEffect& fx, bool s) { fx.hasClip(s); }},
      {effFlagsCanMono, [](TestEffect& fx, bool s) { fx.canMono(s); }},
      {effFlagsCanReplacing, [](TestEffect& fx, bool s) { fx.canProcessReplacing(s); }},
      {effFlagsProgramChunks, [](TestEffect& fx, bool s) { fx.programsAreChunks(s); }},
      {effFlagsIsSynth, [](TestEffect& fx, bool s) { fx.isSynth(s); }},
      {effFlagsNoSoundInStop, [](TestEffect& fx, bool s) { fx.noTail(s); }},
      {effFlagsExtIsAsync, [](TestEffect& fx, bool s) { fx.wantAsyncOperation(s); }},
      {effFlagsExtHasBuffer, [](TestEffect& fx, bool s) { fx.hasExternalBuffer(s); }},
  };
  for (const auto& [bit, set] : setters) {
    SCOPED_TRACE(bit);
    Log log;
    TestEffect fx(nullptr, log);
    int32_t& flags = fx.getAeffect()->flags;
    set(fx, true);
    EXPECT_EQ(flags, bit);
    flags = ~0;
    set(fx, false);
    EXPECT_EQ(flags, ~bit);
  }
}

std::string format(const std::function<void(TestEffect&, char*)>& f, float rate = 44100.0f) {
  Log log;
  TestEffect fx(nullptr, log);
  fx.setSampleRate(rate);
  char text[32];
  std::memset(text, '#', sizeof text);
  f(fx, text);
  return text;
}

TEST(TextFormat, Cases) {
  const std::pair<std::function<void(TestEffect&, char*)>, const char*> cases[] = {
      {[](TestEffect& fx, char* t) { fx.dB2string(0.0f, t); }, "-oo"},
      {[](TestEffect& fx, char* t) { fx.dB2string(-1.0f, t); }, "-oo"},
      {[](TestEffect& fx, char* t) { fx.dB2string(NAN, t); }, "-oo"},
      {[](TestEffect& fx, char* t) { fx.dB2string(1.0f, t); }, "0.000000"},
      {[](TestEffect& fx, char* t) { fx.dB2string(10.0f, t); }, "20.00000"},
      {[](TestEffect& fx, char* t) { fx.long2string(100000000, t); }, "Huge!"},
      {[](TestEffect& fx, char* t) { fx.long2string(99999999, t); }, "99999999"},
      {[](TestEffect& fx, char* t) { fx.long2string(42, t); }, "     42"},
      {[](TestEffect& fx, char* t) { fx.long2string(-9999999, t); }, "-9999999"},
      {[](TestEffect& fx, char* t) { fx.long2string(-10000000, t); }, "-Huge!"},
      {[](TestEffect& fx, char* t) { fx.float2string(1.5f, t); }, "1.500000"},
      {[](TestEffect& fx, char* t) { fx.float2string(-1.5f, t); }, "-1.50000"},
      {[](TestEffect& fx, char* t) { fx.float2string(-0.0f, t); }, "0.000000"},
      {[](TestEffect& fx, char* t) { fx.float2string(12345.6f, t); }, "12345.60"},
      {[](TestEffect& fx, char* t) { fx.float2string(12345678.0f, t); }, "12345678"},
      {[](TestEffect& fx, char* t) { fx.float2string(1.0e9f, t); }, "Huge!"},
      {[](TestEffect& fx, char* t) { fx.float2string(-1.0e9f, t); }, "-Huge!"},
      {[](TestEffect& fx, char* t) { fx.Hz2string(0.0f, t); }, "0.000000"},
      {[](TestEffect& fx, char* t) { fx.Hz2string(100.0f, t); }, "441.0000"},
      {[](TestEffect& fx, char* t) { fx.ms2string(44100.0f, t); }, "1000.000"},
      {[](TestEffect& fx, char* t) { fx.ms2string(441.0f, t); }, "10.00000"},
  };
  for (const auto& [f, expected] : cases) EXPECT_EQ(format(f), expected);
}

// Whatever the number, a formatter writes at most 8 characters and a terminator, and
// in the C locale's notation.
TEST(TextFormat, NeverMoreThanEightCharacters) {
  const float specials[] = {std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(),
                            std::numeric_limits<float>::denorm_min(), INFINITY, -INFINITY, NAN,
                            99999999.5f, -9999999.5f, 0.00000001f};
  auto check = [](const char* text) {
    ASSERT_LE(std::strlen(text), 8u) << text;
    EXPECT_EQ(std::strchr(text, ','), nullptr) << text;
  };
  Log log;
  TestEffect fx(nullptr, log);
  char text[32];
  for (float v : specials) {
    fx.float2string(v, text);
    check(text);
    fx.dB2string(v, text);
    check(text);
    fx.Hz2string(v, text);
    check(text);
    fx.ms2string(v, text);
    check(text);
  }
  for (double v = 1e-9; v < 1e12; v *= 1.7) {
    for (float s : {1.0f, -1.0f}) {
      fx.float2string(static_cast<float>(v) * s, text);
      check(text);
    }
  }
  for (int64_t v = -3000000000LL; v < 3000000000LL; v += 77777777) {
    fx.long2string(static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)), text);
    check(text);
  }
}

TEST(SpeakerArrangement, AllocateMatchAndFree) {
  Log log;
  TestEffect fx(nullptr, log);
  VstSpeakerArrangement* from = nullptr;
  ASSERT_TRUE(fx.allocateArrangement(&from, 10));  // more than the eight declared slots
  EXPECT_EQ(from->numChannels, 10);
  EXPECT_EQ(from->type, 0);
  from->type = 42;
  auto* speakers = reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(from) + 8);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(speakers[i].type, 0);
    speakers[i].azimuth = 0.1f * i;
    speakers[i].elevation = 1.0f;
    speakers[i].radius = 2.0f;
    speakers[i].reserved = 3.0f;
    std::snprintf(speakers[i].name, sizeof speakers[i].name, "speaker %d", i);
    speakers[i].type = i + 1;
    std::memset(speakers[i].future, i, sizeof speakers[i].future);
  }

  VstSpeakerArrangement* to = nullptr;
  ASSERT_TRUE(fx.allocateArrangement(&to, 2));  // replaced (and freed) by the match
  ASSERT_TRUE(fx.matchArrangement(&to, from));
  EXPECT_EQ(to->type, 42);
  EXPECT_EQ(to->numChannels, 10);
  auto* copied = reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(to) + 8);
  EXPECT_EQ(std::memcmp(copied, speakers, 10 * sizeof(VstSpeakerProperties)), 0);

  EXPECT_FALSE(fx.matchArrangement(&to, nullptr));
  EXPECT_FALSE(fx.allocateArrangement(&to, -1));
  EXPECT_EQ(to, nullptr);
  EXPECT_TRUE(fx.deallocateArrangement(&from));
  EXPECT_EQ(from, nullptr);
  EXPECT_TRUE(fx.deallocateArrangement(&from));  // freeing null is harmless
}

TEST(SpeakerArrangement, CopySpeakerKeepsTheNameTerminated) {
  Log log;
  TestEffect fx(nullptr, log);
  VstSpeakerProperties from{};
  std::memset(from.name, 'x', sizeof from.name);  // no terminator
  VstSpeakerProperties to{};
  EXPECT_TRUE(fx.copySpeaker(&to, &from));
  EXPECT_EQ(std::strlen(to.name), sizeof to.name - 1);
  EXPECT_FALSE(fx.copySpeaker(&to, nullptr));
}

}  // namespace
}  // namespace kv::test
