// The TypeCodes the server builds from the stored definitions against the
// ones omniidl's C++ back end generates for the same IDL: equal(), which
// compares ids, names, member names, labels and recursion, for every kind.
#include <gtest/gtest.h>

#include <omniORB4/Naming.hh>

#include <bank.hh>
#include <CosEventChannelAdmin.hh>
#include <serve_test.hh>

#include "served_repository.h"

namespace {

struct Expected {
  const char* id;
  CORBA::TypeCode_ptr type;
};

// The TypeCode the server gives the definition: IDLType::type, or
// ExceptionDef::type for an exception.
CORBA::TypeCode_ptr served_type(const std::string& id) {
  CORBA::Repository_var repository = ServedRepository::shared().repository();
  CORBA::Contained_var found = repository->lookup_id(id.c_str());
  if (CORBA::is_nil(found)) return CORBA::TypeCode::_nil();
  CORBA::ExceptionDef_var exception = CORBA::ExceptionDef::_narrow(found);
  if (!CORBA::is_nil(exception)) return exception->type();
  CORBA::IDLType_var type = CORBA::IDLType::_narrow(found);
  return CORBA::is_nil(type) ? CORBA::TypeCode::_nil() : type->type();
}

void expect_equal_types(const std::vector<Expected>& expected) {
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.id);
    CORBA::TypeCode_var served = served_type(e.id);
    ASSERT_FALSE(CORBA::is_nil(served)) << "no IDLType for it";
    EXPECT_TRUE(served->equal(e.type));
  }
}

std::string test_id(const std::string& name) { return "IDL:irstore.test/ServeTest/" + name + ":1.0"; }

template <class Interface>
typename Interface::_ptr_type test_object(const std::string& name) {
  return served<Interface>(test_id(name));
}

TEST(TypeCodes, EveryKindOfTheTestIdl) {
  using namespace ServeTest;
  expect_equal_types({
      {"IDL:irstore.test/ServeTest/Count:1.0", _tc_Count},
      {"IDL:irstore.test/ServeTest/Counted:1.0", _tc_Counted},
      {"IDL:irstore.test/ServeTest/Counts:1.0", _tc_Counts},
      {"IDL:irstore.test/ServeTest/Names:1.0", _tc_Names},
      {"IDL:irstore.test/ServeTest/ShortWide:1.0", _tc_ShortWide},
      {"IDL:irstore.test/ServeTest/Price:1.0", _tc_Price},
      {"IDL:irstore.test/ServeTest/Grid:1.0", _tc_Grid},
      {"IDL:irstore.test/ServeTest/Colour:1.0", _tc_Colour},
      {"IDL:irstore.test/ServeTest/Point:1.0", _tc_Point},
      {"IDL:irstore.test/ServeTest/Node:1.0", _tc_Node},
      {"IDL:irstore.test/ServeTest/Nodes:1.0", _tc_Nodes},
      {"IDL:irstore.test/ServeTest/Shape:1.0", _tc_Shape},
      {"IDL:irstore.test/ServeTest/Tagged:1.0", _tc_Tagged},
      {"IDL:irstore.test/ServeTest/Choice:1.0", _tc_Choice},
      {"IDL:irstore.test/ServeTest/Tree:1.0", _tc_Tree},
      {"IDL:irstore.test/ServeTest/Forest:1.0", _tc_Forest},
      {"IDL:irstore.test/ServeTest/Failed:1.0", _tc_Failed},
      {"IDL:irstore.test/ServeTest/Empty:1.0", _tc_Empty},
      {"IDL:irstore.test/ServeTest/Base:1.0", _tc_Base},
      {"IDL:irstore.test/ServeTest/Printable:1.0", _tc_Printable},
      {"IDL:irstore.test/ServeTest/Runner:1.0", _tc_Runner},
      {"IDL:irstore.test/ServeTest/Calculator:1.0", _tc_Calculator},
      {"IDL:irstore.test/ServeTest/Derived:1.0", _tc_Derived},
      {"IDL:irstore.test/ServeTest/Inner/Deep:1.0", Inner::_tc_Deep},
  });
}

