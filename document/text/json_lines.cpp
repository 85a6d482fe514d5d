#include "document/text/json_lines.h"

#include <iterator>
#include <vector>

namespace kv::text {

namespace {

using json = nlohmann::json;

// An input iterator that reports how far the parser has read.
class CountingIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  CountingIterator(const char* p, const char** furthest) : p_(p), furthest_(furthest) {}
  reference operator*() const { return *p_; }
  CountingIterator& operator++() {
    ++p_;
    if (p_ > *furthest_) *furthest_ = p_;
    return *this;
  }
  CountingIterator operator++(int) {
    CountingIterator old = *this;
    ++*this;
    return old;
  }
  bool operator==(const CountingIterator& o) const { return p_ == o.p_; }
  bool operator!=(const CountingIterator& o) const { return p_ != o.p_; }

 private:
  const char* p_;
  const char** furthest_;
};

int lineAt(std::string_view text, size_t offset) {
  int line = 1;
  for (size_t i = 0; i < offset && i < text.size(); ++i)
    if (text[i] == '\n') ++line;
  return line;
}

// Builds the document tree, stamping each object with the line of its opening brace.
class LineSax : public nlohmann::json_sax<json> {
 public:
  LineSax(std::string_view text, const char** furthest) : text_(text), furthest_(furthest) {}
  json result;

  bool null() override { return put(json(nullptr)); }
  bool boolean(bool v) override { return put(json(v)); }
  bool number_integer(number_integer_t v) override { return put(json(v)); }
  bool number_unsigned(number_unsigned_t v) override { return put(json(v)); }
  bool number_float(number_float_t v, const string_t&) override { return put(json(v)); }
  bool string(string_t& v) override { return put(json(v)); }
  bool binary(binary_t& v) override { return put(json::binary(v)); }
  bool start_object(std::size_t) override {
    // The parser has just read the brace.
    const size_t offset = static_cast<size_t>(*furthest_ - text_.data());
    json* o = put(json::object());
    (*o)[kLineKey] = lineAt(text_, offset == 0 ? 0 : offset - 1);
    stack_.push_back(o);
    return true;
  }
  bool key(string_t& k) override {
    key_ = k;
    return true;
  }
  bool end_object() override {
    stack_.pop_back();
    return true;
  }
  bool start_array(std::size_t) override {
    stack_.push_back(put(json::array()));
    return true;
  }
  bool end_array() override {
    stack_.pop_back();
    return true;
  }
  bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& e) override {
    const size_t at = position == 0 ? 0 : position - 1;
    int column = 1;
    for (size_t i = at; i > 0 && text_[i - 1] != '\n'; --i) ++column;
    std::string what = e.what();
    if (auto colon = what.find("syntax error"); colon != std::string::npos) what = what.substr(colon);
    throw JsonSyntaxError("line " + std::to_string(lineAt(text_, at)) + ", column " + std::to_string(column) +
                          ": " + what);
  }

 private:
  json* put(json v) {
    if (stack_.empty()) {
      result = std::move(v);
      return &result;
    }
    json& top = *stack_.back();
    if (top.is_array()) {
      top.push_back(std::move(v));
      return &top.back();
    }
    if (key_ == kLineKey) key_ = "line";  // never let a written key pass for the stamp
    top[key_] = std::move(v);
    return &top[key_];
  }

  std::string_view text_;
  const char** furthest_;
  std::vector<json*> stack_;
  std::string key_;
};

}  // namespace

json parseWithLines(std::string_view text) {
  const char* furthest = text.data();
  LineSax sax(text, &furthest);
  CountingIterator first(text.data(), &furthest), last(text.data() + text.size(), &furthest);
  json::sax_parse(first, last, &sax);
  return std::move(sax.result);
}

int lineOf(const json& object) {
  if (!object.is_object()) return 0;
  auto it = object.find(kLineKey);
  return it != object.end() && it->is_number_integer() ? it->get<int>() : 0;
}

}  // namespace kv::text
