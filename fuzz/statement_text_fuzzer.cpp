// Names, patterns and kind lists composed into statements: whatever they
// hold, every value stays inside its quotes (the engine finds exactly the
// values that went in), and oversize input is refused, never overflows.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <qelororm/corba.h>

#include "irtable.h"
#include "sqltext.h"
#include "statement_cache.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  input.erase(std::find(input.begin(), input.end(), '\0'), input.end());
  std::size_t cut = input.find('\n');
  std::string pattern = input.substr(0, cut);
  std::string kinds = cut == std::string::npos ? "5" : input.substr(cut + 1);

  // A plain value comes back as it went in.
  StatementText plain;
  plain.fragment("SELECT IID FROM IRREPDAT WHERE IID = '").value(pattern.c_str()).fragment("'");
  tarn::Shape shape = tarn::shape_of(plain.c_str());
  if (pattern.find('?') == std::string::npos) {
    if (shape.values.size() != 1 || shape.values[0] != pattern) __builtin_trap();
    if (shape.text != "SELECT IID FROM IRREPDAT WHERE IID = ?") __builtin_trap();
  }

  for (bool caseSensitive : {true, false}) {
    StatementText sql;
    sql.fragment("SELECT IID FROM IRREPDAT WHERE NAME LIKE '");
    try {
      append_name_pattern(sql, pattern.c_str(), caseSensitive);
      append_kind_clause(sql, kinds.c_str());
    } catch (CORBA::BAD_PARAM&) {
      continue;  // oversize input, or a kind list without a kind
    }
    if (pattern.size() > 255 || kinds.size() > 31) __builtin_trap();
    std::string text = sql.c_str();
    if (text.find('?') != std::string::npos) continue;
    tarn::Shape composed = tarn::shape_of(text);
    // The statement's own words are all outside the quotes.
    if (composed.text.rfind("SELECT IID FROM IRREPDAT WHERE NAME LIKE ? AND (KIND = ?", 0) != 0) __builtin_trap();
    if (composed.text.back() != ')') __builtin_trap();
    // The values are the pattern (then its blank fill) and the kinds.
    std::string expected = pattern;
    if (!caseSensitive) {
      for (char& c : expected) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      }
    }
    if (composed.values.empty() || composed.values[0].compare(0, expected.size(), expected) != 0) __builtin_trap();
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start <= kinds.size()) {
      std::size_t end = kinds.find(':', start);
      if (end == std::string::npos) end = kinds.size();
      std::string piece = kinds.substr(start, end - start);
      start = end + 1;
      if (piece.empty()) continue;
      if (std::atol(piece.c_str()) == 8) {
        for (const char* kind : {"9", "10", "11", "12"}) pieces.push_back(kind);
      } else {
        pieces.push_back(piece);
      }
    }
    if (std::vector<std::string>(composed.values.begin() + 1, composed.values.end()) != pieces) __builtin_trap();
  }
  return 0;
}
