#include "servant_parts.h"

#include <set>
#include <stdexcept>

#include "declaration_order.h"
#include "descriptions.h"
#include "names.h"
#include "references.h"
#include "type_codes.h"
#include "type_resolution.h"

namespace irstore::serve {

namespace {

[[noreturn]] void no_such_object() { throw CORBA::OBJECT_NOT_EXIST(0, CORBA::COMPLETED_NO); }

bool is_served(const access::Definition& d) { return d.kind != access::Kind::None && d.kind != access::Kind::Repository; }

bool matches(const access::Definition& d, CORBA::DefinitionKind limit) {
  CORBA::DefinitionKind kind = definition_kind(object_kind(d));
  if (limit == CORBA::dk_all || limit == kind) return true;
  return limit == CORBA::dk_Typedef && (kind == CORBA::dk_Alias || kind == CORBA::dk_Struct ||
                                        kind == CORBA::dk_Union || kind == CORBA::dk_Enum);
}

}  // namespace

// IRObjectPart

CORBA::DefinitionKind IRObjectPart::def_kind() {
  if (is_anonymous(served_kind())) {
    target_type();
  } else if (served_kind() != ObjectKind::Repository) {
    target();
  }
  return definition_kind(served_kind());
}

CORBA::Boolean IRObjectPart::_non_existent() {
  try {
    def_kind();
    return false;
  } catch (const CORBA::OBJECT_NOT_EXIST&) {
    return true;
  }
}

access::Definition IRObjectPart::target() {
  std::optional<access::Definition> found = context_.store.find(target_id());
  if (!found || !is_served(*found) || object_kind(*found) != served_kind()) no_such_object();
  return std::move(*found);
}

TypeTree IRObjectPart::target_type() {
  access::TypeUse use;
  try {
    use = decode_type_use(target_id());
    if (anonymous_kind(parse_spelling(use.spelling).form) != served_kind()) no_such_object();
  } catch (const std::invalid_argument&) {
    no_such_object();
  }
  // A type whose element types are gone is gone too.
  for (const std::string& id : use.references) {
    if (context_.store.kind_of(id) == access::Kind::None) no_such_object();
  }
  return resolved_type(context_.store, use);
}

// ContainedPart

char* ContainedPart::id() { return CORBA::string_dup(target().id.c_str()); }

char* ContainedPart::name() { return CORBA::string_dup(target().name.c_str()); }

char* ContainedPart::version() { return CORBA::string_dup(target().version.c_str()); }

CORBA::Container_ptr ContainedPart::defined_in() {
  std::optional<std::string> container = context_.store.container_of(target().id);
  if (!container) return CORBA::Container::_nil();
  return container_reference(context_, *container);
}

char* ContainedPart::absolute_name() {
  return CORBA::string_dup(irstore::serve::absolute_name(context_.store, target()).c_str());
}

CORBA::Repository_ptr ContainedPart::containing_repository() {
  target();
  return repository_reference(context_);
}

CORBA::Contained::Description* ContainedPart::describe() { return Describer(context_).describe(target()); }

// ContainerPart

std::string ContainerPart::container_id() {
  std::optional<access::Definition> definition = container();
  return definition ? definition->id : access::Store::kRootId;
}

std::vector<access::Definition> ContainerPart::listed(CORBA::DefinitionKind limit_type,
                                                      CORBA::Boolean exclude_inherited) {
  std::optional<access::Definition> self = container();
  std::string id = self ? self->id : access::Store::kRootId;
  std::vector<access::Definition> result;
  for (access::Definition& member : in_declaration_order(context_.store, id, context_.store.members(id))) {
    if (matches(member, limit_type)) result.push_back(std::move(member));
  }
  bool inherits = !exclude_inherited && self && self->kind == access::Kind::Interface &&
                  (limit_type == CORBA::dk_all || limit_type == CORBA::dk_Attribute ||
                   limit_type == CORBA::dk_Operation);
  if (!inherits) return result;
  // The bases breadth first, each in declaration order, each once.
  std::vector<std::string> bases = self->bases;
  std::set<std::string> seen(bases.begin(), bases.end());
  for (std::size_t i = 0; i < bases.size(); ++i) {
    access::Definition base = context_.store.related(bases[i]);
    for (const std::string& next : base.bases) {
      if (seen.insert(next).second) bases.push_back(next);
    }
    for (access::Definition& member : in_declaration_order(context_.store, base.id, context_.store.members(base.id))) {
      bool feature = member.kind == access::Kind::Attribute || member.kind == access::Kind::Operation;
      if (feature && matches(member, limit_type)) result.push_back(std::move(member));
    }
  }
  return result;
}

CORBA::Contained_ptr ContainerPart::lookup(const char* search_name) {
  std::optional<access::Definition> found = lookup_scoped(context_.store, container_id(), search_name);
  return found ? contained_reference(context_, *found) : CORBA::Contained::_nil();
}

CORBA::ContainedSeq* ContainerPart::contents(CORBA::DefinitionKind limit_type, CORBA::Boolean exclude_inherited) {
  std::vector<access::Definition> definitions = listed(limit_type, exclude_inherited);
  CORBA::ContainedSeq_var result = new CORBA::ContainedSeq;
  result->length(static_cast<CORBA::ULong>(definitions.size()));
  for (std::size_t i = 0; i < definitions.size(); ++i) {
    result[static_cast<CORBA::ULong>(i)] = contained_reference(context_, definitions[i]);
  }
  return result._retn();
}

CORBA::ContainedSeq* ContainerPart::lookup_name(const char* search_name, CORBA::Long levels_to_search,
                                                CORBA::DefinitionKind limit_type, CORBA::Boolean exclude_inherited) {
  check_identifier(search_name);
  std::vector<access::Definition> found;
  if (levels_to_search != 0) {
    found = context_.store.lookup_name(container_id(), search_name, levels_to_search < 0 ? -1 : levels_to_search,
                                       access::Kind::All, exclude_inherited);
  }
  CORBA::ContainedSeq_var result = new CORBA::ContainedSeq;
  for (const access::Definition& definition : found) {
    if (!matches(definition, limit_type)) continue;
    CORBA::ULong at = result->length();
    result->length(at + 1);
    result[at] = contained_reference(context_, definition);
  }
  return result._retn();
}

CORBA::Container::DescriptionSeq* ContainerPart::describe_contents(CORBA::DefinitionKind limit_type,
                                                                   CORBA::Boolean exclude_inherited,
                                                                   CORBA::Long max_returned_objs) {
  std::vector<access::Definition> definitions = listed(limit_type, exclude_inherited);
  if (max_returned_objs >= 0 && definitions.size() > static_cast<std::size_t>(max_returned_objs)) {
    definitions.resize(static_cast<std::size_t>(max_returned_objs));
  }
  CORBA::Container::DescriptionSeq_var result = new CORBA::Container::DescriptionSeq;
  result->length(static_cast<CORBA::ULong>(definitions.size()));
  Describer describer(context_);
  for (std::size_t i = 0; i < definitions.size(); ++i) {
    CORBA::Container::Description& entry = result[static_cast<CORBA::ULong>(i)];
    CORBA::Contained::Description_var description = describer.describe(definitions[i]);
    entry.contained_object = contained_reference(context_, definitions[i]);
    entry.kind = description->kind;
    entry.value = description->value;
  }
  return result._retn();
}

// StoredTypePart

CORBA::TypeCode_ptr StoredTypePart::type() { return TypeCodeBuilder(context_).of(target()); }

}  // namespace irstore::serve
