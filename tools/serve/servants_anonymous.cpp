// The default servants of the anonymous types' adapters: primitive types,
// bounded strings, fixed-point types, sequences and arrays. They have no
// state of their own: the object id is the type, so that one cannot be
// changed in place (a definition is given another type instead).
#include "minor_codes.h"
#include "primitives.h"
#include "references.h"
#include "servant_parts.h"
#include "servants.h"
#include "type_codes.h"

namespace irstore::serve {

namespace {

class AnonymousTypePart : public virtual POA_CORBA::IDLType, public virtual IRObjectPart {
 public:
  CORBA::TypeCode_ptr type() override { return TypeCodeBuilder(context_).of(target_type()); }

 protected:
  [[noreturn]] void unchangeable() { unsupported_change(context_); }
  CORBA::TypeCode_ptr element_type_code() { return TypeCodeBuilder(context_).of(*target_type().element); }
  CORBA::IDLType_ptr element_definition() { return type_reference(context_, *target_type().element); }
};

class PrimitiveServant : public POA_CORBA::PrimitiveDef, public AnonymousTypePart {
 public:
  explicit PrimitiveServant(ServeContext& context) : IRObjectPart(context) {}
  ObjectKind served_kind() const override { return ObjectKind::Primitive; }

  CORBA::PrimitiveKind kind() override {
    std::optional<CORBA::PrimitiveKind> kind = primitive_kind(target_type().word);
    if (!kind) throw CORBA::OBJECT_NOT_EXIST(0, CORBA::COMPLETED_NO);
    return *kind;
  }
  // The primitive types belong to the repository.
  void destroy() override { throw CORBA::BAD_INV_ORDER(minor::kIndestructible, CORBA::COMPLETED_NO); }
};

class StringServant : public POA_CORBA::StringDef, public AnonymousTypePart {
 public:
  explicit StringServant(ServeContext& context) : IRObjectPart(context) {}
  ObjectKind served_kind() const override { return ObjectKind::String; }

  CORBA::ULong bound() override { return target_type().bound; }
  void bound(CORBA::ULong) override { unchangeable(); }
};

class WstringServant : public POA_CORBA::WstringDef, public AnonymousTypePart {
 public:
  explicit WstringServant(ServeContext& context) : IRObjectPart(context) {}
  ObjectKind served_kind() const override { return ObjectKind::Wstring; }

  CORBA::ULong bound() override { return target_type().bound; }
  void bound(CORBA::ULong) override { unchangeable(); }
};

class FixedServant : public POA_CORBA::FixedDef, public AnonymousTypePart {
 public:
  explicit FixedServant(ServeContext& context) : IRObjectPart(context) {}
  ObjectKind served_kind() const override { return ObjectKind::Fixed; }

  CORBA::UShort digits() override { return target_type().digits; }
  void digits(CORBA::UShort) override { unchangeable(); }
  CORBA::Short scale() override { return target_type().scale; }
  void scale(CORBA::Short) override { unchangeable(); }
};

class SequenceServant : public POA_CORBA::SequenceDef, public AnonymousTypePart {
 public:
  explicit SequenceServant(ServeContext& context) : IRObjectPart(context) {}
  ObjectKind served_kind() const override { return ObjectKind::Sequence; }

  CORBA::ULong bound() override { return target_type().bound; }
  void bound(CORBA::ULong) override { unchangeable(); }
  CORBA::TypeCode_ptr element_type() override { return element_type_code(); }
  CORBA::IDLType_ptr element_type_def() override { return element_definition(); }
  void element_type_def(CORBA::IDLType_ptr) override { unchangeable(); }
};

class ArrayServant : public POA_CORBA::ArrayDef, public AnonymousTypePart {
 public:
  explicit ArrayServant(ServeContext& context) : IRObjectPart(context) {}
  ObjectKind served_kind() const override { return ObjectKind::Array; }

  CORBA::ULong length() override { return target_type().bound; }
  void length(CORBA::ULong) override { unchangeable(); }
  CORBA::TypeCode_ptr element_type() override { return element_type_code(); }
  CORBA::IDLType_ptr element_type_def() override { return element_definition(); }
  void element_type_def(CORBA::IDLType_ptr) override { unchangeable(); }
};

}  // namespace

void install_anonymous_type_servants(ServeContext& context) {
  install<PrimitiveServant>(context, ObjectKind::Primitive);
  install<StringServant>(context, ObjectKind::String);
  install<WstringServant>(context, ObjectKind::Wstring);
  install<FixedServant>(context, ObjectKind::Fixed);
  install<SequenceServant>(context, ObjectKind::Sequence);
  install<ArrayServant>(context, ObjectKind::Array);
}

}  // namespace irstore::serve
