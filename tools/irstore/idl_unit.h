// What the IDL front end hands the loader: every definition of one IDL file
// and of the files it includes, in the order omniidl gives them (a
// container before what it contains).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <qelorirm/definitions.h>

struct SourcePosition {
  std::string file;
  int line = 0;
  std::string text() const { return file + ":" + std::to_string(line); }
};

struct IdlDefinition {
  CORBA::DefinitionKind kind = CORBA::dk_none;
  std::string repid;
  std::string container;  // repository id; empty at the top level
  std::string name;
  SourcePosition where;
  bool forward = false;   // only declared: created when missing, never replaced

  bool is_abstract = false, is_local = false;  // interface
  std::vector<std::string> bases;              // interface, repository ids
  IRType type;  // result, attribute, constant, original or discriminator type
  bool oneway = false, readonly = false;
  std::vector<IRParameter> parameters;
  std::vector<std::string> raises;  // repository ids
  std::vector<std::string> contexts;
  std::string value;                      // constant, as IDL spells it
  std::vector<IRMember> members;          // struct, exception
  std::vector<IRUnionMember> cases;       // union, one per label
  std::vector<std::string> enumerators;   // enum

  // Every repository id the definition uses besides its bases, each once,
  // in order of first use.
  std::vector<std::string> references() const;
};

// A definition the repository has no kind for (value types, natives).
struct SkippedDefinition {
  std::string what;
  std::string scoped_name;
  std::string repid;
  SourcePosition where;
};

struct IdlUnit {
  std::string main_file;            // as given to omniidl
  std::vector<std::string> files;   // every file that contributed, as omniidl names them
  std::vector<IdlDefinition> definitions;
  std::vector<SkippedDefinition> skipped;
  std::vector<std::string> warnings;  // omniidl's, one line each
};

// Reads the back end's records (see irstore_backend.py). Throws ToolError
// naming the record line for anything malformed.
IdlUnit parse_idl_records(std::string_view text);

// The back end's escaping of one field, and its inverse.
std::string escape_field(std::string_view text);
std::string unescape_field(std::string_view text);
