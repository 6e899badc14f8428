#include "type_tree.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>
#include <vector>

namespace irstore::serve {

namespace {

// The words of the primitive types, as the loader spells them.
constexpr std::string_view kPrimitives[] = {
    "void",  "short",     "long",      "unsigned short", "unsigned long", "float",
    "double", "boolean",  "char",      "octet",          "any",           "TypeCode",
    "Principal", "long long", "unsigned long long", "long double", "wchar", "Object",
    "ValueBase", "string", "wstring"};

// Where the array lengths of a spelling begin: its first '[' outside <>.
std::size_t first_bracket(const std::string& spelling) {
  int depth = 0;
  for (std::size_t i = 0; i < spelling.size(); ++i) {
    if (spelling[i] == '<') ++depth;
    if (spelling[i] == '>') --depth;
    if (spelling[i] == '[' && depth == 0) return i;
  }
  return spelling.size();
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  TypeTree whole() {
    TypeTree tree = type();
    if (at_ != text_.size()) fail("unexpected text");
    return tree;
  }

 private:
  // A base type with the array lengths that follow it, outermost first.
  TypeTree type() {
    TypeTree base_type = base();
    std::vector<std::uint32_t> lengths;
    while (take("[")) {
      lengths.push_back(number());
      expect("]");
    }
    auto tree = std::make_shared<const TypeTree>(std::move(base_type));
    for (std::size_t i = lengths.size(); i-- > 0;) {
      TypeTree array;
      array.form = TypeTree::Form::Array;
      array.bound = lengths[i];
      array.spelling = array_spelling(tree->spelling, lengths[i]);
      array.element = tree;
      tree = std::make_shared<const TypeTree>(std::move(array));
    }
    return *tree;
  }

  TypeTree base() {
    std::size_t start = at_;
    TypeTree tree;
    if (take("::")) {
      tree.form = TypeTree::Form::Named;
      while (at_ < text_.size() && (is_identifier(text_[at_]) || text_.compare(at_, 2, "::") == 0)) {
        at_ += text_[at_] == ':' ? 2 : 1;
      }
      tree.word = std::string(text_.substr(start, at_ - start));
      if (tree.word.size() == 2 || tree.word.back() == ':') fail("a scoped name without its last identifier");
    } else if (take_word("sequence")) {
      tree.form = TypeTree::Form::Sequence;
      expect("<");
      tree.element = std::make_shared<const TypeTree>(type());
      if (take(",")) {
        take(" ");
        tree.bound = number();
      }
      expect(">");
    } else if (take_word("fixed")) {
      tree.form = TypeTree::Form::Fixed;
      if (take("<")) {
        tree.digits = static_cast<std::uint16_t>(number());
        expect(",");
        take(" ");
        bool negative = take("-");
        tree.scale = static_cast<std::int16_t>(negative ? -static_cast<long>(number()) : number());
        expect(">");
      }
    } else {
      std::size_t end = text_.find_first_of("<>,[", at_);
      if (end == std::string_view::npos) end = text_.size();
      tree.word = std::string(text_.substr(at_, end - at_));
      while (!tree.word.empty() && tree.word.back() == ' ') tree.word.pop_back();
      if (std::find(std::begin(kPrimitives), std::end(kPrimitives), tree.word) == std::end(kPrimitives)) {
        fail("an unknown type");
      }
      at_ += tree.word.size();
      if ((tree.word == "string" || tree.word == "wstring") && take("<")) {
        tree.form = tree.word == "string" ? TypeTree::Form::String : TypeTree::Form::Wstring;
        tree.bound = number();
        expect(">");
        tree.word.clear();
      }
    }
    tree.spelling = std::string(text_.substr(start, at_ - start));
    return tree;
  }

  static bool is_identifier(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  }

  bool take(std::string_view token) {
    if (text_.compare(at_, token.size(), token) != 0) return false;
    at_ += token.size();
    return true;
  }
  // A keyword, not the start of a longer word.
  bool take_word(std::string_view word) {
    if (text_.compare(at_, word.size(), word) != 0) return false;
    std::size_t end = at_ + word.size();
    if (end < text_.size() && is_identifier(text_[end])) return false;
    at_ = end;
    return true;
  }
  void expect(std::string_view token) {
    if (!take(token)) fail("expected " + std::string(token));
  }
  std::uint32_t number() {
    std::uint32_t value = 0;
    auto [end, error] = std::from_chars(text_.data() + at_, text_.data() + text_.size(), value);
    if (error != std::errc() || end == text_.data() + at_) fail("expected a number");
    at_ = static_cast<std::size_t>(end - text_.data());
    return value;
  }
  [[noreturn]] void fail(const std::string& what) const {
    throw std::invalid_argument("not a type spelling: \"" + std::string(text_) + "\" (" + what + " at " +
                                std::to_string(at_) + ")");
  }
  std::string_view text_;
  std::size_t at_ = 0;
};

void collect_ids(const TypeTree& tree, std::vector<std::string>& ids) {
  if (tree.form == TypeTree::Form::Named) {
    if (std::find(ids.begin(), ids.end(), tree.id) == ids.end()) ids.push_back(tree.id);
  } else if (tree.element) {
    collect_ids(*tree.element, ids);
  }
}

}  // namespace

TypeTree parse_spelling(std::string_view spelling) { return Parser(spelling).whole(); }

irstore::access::TypeUse type_use_of(const TypeTree& tree) {
  irstore::access::TypeUse use{tree.spelling, {}};
  collect_ids(tree, use.references);
  return use;
}

std::string encode_type_use(const irstore::access::TypeUse& use) {
  std::string id = use.spelling;
  for (const std::string& reference : use.references) id += "\n" + reference;
  return id;
}

irstore::access::TypeUse decode_type_use(std::string_view object_id) {
  irstore::access::TypeUse use;
  std::size_t end = object_id.find('\n');
  use.spelling = std::string(object_id.substr(0, end));
  while (end != std::string_view::npos) {
    std::size_t start = end + 1;
    end = object_id.find('\n', start);
    use.references.emplace_back(object_id.substr(start, end == std::string_view::npos ? end : end - start));
    if (use.references.back().empty()) throw std::invalid_argument("an empty repository id in a type's object id");
  }
  return use;
}

std::string sequence_spelling(const std::string& element, std::uint32_t bound) {
  return "sequence<" + element + (bound ? ", " + std::to_string(bound) : "") + ">";
}

std::string array_spelling(const std::string& element, std::uint32_t length) {
  std::string spelling = element;
  spelling.insert(first_bracket(spelling), "[" + std::to_string(length) + "]");
  return spelling;
}

}  // namespace irstore::serve