TEST(TypeCodes, TheExamplesThatMakeRunLoads) {
  expect_equal_types({
      {"IDL:example.org/Finance/Cents:1.0", Finance::_tc_Cents},
      {"IDL:example.org/Finance/Amount:1.0", Finance::_tc_Amount},
      {"IDL:example.org/Finance/Balance:1.0", Finance::_tc_Balance},
      {"IDL:example.org/Finance/CurrencyCode:1.0", Finance::_tc_CurrencyCode},
      {"IDL:example.org/Finance/MonthlyAmounts:1.0", Finance::_tc_MonthlyAmounts},
      {"IDL:example.org/Finance/RateTable:1.0", Finance::_tc_RateTable},
      {"IDL:example.org/Finance/Currency:1.0", Finance::_tc_Currency},
      {"IDL:example.org/Finance/Money:1.0", Finance::_tc_Money},
      {"IDL:example.org/Bank/AccountList:1.0", Bank::_tc_AccountList},
      {"IDL:example.org/Bank/InsufficientFunds:1.0", Bank::_tc_InsufficientFunds},
      {"LOCAL:bank/Frozen", Bank::_tc_Frozen},
      {"IDL:example.org/Bank/Entity:2.1", Bank::_tc_Entity},
      {"IDL:example.org/Bank/Limit:1.0", Bank::_tc_Limit},
      {"IDL:example.org/Bank/Event:1.0", Bank::_tc_Event},
      {"IDL:example.org/Bank/History:1.0", Bank::_tc_History},
      {"IDL:example.org/Bank/History/Entry:1.0", Bank::History::_tc_Entry},
      {"IDL:example.org/Bank/HistoryList:1.0", Bank::_tc_HistoryList},
      {"IDL:example.org/Bank/Account:1.0", Bank::_tc_Account},
  });
}

TEST(TypeCodes, TheServicesThatMakeRunLoads) {
  expect_equal_types({
      {"IDL:omg.org/CosNaming/Istring:1.0", CosNaming::_tc_Istring},
      {"IDL:omg.org/CosNaming/NameComponent:1.0", CosNaming::_tc_NameComponent},
      {"IDL:omg.org/CosNaming/Name:1.0", CosNaming::_tc_Name},
      {"IDL:omg.org/CosNaming/BindingType:1.0", CosNaming::_tc_BindingType},
      {"IDL:omg.org/CosNaming/Binding:1.0", CosNaming::_tc_Binding},
      {"IDL:omg.org/CosNaming/BindingList:1.0", CosNaming::_tc_BindingList},
      {"IDL:omg.org/CosNaming/NamingContext:1.0", CosNaming::_tc_NamingContext},
      {"IDL:omg.org/CosNaming/NamingContext/NotFoundReason:1.0", CosNaming::NamingContext::_tc_NotFoundReason},
      {"IDL:omg.org/CosNaming/NamingContext/NotFound:1.0", CosNaming::NamingContext::_tc_NotFound},
      {"IDL:omg.org/CosNaming/NamingContext/CannotProceed:1.0", CosNaming::NamingContext::_tc_CannotProceed},
      {"IDL:omg.org/CosNaming/NamingContext/InvalidName:1.0", CosNaming::NamingContext::_tc_InvalidName},
      {"IDL:omg.org/CosNaming/BindingIterator:1.0", CosNaming::_tc_BindingIterator},
      {"IDL:omg.org/CosNaming/NamingContextExt:1.0", CosNaming::_tc_NamingContextExt},
      {"IDL:omg.org/CosNaming/NamingContextExt/StringName:1.0", CosNaming::NamingContextExt::_tc_StringName},
      {"IDL:omg.org/CosNaming/NamingContextExt/InvalidAddress:1.0", CosNaming::NamingContextExt::_tc_InvalidAddress},
      {"IDL:omg.org/CosEventComm/Disconnected:1.0", CosEventComm::_tc_Disconnected},
      {"IDL:omg.org/CosEventComm/PushConsumer:1.0", CosEventComm::_tc_PushConsumer},
      {"IDL:omg.org/CosEventComm/PullSupplier:1.0", CosEventComm::_tc_PullSupplier},
      {"IDL:omg.org/CosEventChannelAdmin/AlreadyConnected:1.0", CosEventChannelAdmin::_tc_AlreadyConnected},
      {"IDL:omg.org/CosEventChannelAdmin/ProxyPushConsumer:1.0", CosEventChannelAdmin::_tc_ProxyPushConsumer},
      {"IDL:omg.org/CosEventChannelAdmin/EventChannel:1.0", CosEventChannelAdmin::_tc_EventChannel},
  });
}

