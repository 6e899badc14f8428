// Definition kinds as the tool's users write them: lower-case IDL words.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <qelororm/corba.h>

// "module", "interface", ..., "alias", ...; "repository" for the root.
std::string kind_word(CORBA::DefinitionKind kind);
// The kind of a word of kind_word; nothing for an unknown word.
std::optional<CORBA::DefinitionKind> kind_from_word(const std::string& word);
// The store's kind list for a comma-separated list of words (typedef
// standing for alias, struct, union and enum); every kept kind when empty.
// Throws ToolError for an unknown word.
std::string kind_list_for(const std::string& words);
// The words kind_list_for takes, for help texts and messages.
const char* kind_words_help();
// Whether a definition of kind member may stand in a container of kind
// container, as IDL allows.
bool may_contain(CORBA::DefinitionKind container, CORBA::DefinitionKind member);
