// What the server says about each definition: describe(),
// describe_contents(), describe_interface() and the attributes of each
// kind, against the test IDL as the store keeps it.
#include <gtest/gtest.h>

#include <algorithm>

#include <serve_test.hh>

#include "served_repository.h"

namespace {

std::string test_id(const std::string& name) { return "IDL:irstore.test/ServeTest/" + name + ":1.0"; }

CORBA::Contained::Description* described(const std::string& id) {
  CORBA::Repository_var repository = ServedRepository::shared().repository();
  CORBA::Contained_var found = repository->lookup_id(id.c_str());
  return found->describe();
}

template <class Description>
const Description* value_of(const CORBA::Contained::Description& description) {
  const Description* value = nullptr;
  EXPECT_TRUE(description.value >>= value);
  return value;
}

std::string text(const char* value) { return value; }

TEST(Describing, EachKindGivesItsDescription) {
  CORBA::Contained::Description_var module = described("IDL:irstore.test/ServeTest:1.0");
  EXPECT_EQ(module->kind, CORBA::dk_Module);
  const CORBA::ModuleDescription* module_value = value_of<CORBA::ModuleDescription>(module.in());
  ASSERT_NE(module_value, nullptr);
  EXPECT_EQ(text(module_value->name), "ServeTest");
  EXPECT_EQ(text(module_value->defined_in), "");  // the repository has no id
  EXPECT_EQ(text(module_value->version), "1.0");

  CORBA::Contained::Description_var derived = described(test_id("Derived"));
  EXPECT_EQ(derived->kind, CORBA::dk_Interface);
  const CORBA::InterfaceDescription* interface = value_of<CORBA::InterfaceDescription>(derived.in());
  ASSERT_NE(interface, nullptr);
  ASSERT_EQ(interface->base_interfaces.length(), 2u);
  EXPECT_EQ(text(interface->base_interfaces[0]), test_id("Calculator"));
  EXPECT_EQ(text(interface->base_interfaces[1]), test_id("Printable"));
  EXPECT_EQ(text(interface->defined_in), "IDL:irstore.test/ServeTest:1.0");

  CORBA::Contained::Description_var printable = described(test_id("Printable"));
  EXPECT_EQ(printable->kind, CORBA::dk_AbstractInterface);

  CORBA::Contained::Description_var move = described(test_id("Calculator/move"));
  EXPECT_EQ(move->kind, CORBA::dk_Operation);
  const CORBA::OperationDescription* operation = value_of<CORBA::OperationDescription>(move.in());
  ASSERT_NE(operation, nullptr);
  EXPECT_TRUE(operation->result->equal(ServeTest::_tc_Point));
  EXPECT_EQ(operation->mode, CORBA::OP_NORMAL);
  ASSERT_EQ(operation->contexts.length(), 2u);
  EXPECT_EQ(text(operation->contexts[1]), "STYLE*");
  ASSERT_EQ(operation->parameters.length(), 3u);
  EXPECT_EQ(text(operation->parameters[2].name), "clipped");
  EXPECT_EQ(operation->parameters[2].mode, CORBA::PARAM_OUT);
  ASSERT_EQ(operation->exceptions.length(), 1u);
  EXPECT_EQ(text(operation->exceptions[0].id), test_id("Failed"));
  EXPECT_TRUE(operation->exceptions[0].type->equal(ServeTest::_tc_Failed));

  CORBA::Contained::Description_var total = described(test_id("Base/total"));
  const CORBA::AttributeDescription* attribute = value_of<CORBA::AttributeDescription>(total.in());
  ASSERT_NE(attribute, nullptr);
  EXPECT_EQ(attribute->mode, CORBA::ATTR_READONLY);
  EXPECT_TRUE(attribute->type->equal(ServeTest::_tc_Count));

  CORBA::Contained::Description_var limit = described(test_id("LIMIT"));
  const CORBA::ConstantDescription* constant = value_of<CORBA::ConstantDescription>(limit.in());
  ASSERT_NE(constant, nullptr);
  CORBA::Long value = 0;
  EXPECT_TRUE(constant->value >>= value);
  EXPECT_EQ(value, 42);

  for (const char* type : {"Count", "Point", "Shape", "Colour"}) {
    CORBA::Contained::Description_var description = described(test_id(type));
    const CORBA::TypeDescription* type_description = value_of<CORBA::TypeDescription>(description.in());
    ASSERT_NE(type_description, nullptr) << type;
    EXPECT_EQ(text(type_description->name), type);
  }

  CORBA::Contained::Description_var failed = described(test_id("Failed"));
  const CORBA::ExceptionDescription* exception = value_of<CORBA::ExceptionDescription>(failed.in());
  ASSERT_NE(exception, nullptr);
  EXPECT_TRUE(exception->type->equal(ServeTest::_tc_Failed));
}

TEST(Describing, DescribeInterfaceHasInheritedOperationsAndAttributes) {
  CORBA::InterfaceDef_var derived = served<CORBA::InterfaceDef>(test_id("Derived"));
  CORBA::InterfaceDef::FullInterfaceDescription_var full = derived->describe_interface();
  EXPECT_EQ(text(full->name), "Derived");
  EXPECT_TRUE(full->type->equal(ServeTest::_tc_Derived));
  ASSERT_EQ(full->base_interfaces.length(), 2u);
  EXPECT_EQ(text(full->base_interfaces[0]), test_id("Calculator"));
  std::vector<std::string> operations;
  for (CORBA::ULong i = 0; i < full->operations.length(); ++i) operations.emplace_back(full->operations[i].name);
  std::sort(operations.begin(), operations.end());
  EXPECT_EQ(operations, (std::vector<std::string>{"add", "echo", "histogram", "move", "ping", "print", "reset", "self"}));
  ASSERT_EQ(full->attributes.length(), 2u);
  EXPECT_EQ(text(full->attributes[0].name), "tint");
  EXPECT_EQ(full->attributes[1].mode, CORBA::ATTR_READONLY);
}

TEST(Describing, DescribeContentsIsContentsWithEachDescription) {
  CORBA::ModuleDef_var module = served<CORBA::ModuleDef>("IDL:example.org/Bank:1.0");
  CORBA::ContainedSeq_var contents = module->contents(CORBA::dk_all, true);
  CORBA::Container::DescriptionSeq_var descriptions = module->describe_contents(CORBA::dk_all, true, -1);
  ASSERT_EQ(descriptions->length(), contents->length());
  for (CORBA::ULong i = 0; i < contents->length(); ++i) {
    EXPECT_TRUE(descriptions[i].contained_object->_is_equivalent(contents[i]));
    EXPECT_EQ(descriptions[i].kind, contents[i]->def_kind());
  }
  CORBA::Container::DescriptionSeq_var two = module->describe_contents(CORBA::dk_all, true, 2);
  EXPECT_EQ(two->length(), 2u);
  CORBA::Container::DescriptionSeq_var exceptions = module->describe_contents(CORBA::dk_Exception, true, -1);
  EXPECT_EQ(exceptions->length(), 2u);
}

TEST(Describing, InterfacesOperationsAndAttributesAnswerFromTheStore) {
  CORBA::InterfaceDef_var derived = served<CORBA::InterfaceDef>(test_id("Derived"));
  CORBA::InterfaceDefSeq_var bases = derived->base_interfaces();
  ASSERT_EQ(bases->length(), 2u);
  CORBA::String_var first = bases[0]->id();
  EXPECT_EQ(text(first), test_id("Calculator"));
  EXPECT_EQ(bases[1]->def_kind(), CORBA::dk_AbstractInterface);
  EXPECT_TRUE(derived->is_a(test_id("Base").c_str()));
  EXPECT_TRUE(derived->is_a(test_id("Derived").c_str()));
  EXPECT_TRUE(derived->is_a("IDL:omg.org/CORBA/Object:1.0"));
  EXPECT_FALSE(derived->is_a(test_id("Point").c_str()));
  EXPECT_FALSE(derived->is_a("IDL:irstore.test/Nowhere:1.0"));

  CORBA::OperationDef_var move = served<CORBA::OperationDef>(test_id("Calculator/move"));
  CORBA::ContextIdSeq_var contexts = move->contexts();
  EXPECT_EQ(contexts->length(), 2u);
  CORBA::ExceptionDefSeq_var exceptions = move->exceptions();
  ASSERT_EQ(exceptions->length(), 1u);
  CORBA::String_var raised = exceptions[0]->name();
  EXPECT_EQ(text(raised), "Failed");
  CORBA::IDLType_var result = move->result_def();
  CORBA::StructDef_var point = CORBA::StructDef::_narrow(result);
  ASSERT_FALSE(CORBA::is_nil(point));
  CORBA::OperationDef_var ping = served<CORBA::OperationDef>(test_id("Calculator/ping"));
  EXPECT_EQ(ping->mode(), CORBA::OP_ONEWAY);
  CORBA::AttributeDef_var tint = served<CORBA::AttributeDef>(test_id("Calculator/tint"));
  EXPECT_EQ(tint->mode(), CORBA::ATTR_NORMAL);
  CORBA::IDLType_var colour = tint->type_def();
  EXPECT_EQ(colour->def_kind(), CORBA::dk_Enum);
}

TEST(Describing, MembersOfStructsUnionsAndEnums) {
  CORBA::StructDef_var point = served<CORBA::StructDef>(test_id("Point"));
  CORBA::StructMemberSeq_var members = point->members();
  ASSERT_EQ(members->length(), 2u);
  EXPECT_EQ(text(members[1].name), "y");
  EXPECT_TRUE(members[1].type->equal(CORBA::_tc_long));
  EXPECT_EQ(members[1].type_def->def_kind(), CORBA::dk_Primitive);

  CORBA::UnionDef_var shape = served<CORBA::UnionDef>(test_id("Shape"));
  CORBA::IDLType_var discriminator = shape->discriminator_type_def();
  EXPECT_EQ(discriminator->def_kind(), CORBA::dk_Enum);
  CORBA::UnionMemberSeq_var cases = shape->members();
  ASSERT_EQ(cases->length(), 3u);
  ServeTest::Colour label = ServeTest::red;
  EXPECT_TRUE(cases[2].label >>= label);
  EXPECT_EQ(label, ServeTest::blue);
  EXPECT_EQ(text(cases[2].name), "sizes");

  CORBA::UnionDef_var tagged = served<CORBA::UnionDef>(test_id("Tagged"));
  CORBA::UnionMemberSeq_var tagged_cases = tagged->members();
  ASSERT_EQ(tagged_cases->length(), 3u);
  CORBA::Octet default_label = 1;
  EXPECT_TRUE(tagged_cases[2].label >>= CORBA::Any::to_octet(default_label));
  EXPECT_EQ(default_label, 0);

  CORBA::EnumDef_var colour = served<CORBA::EnumDef>(test_id("Colour"));
  CORBA::EnumMemberSeq_var enumerators = colour->members();
  ASSERT_EQ(enumerators->length(), 3u);
  EXPECT_EQ(text(enumerators[2]), "blue");

  CORBA::ExceptionDef_var failed = served<CORBA::ExceptionDef>(test_id("Failed"));
  CORBA::StructMemberSeq_var exception_members = failed->members();
  ASSERT_EQ(exception_members->length(), 2u);
  EXPECT_EQ(exception_members[1].type_def->def_kind(), CORBA::dk_Alias);
}

TEST(Describing, EveryDefinitionBelongsToTheOneRepository) {
  CORBA::Repository_var repository = ServedRepository::shared().published_repository();
  EXPECT_EQ(repository->def_kind(), CORBA::dk_Repository);
  for (const char* id : {"IDL:irstore.test/ServeTest:1.0", "IDL:irstore.test/ServeTest/Inner/Deep:1.0",
                         "IDL:omg.org/CosNaming/NamingContext/bind:1.0"}) {
    CORBA::Contained_var found = repository->lookup_id(id);
    CORBA::Repository_var containing = found->containing_repository();
    EXPECT_TRUE(containing->_is_equivalent(repository)) << id;
  }
}

}  // namespace