TEST(TypeCodes, TheInterfaceRepositorysOwnIdl) {
  expect_equal_types({
      {"IDL:omg.org/CORBA/Identifier:1.0", CORBA::_tc_Identifier},
      {"IDL:omg.org/CORBA/StructMember:1.0", CORBA::_tc_StructMember},
      {"IDL:omg.org/CORBA/UnionMemberSeq:1.0", CORBA::_tc_UnionMemberSeq},
      {"IDL:omg.org/CORBA/ValueMember:1.0", CORBA::_tc_ValueMember},
      {"IDL:omg.org/CORBA/DefinitionKind:1.0", CORBA::_tc_DefinitionKind},
      {"IDL:omg.org/CORBA/Contained/Description:1.0", CORBA::Contained::_tc_Description},
      {"IDL:omg.org/CORBA/Container/DescriptionSeq:1.0", CORBA::Container::_tc_DescriptionSeq},
      {"IDL:omg.org/CORBA/PrimitiveKind:1.0", CORBA::_tc_PrimitiveKind},
      {"IDL:omg.org/CORBA/OperationDescription:1.0", CORBA::_tc_OperationDescription},
      {"IDL:omg.org/CORBA/InterfaceDef:1.0", CORBA::_tc_InterfaceDef},
      {"IDL:omg.org/CORBA/InterfaceDef/FullInterfaceDescription:1.0",
       CORBA::InterfaceDef::_tc_FullInterfaceDescription},
      {"IDL:omg.org/CORBA/ValueDef/FullValueDescription:1.0", CORBA::ValueDef::_tc_FullValueDescription},
      {"IDL:omg.org/CORBA/AbstractInterfaceDef:1.0", CORBA::_tc_AbstractInterfaceDef},
  });
}

TEST(TypeCodes, OperationsAttributesAndConstantsUseTheSameTypes) {
  CORBA::OperationDef_var move = test_object<CORBA::OperationDef>("Calculator/move");
  ASSERT_FALSE(CORBA::is_nil(move));
  CORBA::TypeCode_var result = move->result();
  EXPECT_TRUE(result->equal(ServeTest::_tc_Point));
  CORBA::ParDescriptionSeq_var params = move->params();
  ASSERT_EQ(params->length(), 3u);
  EXPECT_TRUE(params[0].type->equal(ServeTest::_tc_Point));
  EXPECT_EQ(params[0].mode, CORBA::PARAM_INOUT);
  EXPECT_TRUE(params[1].type->equal(ServeTest::_tc_Count));
  EXPECT_TRUE(params[2].type->equal(CORBA::_tc_boolean));
  EXPECT_EQ(params[2].mode, CORBA::PARAM_OUT);

  CORBA::AttributeDef_var tint = test_object<CORBA::AttributeDef>("Calculator/tint");
  CORBA::TypeCode_var tint_type = tint->type();
  EXPECT_TRUE(tint_type->equal(ServeTest::_tc_Colour));

  CORBA::ConstantDef_var cost = test_object<CORBA::ConstantDef>("COST");
  CORBA::TypeCode_var cost_type = cost->type();
  EXPECT_TRUE(cost_type->equal(ServeTest::_tc_Price));
}

