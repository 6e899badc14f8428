// The one way the store composes SQL: fixed fragments and values, each value
// standing between single quotes that the fragments supply. A quote inside a
// value is doubled, so no value can end its literal early; ordinary values
// come out unchanged.
#pragma once

#include <string>

class StatementText {
 public:
  StatementText() { text_.reserve(256); }

  StatementText& fragment(const char* text) {
    text_ += text;
    return *this;
  }
  StatementText& value(const char* text) {
    for (const char* c = text; *c; ++c) {
      if (*c == '\'') text_ += '\'';
      text_ += *c;
    }
    return *this;
  }
  // Appends count copies of c (the blank fill of name patterns).
  StatementText& repeat(char c, std::size_t count) {
    text_.append(count, c);
    return *this;
  }

  // Valid until the text is changed or destroyed.
  const char* c_str() const { return text_.c_str(); }
  char* data() { return text_.data(); }
  std::size_t size() const { return text_.size(); }
  char last() const { return text_.empty() ? '\0' : text_.back(); }

 private:
  std::string text_;
};
