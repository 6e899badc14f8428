// Prepared statements kept by shape. The session composes every statement
// as text with its values between quotes; preparing that text anew for
// each IID costs more than running it. A statement's shape is its text with
// every quoted value replaced by a parameter marker: one prepared statement
// serves every text of that shape, with the values bound.
#ifndef TARN_STATEMENT_CACHE_H
#define TARN_STATEMENT_CACHE_H

#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "backend.h"

namespace tarn {

// A statement text split into its shape and the values taken out of it.
struct Shape {
  std::string text;                 // with '?' where the quoted values stood
  std::vector<std::string> values;  // in order, quotes undoubled
};

// Splits text at its quoted values. Only SELECT, INSERT, UPDATE and DELETE
// are shaped, and not when they hold a '?' of their own (a marker of the
// caller's would be counted as one of ours).
Shape shape_of(std::string_view text);

// Statements by shape, least recently used first out. A statement taken out
// belongs to its taker until it is given back, so that two users never share
// one statement's bindings or cursor.
class StatementCache {
 public:
  explicit StatementCache(std::size_t capacity = 64) : capacity_(capacity) {}

  // The statement of the shape, or null when none is kept.
  std::unique_ptr<Statement> take(const std::string& shape);
  // Keeps a statement for later use of its shape.
  void give_back(std::string shape, std::unique_ptr<Statement> statement);
  void clear();

 private:
  using Entry = std::pair<std::string, std::unique_ptr<Statement>>;
  std::size_t capacity_;
  std::list<Entry> entries_;  // most recently given back first
  std::unordered_map<std::string, std::list<Entry>::iterator> by_shape_;
};

}  // namespace tarn

#endif  // TARN_STATEMENT_CACHE_H