TEST(TypeCodes, AnonymousTypesAreObjectsOfTheirOwn) {
  CORBA::AliasDef_var grid = test_object<CORBA::AliasDef>("Grid");
  CORBA::IDLType_var outer_type = grid->original_type_def();
  CORBA::ArrayDef_var outer = CORBA::ArrayDef::_narrow(outer_type);
  ASSERT_FALSE(CORBA::is_nil(outer));
  EXPECT_EQ(outer->length(), 2u);
  CORBA::IDLType_var inner_type = outer->element_type_def();
  CORBA::ArrayDef_var inner = CORBA::ArrayDef::_narrow(inner_type);
  ASSERT_FALSE(CORBA::is_nil(inner));
  EXPECT_EQ(inner->length(), 3u);
  CORBA::IDLType_var element = inner->element_type_def();
  CORBA::PrimitiveDef_var real = CORBA::PrimitiveDef::_narrow(element);
  ASSERT_FALSE(CORBA::is_nil(real));
  EXPECT_EQ(real->kind(), CORBA::pk_double);
  EXPECT_EQ(real->def_kind(), CORBA::dk_Primitive);

  CORBA::AliasDef_var names = test_object<CORBA::AliasDef>("Names");
  CORBA::IDLType_var names_type = names->original_type_def();
  CORBA::SequenceDef_var sequence = CORBA::SequenceDef::_narrow(names_type);
  ASSERT_FALSE(CORBA::is_nil(sequence));
  EXPECT_EQ(sequence->bound(), 3u);
  CORBA::IDLType_var bounded = sequence->element_type_def();
  CORBA::StringDef_var string = CORBA::StringDef::_narrow(bounded);
  ASSERT_FALSE(CORBA::is_nil(string));
  EXPECT_EQ(string->bound(), 8u);
  CORBA::TypeCode_var sequence_type = sequence->type();
  CORBA::TypeCode_var expected = ServeTest::_tc_Names->content_type();
  EXPECT_TRUE(sequence_type->equal(expected));

  CORBA::AliasDef_var price = test_object<CORBA::AliasDef>("Price");
  CORBA::IDLType_var price_type = price->original_type_def();
  CORBA::FixedDef_var fixed = CORBA::FixedDef::_narrow(price_type);
  ASSERT_FALSE(CORBA::is_nil(fixed));
  EXPECT_EQ(fixed->digits(), 9);
  EXPECT_EQ(fixed->scale(), 2);

  // Counts is a sequence of a named type: its element is the stored alias.
  CORBA::AliasDef_var counts = test_object<CORBA::AliasDef>("Counts");
  CORBA::IDLType_var counts_type = counts->original_type_def();
  CORBA::SequenceDef_var of_count = CORBA::SequenceDef::_narrow(counts_type);
  CORBA::IDLType_var count = of_count->element_type_def();
  CORBA::AliasDef_var count_alias = CORBA::AliasDef::_narrow(count);
  ASSERT_FALSE(CORBA::is_nil(count_alias));
  CORBA::String_var count_id = count_alias->id();
  EXPECT_EQ(std::string(count_id.in()), test_id("Count"));
}

TEST(TypeCodes, TheRepositoryMakesAnonymousTypesWithoutStoringThem) {
  CORBA::Repository_var repository = ServedRepository::shared().repository();
  CORBA::PrimitiveDef_var primitive = repository->get_primitive(CORBA::pk_ulonglong);
  CORBA::TypeCode_var primitive_type = primitive->type();
  EXPECT_TRUE(primitive_type->equal(CORBA::_tc_ulonglong));

  CORBA::IDLType_var count = test_object<CORBA::AliasDef>("Count");
  CORBA::SequenceDef_var sequence = repository->create_sequence(5, count);
  CORBA::TypeCode_var sequence_type = sequence->type();
  EXPECT_EQ(sequence_type->length(), 5u);
  CORBA::TypeCode_var element = sequence_type->content_type();
  EXPECT_TRUE(element->equal(ServeTest::_tc_Count));

  CORBA::StringDef_var string = repository->create_string(12);
  CORBA::TypeCode_var string_type = string->type();
  CORBA::TypeCode_var twelve = ServedRepository::shared().orb()->create_string_tc(12);
  EXPECT_TRUE(string_type->equal(twelve));

  CORBA::ArrayDef_var array = repository->create_array(4, sequence);
  CORBA::TypeCode_var array_type = array->type();
  EXPECT_EQ(array_type->length(), 4u);
  CORBA::TypeCode_var array_element = array_type->content_type();
  EXPECT_TRUE(array_element->equal(sequence_type));

  CORBA::TypeCode_var canonical = repository->get_canonical_typecode(ServeTest::_tc_Point);
  EXPECT_TRUE(canonical->equal(ServeTest::_tc_Point));
}

