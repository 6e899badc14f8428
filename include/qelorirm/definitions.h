// One implementation class per kind of definition the repository keeps.
// Each holds its state in public members and writes and reads exactly that
// state; names of other definitions are held as repository ids.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <qelorirm/irobject.h>

// A type as a definition uses it: its IDL spelling ("unsigned long",
// "sequence<::M::T, 4>", "::M::T") and the repository ids of the named
// definitions the spelling mentions.
struct IRType {
  std::string spelling;
  std::vector<std::string> references;
  bool operator==(const IRType&) const = default;
};

// Replaces each scoped name of an IDL spelling (a run of letters, digits,
// '_' and ':') that `renamed` maps with what it maps to: "sequence<::A::T>"
// with {"::A::T": "::B::T"} becomes "sequence<::B::T>". Returns whether
// anything changed; text changes only then.
QELORIRM_EXPORT bool rename_scoped_names_in(std::string& text, const std::map<std::string, std::string>& renamed);

struct IRMember {
  std::string name;
  IRType type;
  bool operator==(const IRMember&) const = default;
};

enum class IRParameterMode { In = 0, Out = 1, InOut = 2 };

struct IRParameter {
  std::string name;
  IRType type;
  IRParameterMode mode = IRParameterMode::In;
  bool operator==(const IRParameter&) const = default;
};

struct IRUnionMember {
  std::string name;
  std::string label;  // the case label as written, or "default"
  IRType type;
  bool operator==(const IRUnionMember&) const = default;
};

// The root of the repository. It has its own IRREPDAT row, under this
// repository id, so that top-level definitions can be put into it.
class QELORIRM_EXPORT CORBA_Repository_Impl : public CORBA_Contained_Impl {
 public:
  static constexpr const char* kRepositoryId = "LOCAL:irstore/Repository";
  static constexpr const char* kName = "Repository";
  CORBA_Repository_Impl();

 protected:
  void write_state(Encapsulation&) const override {}
  void read_state(Encapsulation&) override {}
};

class QELORIRM_EXPORT CORBA_ModuleDef_Impl : public CORBA_Contained_Impl {
 public:
  CORBA_ModuleDef_Impl(const char* name, const char* repid);

 protected:
  void write_state(Encapsulation&) const override {}
  void read_state(Encapsulation&) override {}
};

class QELORIRM_EXPORT CORBA_InterfaceDef_Impl : public CORBA_Contained_Impl {
 public:
  CORBA_InterfaceDef_Impl(const char* name, const char* repid);
  std::vector<std::string> base_interfaces;  // repository ids, in declaration order
  bool is_abstract = false;
  bool is_local = false;

 protected:
  void write_state(Encapsulation& stream) const override;
  void read_state(Encapsulation& stream) override;
};

class QELORIRM_EXPORT CORBA_OperationDef_Impl : public CORBA_Contained_Impl {
 public:
  CORBA_OperationDef_Impl(const char* name, const char* repid);
  IRType result;
  bool oneway = false;
  std::vector<IRParameter> parameters;
  std::vector<std::string> exceptions;  // repository ids of the raised exceptions
  std::vector<std::string> contexts;

 protected:
  void write_state(Encapsulation& stream) const override;
  void read_state(Encapsulation& stream) override;
};

class QELORIRM_EXPORT CORBA_AttributeDef_Impl : public CORBA_Contained_Impl {
 public:
  CORBA_AttributeDef_Impl(const char* name, const char* repid);
  IRType type;
  bool readonly = false;

 protected:
  void write_state(Encapsulation& stream) const override;
  void read_state(Encapsulation& stream) override;
};

class QELORIRM_EXPORT CORBA_ConstantDef_Impl : public CORBA_Contained_Impl {
 public:
  CORBA_ConstantDef_Impl(const char* name, const char* repid);
  IRType type;
  std::string value;  // as IDL spells it: 42, 3.5, "text", 'c', TRUE, ::M::E::red

 protected:
  void write_state(Encapsulation& stream) const override;
  void read_state(Encapsulation& stream) override;
};

class QELORIRM_EXPORT CORBA_ExceptionDef_Impl : public CORBA_Contained_Impl {
 public:
  CORBA_ExceptionDef_Impl(const char* name, const char* repid);
  std::vector<IRMember> members;

 protected:
  void write_state(Encapsulation& stream) const override;
  void read_state(Encapsulation& stream) override;
};

class QELORIRM_EXPORT CORBA_AliasDef_Impl : public CORBA_Contained_Impl {
 public:
  CORBA_AliasDef_Impl(const char* name, const char* repid);
  IRType original_type;

 protected:
  void write_state(Encapsulation& stream) const override;
  void read_state(Encapsulation& stream) override;
};

class QELORIRM_EXPORT CORBA_StructDef_Impl : public CORBA_Contained_Impl {
 public:
  CORBA_StructDef_Impl(const char* name, const char* repid);
  std::vector<IRMember> members;

 protected:
  void write_state(Encapsulation& stream) const override;
  void read_state(Encapsulation& stream) override;
};

class QELORIRM_EXPORT CORBA_UnionDef_Impl : public CORBA_Contained_Impl {
 public:
  CORBA_UnionDef_Impl(const char* name, const char* repid);
  IRType discriminator_type;
  std::vector<IRUnionMember> members;

 protected:
  void write_state(Encapsulation& stream) const override;
  void read_state(Encapsulation& stream) override;
};

class QELORIRM_EXPORT CORBA_EnumDef_Impl : public CORBA_Contained_Impl {
 public:
  CORBA_EnumDef_Impl(const char* name, const char* repid);
  std::vector<std::string> members;

 protected:
  void write_state(Encapsulation& stream) const override;
  void read_state(Encapsulation& stream) override;
};
