#include "kinds.h"

#include "tool_error.h"

namespace {

struct KindWord {
  CORBA::DefinitionKind kind;
  const char* word;
};

constexpr KindWord kWords[] = {
    {CORBA::dk_Module, "module"},     {CORBA::dk_Interface, "interface"},
    {CORBA::dk_Operation, "operation"}, {CORBA::dk_Attribute, "attribute"},
    {CORBA::dk_Constant, "constant"}, {CORBA::dk_Exception, "exception"},
    {CORBA::dk_Alias, "alias"},       {CORBA::dk_Struct, "struct"},
    {CORBA::dk_Union, "union"},       {CORBA::dk_Enum, "enum"},
    {CORBA::dk_Repository, "repository"},
};

}  // namespace

std::string kind_word(CORBA::DefinitionKind kind) {
  for (const KindWord& entry : kWords) {
    if (entry.kind == kind) return entry.word;
  }
  return "kind " + std::to_string(static_cast<int>(kind));
}

std::optional<CORBA::DefinitionKind> kind_from_word(const std::string& word) {
  for (const KindWord& entry : kWords) {
    if (word == entry.word) return entry.kind;
  }
  return std::nullopt;
}

const char* kind_words_help() {
  return "module, interface, operation, attribute, constant, exception, alias, struct, union, "
         "enum, typedef (alias, struct, union and enum)";
}

std::string kind_list_for(const std::string& words) {
  if (words.empty()) return "2:3:4:5:6:7:8";
  std::string list;
  std::size_t start = 0;
  for (bool more = true; more;) {
    std::size_t comma = words.find(',', start);
    more = comma != std::string::npos;
    std::string word = words.substr(start, more ? comma - start : std::string::npos);
    start = comma + 1;
    int value;
    if (word == "typedef") {
      value = CORBA::dk_Typedef;
    } else {
      std::optional<CORBA::DefinitionKind> kind = kind_from_word(word);
      if (!kind || *kind == CORBA::dk_Repository) {
        throw ToolError("unknown kind '" + word + "' (kinds: " + kind_words_help() + ")");
      }
      value = *kind;
    }
    if (!list.empty()) list += ':';
    list += std::to_string(value);
  }
  if (list.empty()) throw ToolError("--kind needs at least one kind");
  return list;
}

bool may_contain(CORBA::DefinitionKind container, CORBA::DefinitionKind member) {
  using namespace CORBA;
  bool type = member == dk_Alias || member == dk_Struct || member == dk_Union || member == dk_Enum;
  switch (container) {
    case dk_Repository:
    case dk_Module:
      return member == dk_Module || member == dk_Interface || member == dk_Constant ||
             member == dk_Exception || type;
    case dk_Interface:
      return member == dk_Constant || member == dk_Exception || member == dk_Operation ||
             member == dk_Attribute || type;
    case dk_Struct:
    case dk_Union:
    case dk_Exception:
      return member == dk_Struct || member == dk_Union || member == dk_Enum;
    default:
      return false;
  }
}
