#include "pg_dialect.h"

#include <cctype>

namespace tarn {
namespace {

bool is_word_character(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}

std::string upper(std::string_view word) {
  std::string result(word);
  for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return result;
}

class Translator {
 public:
  explicit Translator(std::string_view text) : in_(text) {}

  DialectText run() {
    while (true) {
      copy_blanks_and_comments();
      if (pos_ >= in_.size()) break;
      char c = in_[pos_];
      if (c != ';') result_.empty = false;
      if (c == '\'' || c == '"') {
        copy_quoted();
      } else if (c == '?') {
        marker();
      } else if (is_word_character(c)) {
        std::string word = upper(copy_word());
        if (result_.keyword.empty()) result_.keyword = word;
        if (word == "LIKE") like_operand();
      } else {
        result_.text.push_back(c);
        ++pos_;
      }
    }
    return std::move(result_);
  }

 private:
  // The end of the blanks and comments that start at pos.
  size_t skip_blanks_and_comments(size_t pos) const {
    while (pos < in_.size()) {
      if (std::isspace(static_cast<unsigned char>(in_[pos]))) {
        ++pos;
      } else if (in_.substr(pos, 2) == "--") {
        size_t end = in_.find('\n', pos);
        pos = end == std::string_view::npos ? in_.size() : end + 1;
      } else if (in_.substr(pos, 2) == "/*") {
        size_t end = in_.find("*/", pos + 2);
        pos = end == std::string_view::npos ? in_.size() : end + 2;
      } else {
        break;
      }
    }
    return pos;
  }

  void copy_blanks_and_comments() {
    size_t end = skip_blanks_and_comments(pos_);
    result_.text.append(in_.substr(pos_, end - pos_));
    pos_ = end;
  }

  // A quoted string or name; a doubled quote stays inside it.
  void copy_quoted() {
    char quote = in_[pos_];
    size_t end = pos_ + 1;
    while (end < in_.size()) {
      if (in_[end] == quote) {
        if (end + 1 < in_.size() && in_[end + 1] == quote) {
          end += 2;
          continue;
        }
        ++end;
        break;
      }
      ++end;
    }
    result_.text.append(in_.substr(pos_, end - pos_));
    pos_ = end;
  }

  std::string_view copy_word() {
    size_t end = pos_;
    while (end < in_.size() && is_word_character(in_[end])) ++end;
    std::string_view word = in_.substr(pos_, end - pos_);
    result_.text.append(word);
    pos_ = end;
    return word;
  }

  void marker() {
    result_.text += '$';
    result_.text += std::to_string(++result_.parameters);
    ++pos_;
  }

  // After LIKE: a literal or marker operand gets ESCAPE '' unless an
  // escape is given or the operand goes on (an operator follows it). Any
  // other operand is left as written.
  void like_operand() {
    copy_blanks_and_comments();
    if (pos_ >= in_.size()) return;
    if (in_[pos_] == '\'') {
      copy_quoted();
    } else if (in_[pos_] == '?') {
      marker();
    } else {
      return;
    }
    size_t next = skip_blanks_and_comments(pos_);
    bool operand_ends = next >= in_.size() || in_[next] == ')' || in_[next] == ',' || in_[next] == ';';
    if (next < in_.size() && is_word_character(in_[next])) {
      size_t end = next;
      while (end < in_.size() && is_word_character(in_[end])) ++end;
      operand_ends = upper(in_.substr(next, end - next)) != "ESCAPE";
    }
    if (operand_ends) result_.text += " ESCAPE ''";
  }

  std::string_view in_;
  size_t pos_ = 0;
  DialectText result_;
};

}  // namespace

DialectText to_postgresql(std::string_view text) { return Translator(text).run(); }

}  // namespace tarn
