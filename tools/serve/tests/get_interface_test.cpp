// An omniORB server of our own whose ORB finds its Interface Repository at
// corbaloc::...: its objects answer _get_interface() from irstore, and a
// request built with nothing but what describe_interface() says (DII,
// dynamic values) reaches the real servant.
#include <gtest/gtest.h>

#include <cstdlib>

#include <serve_test.hh>

#include "served_repository.h"

namespace {

class Calculator : public POA_ServeTest::Calculator {
 public:
  ServeTest::Count total() override { return total_; }
  void reset() override { total_ = 0; }
  ServeTest::Colour tint() override { return ServeTest::green; }
  void tint(ServeTest::Colour) override {}
  CORBA::Long add(CORBA::Long a, CORBA::Long b) override {
    total_ += a + b;
    return a + b;
  }
  ServeTest::Point move(ServeTest::Point& p, ServeTest::Count by, CORBA::Boolean& clipped,
                        CORBA::Context_ptr context) override {
    // The context carries the properties the operation names.
    CORBA::NVList_var zoom;
    context->get_values("", 0, "ZOOM", zoom.out());
    const char* factor = nullptr;
    if (zoom->count() == 1 && (*zoom->item(0)->value() >>= factor)) by *= std::atoi(factor);
    p.x += by;
    p.y += by;
    clipped = p.x > 100;
    return p;
  }
  void ping() override {}
  ServeTest::Counts* histogram(const ServeTest::Names&) override { return new ServeTest::Counts; }
  CORBA::Object_ptr self() override { return _this(); }
  CORBA::Any* echo(const CORBA::Any& value) override { return new CORBA::Any(value); }

 private:
  CORBA::Long total_ = 0;
};

class GetInterface : public testing::Test {
 protected:
  void SetUp() override {
    CORBA::ORB_ptr orb = ServedRepository::shared().orb();
    CORBA::Object_var root = orb->resolve_initial_references("RootPOA");
    poa_ = PortableServer::POA::_narrow(root);
    PortableServer::POAManager_var manager = poa_->the_POAManager();
    manager->activate();
    PortableServer::ObjectId_var id = poa_->activate_object(&servant_);
    CORBA::Object_var object = poa_->id_to_reference(id);
    calculator_ = ServeTest::Calculator::_narrow(object);
    CORBA::Object_var factory = orb->resolve_initial_references("DynAnyFactory");
    dyn_any_ = DynamicAny::DynAnyFactory::_narrow(factory);
  }
  void TearDown() override {
    PortableServer::ObjectId_var id = poa_->servant_to_id(&servant_);
    poa_->deactivate_object(id);
  }

  // A value of the type, as the DII builds it: from the TypeCode alone.
  CORBA::Any* value_of(CORBA::TypeCode_ptr type, CORBA::Long number) {
    DynamicAny::DynAny_var value = dyn_any_->create_dyn_any_from_type_code(type);
    CORBA::TypeCode_var actual = CORBA::TypeCode::_duplicate(type);
    while (actual->kind() == CORBA::tk_alias) actual = actual->content_type();
    if (actual->kind() == CORBA::tk_long) {
      value->insert_long(number);
    } else if (actual->kind() == CORBA::tk_struct) {
      for (CORBA::ULong i = 0; i < actual->member_count(); ++i) {
        value->seek(static_cast<CORBA::Long>(i));
        DynamicAny::DynAny_var member = value->current_component();
        member->insert_long(number);
      }
    }
    CORBA::Any* any = value->to_any();
    value->destroy();
    return any;
  }

  const CORBA::OperationDescription& operation(const CORBA::InterfaceDef::FullInterfaceDescription& full,
                                               const char* name) {
    for (CORBA::ULong i = 0; i < full.operations.length(); ++i) {
      if (std::string(full.operations[i].name.in()) == name) return full.operations[i];
    }
    throw std::runtime_error(std::string("no operation ") + name);
  }

  Calculator servant_;
  PortableServer::POA_var poa_;
  ServeTest::Calculator_var calculator_;
  DynamicAny::DynAnyFactory_var dyn_any_;
};

TEST_F(GetInterface, AServantsInterfaceComesFromTheRepository) {
  CORBA::InterfaceDef_var interface = calculator_->_get_interface();
  ASSERT_FALSE(CORBA::is_nil(interface));
  CORBA::String_var id = interface->id();
  EXPECT_STREQ(id.in(), "IDL:irstore.test/ServeTest/Calculator:1.0");
  EXPECT_TRUE(interface->is_a("IDL:irstore.test/ServeTest/Base:1.0"));

  // The repository's own objects have their interfaces in it too.
  CORBA::InterfaceDef_var own = interface->_get_interface();
  ASSERT_FALSE(CORBA::is_nil(own));
  CORBA::String_var own_id = own->id();
  EXPECT_STREQ(own_id.in(), "IDL:omg.org/CORBA/InterfaceDef:1.0");
  CORBA::InterfaceDef::FullInterfaceDescription_var full = own->describe_interface();
  EXPECT_GT(full->operations.length(), 10u);  // its own and Container's, Contained's, IRObject's
}

TEST_F(GetInterface, ARequestBuiltFromTheDescriptionReachesTheServant) {
  CORBA::InterfaceDef_var interface = calculator_->_get_interface();
  CORBA::InterfaceDef::FullInterfaceDescription_var full = interface->describe_interface();

  const CORBA::OperationDescription& add = operation(full.in(), "add");
  CORBA::Request_var request = calculator_->_request(add.name);
  for (CORBA::ULong i = 0; i < add.parameters.length(); ++i) {
    CORBA::Any_var argument = value_of(add.parameters[i].type, 20 + static_cast<CORBA::Long>(i));
    request->add_in_arg(add.parameters[i].name) = argument.in();
  }
  request->set_return_type(add.result);
  request->invoke();
  CORBA::Long sum = 0;
  ASSERT_TRUE(request->return_value() >>= sum);
  EXPECT_EQ(sum, 41);

  // Parameters in every direction, a struct among them.
  const CORBA::OperationDescription& move = operation(full.in(), "move");
  CORBA::Request_var moving = calculator_->_request(move.name);
  for (CORBA::ULong i = 0; i < move.parameters.length(); ++i) {
    const CORBA::ParameterDescription& parameter = move.parameters[i];
    CORBA::Any_var argument = value_of(parameter.type, 3);
    CORBA::Any& slot = parameter.mode == CORBA::PARAM_IN      ? moving->add_in_arg(parameter.name)
                       : parameter.mode == CORBA::PARAM_INOUT ? moving->add_inout_arg(parameter.name)
                                                              : moving->add_out_arg(parameter.name);
    slot = argument.in();
  }
  // The operation names context properties: the request carries them.
  CORBA::Context_var context;
  ServedRepository::shared().orb()->get_default_context(context.out());
  CORBA::Any zoom;
  zoom <<= "2";
  context->set_one_value("ZOOM", zoom);
  moving->ctx(context);
  for (CORBA::ULong i = 0; i < move.contexts.length(); ++i) moving->contexts()->add(move.contexts[i]);
  moving->set_return_type(move.result);
  moving->invoke();
  const ServeTest::Point* moved = nullptr;
  ASSERT_TRUE(moving->return_value() >>= moved);
  EXPECT_EQ(moved->x, 9);  // 3 moved by 3, zoomed by 2
  EXPECT_EQ(moved->y, 9);
}

}  // namespace
