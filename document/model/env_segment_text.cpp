#include "document/model/env_segment_text.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "engine/number_text.h"

namespace kv {

namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  void skipSpace() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r' ||
                                   text_[pos_] == '\n'))
      ++pos_;
  }
  bool atEnd() {
    skipSpace();
    return pos_ >= text_.size();
  }
  bool take(char c) {
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  // A decimal number (an optional sign, digits with a point, an exponent).
  bool number(double& out) {
    skipSpace();
    std::size_t start = pos_;
    if (start < text_.size() && text_[start] == '+') ++start;
    const char* first = text_.data() + start;
    const char* last = text_.data() + text_.size();
    if (first == last || !(std::isdigit(static_cast<unsigned char>(*first)) || *first == '.' || *first == '-'))
      return false;  // no words: "inf" and "nan" are not numbers here
    const auto result = std::from_chars(first, last, out, std::chars_format::general);
    if (result.ec != std::errc() || !std::isfinite(out)) return false;
    pos_ = static_cast<std::size_t>(result.ptr - text_.data());
    return true;
  }
  // 1-based, for messages.
  std::size_t column() const { return pos_ + 1; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

std::string at(const Reader& r) { return " at character " + formatInt(static_cast<long long>(r.column())); }

std::string segmentName(std::size_t index) { return "segment " + formatInt(static_cast<long long>(index)); }

}  // namespace

std::string ReadEnvSegmentText(std::string_view text, EnvSegmentText& out) {
  EnvSegmentText env;
  Reader r(text);
  float previous_time = 0.0f;
  while (!r.atEnd()) {
    const std::size_t k = env.segments.size();
    if (r.take('S')) {
      if (env.sustain >= 0) return "a second sustain mark \"S\"" + at(r);
      env.sustain = static_cast<int>(k);
    }
    if (!r.take('(')) return "expected \"(\"" + at(r);
    double time = 0.0, level = 0.0;
    if (!r.number(time)) return "expected the end time of " + segmentName(k) + at(r);
    if (!r.take(',')) return "expected \",\" after the end time of " + segmentName(k) + at(r);
    if (!r.number(level)) return "expected the level of " + segmentName(k) + at(r);
    if (!r.take(')')) return "expected \")\" after the level of " + segmentName(k) + at(r);
    if (k >= static_cast<std::size_t>(kEnvMaxSegments))
      return "more than " + formatInt(kEnvMaxSegments) + " segments";
    if (time < 0.0 || time > kEnvMaxTime)
      return "the end time of " + segmentName(k) + " is outside 0 to 999 seconds";
    if (level < -1.0 || level > 1.0) return "the level of " + segmentName(k) + " is outside -1 to 1";
    const float t = static_cast<float>(time);
    if (t < previous_time) return "the end time of " + segmentName(k) + " comes before the previous one";
    previous_time = t;
    env.segments.push_back({static_cast<float>(level), t});
  }
  if (env.segments.empty()) return "no segments";
  out = std::move(env);
  return std::string();
}

std::string WriteEnvSegmentText(const EnvSegmentText& envelope) {
  std::string text;
  for (std::size_t k = 0; k < envelope.segments.size(); ++k) {
    if (static_cast<int>(k) == envelope.sustain) text += 'S';
    text += '(';
    text += formatFixed(envelope.segments[k].end_time, 6);
    text += ',';
    text += formatFixed(envelope.segments[k].level, 6);
    text += ')';
  }
  return text;
}

}  // namespace kv
