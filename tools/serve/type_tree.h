// Types as the repository spells them ("unsigned long", "string<8>",
// "sequence<::M::T, 4>", "fixed<10, 2>", "::M::T", "long[2][3]"), taken
// apart into a tree.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <irstore_access/access.h>

namespace irstore::serve {

struct TypeTree {
  enum class Form {
    Primitive,  // word: "long", "unsigned long long", "any", "Object", "string", ...
    String,     // bounded: bound
    Wstring,    // bounded: bound
    Fixed,      // digits, scale
    Sequence,   // element, bound (0: unbounded)
    Array,      // element, bound (the length)
    Named,      // word: the scoped name; id: its repository id, once resolved
  };
  Form form = Form::Primitive;
  std::string spelling;  // the text of this node
  std::string word;
  std::string id;
  std::uint32_t bound = 0;
  std::uint16_t digits = 0;
  std::int16_t scale = 0;
  std::shared_ptr<const TypeTree> element;
};

// The tree of a spelling; std::invalid_argument for text that is none.
// Named nodes carry no repository id yet.
TypeTree parse_spelling(std::string_view spelling);

// The type use of a resolved tree: its spelling and the repository ids of
// its named nodes, each once, in the order the spelling mentions them.
irstore::access::TypeUse type_use_of(const TypeTree& tree);

// A type use as an object id of the anonymous types' adapters, and back.
// The id is the spelling, followed by each repository id on a line of its
// own; std::invalid_argument for an id that is not one.
std::string encode_type_use(const irstore::access::TypeUse& use);
irstore::access::TypeUse decode_type_use(std::string_view object_id);

// The spelling of a sequence of, or array of, an element type.
std::string sequence_spelling(const std::string& element, std::uint32_t bound);
std::string array_spelling(const std::string& element, std::uint32_t length);

}  // namespace irstore::serve
