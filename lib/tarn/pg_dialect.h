// Statement texts as the engine's callers write them, made into texts that
// PostgreSQL runs the same way: '?' markers become $1, $2, ..., and LIKE
// gets no escape character (PostgreSQL's default is the backslash, which
// SQLite and the store treat as an ordinary character).
#ifndef TARN_PG_DIALECT_H
#define TARN_PG_DIALECT_H

#include <string>
#include <string_view>

namespace tarn {

struct DialectText {
  std::string text;    // for PostgreSQL
  int parameters = 0;  // '?' markers found
  bool empty = true;   // nothing but blanks and comments
  std::string keyword;  // the first word, upper-cased ("SELECT", "INSERT", ...)
};

// Quoted strings, quoted names and comments are copied unchanged.
DialectText to_postgresql(std::string_view text);

}  // namespace tarn

#endif  // TARN_PG_DIALECT_H
