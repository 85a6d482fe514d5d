#include "document/text/text_form_common.h"

#include <algorithm>
#include <cctype>

#include "document/model/cug.h"
#include "document/model/plug.h"

namespace kv::text {

PlugRef parsePlugRef(const std::string& text) {
  PlugRef ref{text, 1};
  const size_t hash = text.rfind('#');
  if (hash == std::string::npos || hash + 1 >= text.size()) return ref;
  int n = 0;
  for (size_t i = hash + 1; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i])) || n > 100000) return ref;
    n = n * 10 + (text[i] - '0');
  }
  if (n < 2) return ref;
  return PlugRef{text.substr(0, hash), n};
}

std::string plugRefText(const CUG* module, const CPlug2* plug) {
  const std::string name = const_cast<CPlug2*>(plug)->getName();
  int n = 0;
  for (CPlug2* p : module->plugs()) {
    if (p->getName() == name) ++n;
    if (p == plug) break;
  }
  std::string text = n > 1 ? name + "#" + std::to_string(n) : name;
  // A name that itself ends in "#<digits>" would be read as an occurrence: spell it out.
  if (n == 1 && parsePlugRef(name).occurrence != 1) text = name + "#1";
  return text;
}

CPlug2* findPlug(const CUG* module, const PlugRef& ref) {
  int n = 0;
  for (CPlug2* p : module->plugs())
    if (p->getName() == ref.name && ++n == ref.occurrence) return p;
  return nullptr;
}

std::vector<std::string> plugRefTexts(const CUG* module) {
  std::vector<std::string> out;
  for (CPlug2* p : module->plugs()) out.push_back(plugRefText(module, p));
  return out;
}

size_t editDistanceNoCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
  // One row of the distance table at a time: row[j] is the distance from a's first i
  // characters to b's first j.
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::string nearestName(std::string_view name, const std::vector<std::string>& candidates) {
  const std::string* best = nullptr;
  size_t best_distance = 0;
  for (const std::string& c : candidates) {
    if (c.empty()) continue;
    const size_t d = editDistanceNoCase(name, c);
    if (!best || d < best_distance) {
      best = &c;
      best_distance = d;
    }
  }
  if (!best) return std::string();
  const size_t longer = std::max(name.size(), best->size());
  return best_distance * 2 <= longer + 1 ? *best : std::string();
}

namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

std::string toBase64(const std::vector<uint8_t>& b) {
  std::string out;
  out.reserve((b.size() + 2) / 3 * 4);
  for (size_t i = 0; i < b.size(); i += 3) {
    const uint32_t n = (uint32_t(b[i]) << 16) | (i + 1 < b.size() ? uint32_t(b[i + 1]) << 8 : 0) |
                       (i + 2 < b.size() ? uint32_t(b[i + 2]) : 0);
    out += kAlphabet[(n >> 18) & 63];
    out += kAlphabet[(n >> 12) & 63];
    out += i + 1 < b.size() ? kAlphabet[(n >> 6) & 63] : '=';
    out += i + 2 < b.size() ? kAlphabet[n & 63] : '=';
  }
  return out;
}

std::optional<std::vector<uint8_t>> fromBase64(std::string_view text) {
  std::vector<uint8_t> out;
  uint32_t acc = 0;
  int bits = 0;
  size_t padding = 0;
  for (char c : text) {
    if (c == '\n' || c == '\r' || c == ' ' || c == '\t') continue;
    if (c == '=') {
      ++padding;
      continue;
    }
    if (padding) return std::nullopt;  // data after padding
    int v;
    if (c >= 'A' && c <= 'Z') v = c - 'A';
    else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
    else if (c >= '0' && c <= '9') v = c - '0' + 52;
    else if (c == '+') v = 62;
    else if (c == '/') v = 63;
    else return std::nullopt;
    acc = (acc << 6) | uint32_t(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<uint8_t>((acc >> bits) & 0xFF));
    }
  }
  if (padding > 2 || bits >= 6) return std::nullopt;
  return out;
}

}  // namespace kv::text

namespace kv::text {

namespace {
constexpr char32_t kHighHalf[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char byteFor(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (kHighHalf[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}
}  // namespace

std::string windows1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const auto b = static_cast<uint8_t>(ch);
    appendUtf8(out, b >= 0x80 && b < 0xA0 ? kHighHalf[b - 0x80] : char32_t(b));
  }
  return out;
}

std::string utf8ToWindows1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<uint8_t>(text[i]);
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= text.size() + (extra == 0 ? 1 : 0)) {
      out += '?';
      ++i;
      continue;
    }
    char32_t c = extra == 0 ? b : (b & (0x3F >> extra));
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      const auto cont = static_cast<uint8_t>(text[i + static_cast<size_t>(k)]);
      if ((cont & 0xC0) != 0x80) ok = false;
      c = (c << 6) | (cont & 0x3F);
    }
    if (!ok) {
      out += '?';
      ++i;
      continue;
    }
    out += byteFor(c);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

}  // namespace kv::text