TEST(TypeCodes, ConstantValuesAreTheValuesOmniidlGives) {
  auto value = [](const char* name) {
    CORBA::ConstantDef_var constant = test_object<CORBA::ConstantDef>(name);
    return constant->value();
  };
  CORBA::Any_var limit = value("LIMIT");
  CORBA::Long count = 0;
  EXPECT_TRUE(limit.in() >>= count);
  EXPECT_EQ(count, ServeTest::LIMIT);
  CORBA::TypeCode_var limit_type = limit->type();
  EXPECT_TRUE(limit_type->equal(ServeTest::_tc_Count));

  CORBA::Any_var greeting = value("GREETING");
  const char* text = nullptr;
  ASSERT_TRUE(greeting.in() >>= text);
  EXPECT_STREQ(text, ServeTest::GREETING);

  CORBA::Any_var quote = value("QUOTE");
  CORBA::Char character = 0;
  EXPECT_TRUE(quote.in() >>= CORBA::Any::to_char(character));
  EXPECT_EQ(character, ServeTest::QUOTE);

  CORBA::Any_var wide = value("WIDE");
  CORBA::WChar wide_character = 0;
  EXPECT_TRUE(wide.in() >>= CORBA::Any::to_wchar(wide_character));
  EXPECT_EQ(wide_character, ServeTest::WIDE);

  CORBA::Any_var wide_text = value("WIDE_TEXT");
  const CORBA::WChar* wide_string = nullptr;
  ASSERT_TRUE(wide_text.in() >>= wide_string);
  EXPECT_EQ(std::wstring(wide_string), std::wstring(ServeTest::WIDE_TEXT));

  CORBA::Any_var yes = value("YES");
  CORBA::Boolean flag = false;
  EXPECT_TRUE(yes.in() >>= CORBA::Any::to_boolean(flag));
  EXPECT_EQ(flag, ServeTest::YES);

  CORBA::Any_var rate = value("RATE");
  CORBA::Double real = 0;
  EXPECT_TRUE(rate.in() >>= real);
  EXPECT_EQ(real, ServeTest::RATE);

  CORBA::Any_var half = value("HALF");
  CORBA::Float single = 0;
  EXPECT_TRUE(half.in() >>= single);
  EXPECT_EQ(single, ServeTest::HALF);

  CORBA::Any_var big = value("BIG");
  CORBA::LongLong large = 0;
  EXPECT_TRUE(big.in() >>= large);
  EXPECT_EQ(large, ServeTest::BIG);

  CORBA::Any_var huge = value("HUGE");
  CORBA::ULongLong unsigned_large = 0;
  EXPECT_TRUE(huge.in() >>= unsigned_large);
  EXPECT_EQ(unsigned_large, ServeTest::HUGE);

  CORBA::Any_var byte = value("BYTE");
  CORBA::Octet octet = 0;
  EXPECT_TRUE(byte.in() >>= CORBA::Any::to_octet(octet));
  EXPECT_EQ(octet, ServeTest::BYTE);

  CORBA::Any_var small = value("SMALL");
  CORBA::UShort short_number = 0;
  EXPECT_TRUE(small.in() >>= short_number);
  EXPECT_EQ(short_number, ServeTest::SMALL);

  CORBA::Any_var favourite = value("FAVOURITE");
  ServeTest::Colour colour = ServeTest::red;
  EXPECT_TRUE(favourite.in() >>= colour);
  EXPECT_EQ(colour, ServeTest::FAVOURITE);

  CORBA::Any_var cost = value("COST");
  CORBA::Fixed price;
  EXPECT_TRUE(cost.in() >>= CORBA::Any::to_fixed(price, 9, 2));
  EXPECT_EQ(price, ServeTest::COST);
}

}  // namespace
