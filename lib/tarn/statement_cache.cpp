#include "statement_cache.h"

#include <cctype>

namespace tarn {

namespace {

// Only the statements that read and change rows take parameters on every
// engine; a utility statement (SET, PRAGMA, ...) keeps its literals.
bool takes_parameters(std::string_view text) {
  std::size_t start = text.find_first_not_of(" \t\r\n(");
  if (start == std::string_view::npos) return false;
  std::string word;
  for (std::size_t i = start; i < text.size() && std::isalpha(static_cast<unsigned char>(text[i])); ++i) {
    word += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
  }
  return word == "SELECT" || word == "INSERT" || word == "UPDATE" || word == "DELETE";
}

}  // namespace

Shape shape_of(std::string_view text) {
  Shape shape;
  if (!takes_parameters(text) || text.find('?') != std::string_view::npos) {
    shape.text = text;
    return shape;
  }
  shape.text.reserve(text.size());
  std::size_t done = 0;  // text before this is in the shape
  for (std::size_t open = text.find('\''); open != std::string_view::npos; open = text.find('\'', done)) {
    // The value runs to the first quote that is not doubled.
    std::string value;
    std::size_t close = std::string_view::npos;
    for (std::size_t from = open + 1, quote; (quote = text.find('\'', from)) != std::string_view::npos;
         from = quote + 2) {
      value.append(text.substr(from, quote - from));
      if (quote + 1 == text.size() || text[quote + 1] != '\'') {
        close = quote;
        break;
      }
      value += '\'';  // a doubled quote stands for one
    }
    if (close == std::string_view::npos) break;  // unterminated: the rest is left as it is
    shape.text.append(text.substr(done, open - done)).append(1, '?');
    shape.values.push_back(std::move(value));
    done = close + 1;
  }
  shape.text.append(text.substr(done));
  return shape;
}

std::unique_ptr<Statement> StatementCache::take(const std::string& shape) {
  auto found = by_shape_.find(shape);
  if (found == by_shape_.end()) return nullptr;
  std::unique_ptr<Statement> statement = std::move(found->second->second);
  entries_.erase(found->second);
  by_shape_.erase(found);
  return statement;
}

void StatementCache::give_back(std::string shape, std::unique_ptr<Statement> statement) {
  if (!statement || capacity_ == 0) return;
  statement->reset();
  if (auto found = by_shape_.find(shape); found != by_shape_.end()) {
    entries_.erase(found->second);  // one statement per shape is enough
    by_shape_.erase(found);
  }
  entries_.emplace_front(std::move(shape), std::move(statement));
  by_shape_[entries_.front().first] = entries_.begin();
  if (entries_.size() > capacity_) {
    by_shape_.erase(entries_.back().first);
    entries_.pop_back();
  }
}

void StatementCache::clear() {
  by_shape_.clear();
  entries_.clear();
}

}  // namespace tarn
