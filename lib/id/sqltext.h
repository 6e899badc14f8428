// The one way the store composes SQL: fixed fragments and values, each value
// standing between single quotes that the fragments supply. A quote inside a
// value is doubled, so no value can end its literal early; ordinary values
// come out unchanged.
//
// Memory that a text cannot get is IRStore::OutOfMemory, as everywhere in the
// store, never std::bad_alloc.
#pragma once

#include <new>
#include <string>
#include <string_view>

#include <qeloridm/irstore.h>

class StatementText {
 public:
  StatementText() {
    grow([this] { text_.reserve(256); });
  }

  StatementText& fragment(std::string_view text) {
    grow([&] { text_ += text; });
    return *this;
  }
  StatementText& value(std::string_view text) {
    grow([&] {
      for (char c : text) {
        if (c == '\'') text_ += '\'';
        text_ += c;
      }
    });
    return *this;
  }
  // Appends count copies of c (the blank fill of name patterns).
  StatementText& repeat(char c, std::size_t count) {
    grow([&] { text_.append(count, c); });
    return *this;
  }

  // Valid until the text is changed or destroyed.
  const char* c_str() const { return text_.c_str(); }
  char* data() { return text_.data(); }
  std::size_t size() const { return text_.size(); }
  char last() const { return text_.empty() ? '\0' : text_.back(); }

 private:
  template <class Append>
  void grow(Append append) {
    try {
      append();
    } catch (const std::bad_alloc&) {
      throw IRStore::OutOfMemory();
    }
  }

  std::string text_;
};
