// The root: the repository's top-level container, lookups by repository id,
// and the anonymous types (which need nothing stored to be made).
#include "kinds.h"
#include "minor_codes.h"
#include "primitives.h"
#include "references.h"
#include "servant_parts.h"
#include "servants.h"
#include "type_codes.h"

namespace irstore::serve {

namespace {

bool carries_repository_id(CORBA::TCKind kind) {
  switch (kind) {
    case CORBA::tk_objref:
    case CORBA::tk_struct:
    case CORBA::tk_union:
    case CORBA::tk_enum:
    case CORBA::tk_alias:
    case CORBA::tk_except:
    case CORBA::tk_abstract_interface:
    case CORBA::tk_local_interface: return true;
    default: return false;
  }
}

class RepositoryServant : public POA_CORBA::Repository, public ContainerPart {
 public:
  explicit RepositoryServant(ServeContext& context) : IRObjectPart(context) {}
  ObjectKind served_kind() const override { return ObjectKind::Repository; }

  // The repository is not one of the definitions it holds.
  void destroy() override { throw CORBA::BAD_INV_ORDER(minor::kIndestructible, CORBA::COMPLETED_NO); }

  CORBA::Contained_ptr lookup_id(const char* search_id) override {
    std::optional<access::Definition> found = context_.store.find(search_id);
    if (!found || found->kind == access::Kind::None || found->kind == access::Kind::Repository) {
      return CORBA::Contained::_nil();
    }
    return contained_reference(context_, *found);
  }

  CORBA::TypeCode_ptr get_canonical_typecode(CORBA::TypeCode_ptr tc) override {
    if (CORBA::is_nil(tc) || !carries_repository_id(tc->kind())) return CORBA::TypeCode::_nil();
    std::optional<access::Definition> found = context_.store.find(tc->id());
    if (!found || !(is_type(found->kind) || found->kind == access::Kind::Exception)) return CORBA::TypeCode::_nil();
    return TypeCodeBuilder(context_).of(*found);
  }

  CORBA::PrimitiveDef_ptr get_primitive(CORBA::PrimitiveKind kind) override {
    std::optional<std::string> word = primitive_word(kind);
    if (!word) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
    CORBA::Object_var object = context_.adapters.reference(ObjectKind::Primitive, *word);
    return CORBA::PrimitiveDef::_unchecked_narrow(object);
  }

  // The anonymous types exist as soon as they are named: nothing is written.
  CORBA::StringDef_ptr create_string(CORBA::ULong bound) override {
    if (bound == 0) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);  // unbounded: a primitive
    return CORBA::StringDef::_unchecked_narrow(anonymous(ObjectKind::String, "string<" + std::to_string(bound) + ">"));
  }
  CORBA::WstringDef_ptr create_wstring(CORBA::ULong bound) override {
    if (bound == 0) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
    return CORBA::WstringDef::_unchecked_narrow(
        anonymous(ObjectKind::Wstring, "wstring<" + std::to_string(bound) + ">"));
  }
  CORBA::SequenceDef_ptr create_sequence(CORBA::ULong bound, CORBA::IDLType_ptr element_type) override {
    access::TypeUse element = type_use_of_reference(context_, element_type);
    return CORBA::SequenceDef::_unchecked_narrow(
        anonymous(ObjectKind::Sequence, sequence_spelling(element.spelling, bound), element.references));
  }
  CORBA::ArrayDef_ptr create_array(CORBA::ULong length, CORBA::IDLType_ptr element_type) override {
    if (length == 0) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
    access::TypeUse element = type_use_of_reference(context_, element_type);
    return CORBA::ArrayDef::_unchecked_narrow(
        anonymous(ObjectKind::Array, array_spelling(element.spelling, length), element.references));
  }
  CORBA::FixedDef_ptr create_fixed(CORBA::UShort digits, CORBA::Short scale) override {
    if (digits == 0 || digits > 31 || scale < 0 || scale > static_cast<CORBA::Short>(digits)) {
      throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
    }
    return CORBA::FixedDef::_unchecked_narrow(
        anonymous(ObjectKind::Fixed, "fixed<" + std::to_string(digits) + ", " + std::to_string(scale) + ">"));
  }

 protected:
  std::optional<access::Definition> container() override { return std::nullopt; }

 private:
  CORBA::Object_ptr anonymous(ObjectKind kind, const std::string& spelling,
                              const std::vector<std::string>& references = {}) {
    return context_.adapters.reference(kind, encode_type_use({spelling, references}));
  }
};

}  // namespace

void install_repository_servant(ServeContext& context) {
  PortableServer::Servant_var<RepositoryServant> servant = new RepositoryServant(context);
  context.adapters.serve_root(servant.in());
}

}  // namespace irstore::serve
