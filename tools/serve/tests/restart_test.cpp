// References outlive the server: a restart on the same port answers the
// references the last run handed out, and SIGTERM and SIGINT stop it
// cleanly (exit status 0).
#include <gtest/gtest.h>

#include <signal.h>

#include "served_repository.h"

namespace {

TEST(Restart, ReferencesKeptAcrossARestartStillWork) {
  ServedRepository& served_repository = ServedRepository::shared();
  CORBA::Repository_var repository = served_repository.published_repository();
  CORBA::Contained_var found = repository->lookup_id("IDL:irstore.test/ServeTest/Calculator:1.0");
  CORBA::InterfaceDef_var calculator = CORBA::InterfaceDef::_narrow(found);
  CORBA::AliasDef_var counts = served<CORBA::AliasDef>("IDL:irstore.test/ServeTest/Counts:1.0");
  CORBA::IDLType_var sequence = counts->original_type_def();
  CORBA::PrimitiveDef_var primitive = repository->get_primitive(CORBA::pk_wchar);
  // Each reference has been used once, so that its connection is open.
  CORBA::TypeCode_var before = sequence->type();

  for (int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal == SIGTERM ? "SIGTERM" : "SIGINT");
    EXPECT_EQ(served_repository.stop(signal), 0);
    EXPECT_THROW(calculator->describe_interface(), CORBA::TRANSIENT);
    served_repository.start();

    CORBA::String_var name = calculator->name();
    EXPECT_STREQ(name.in(), "Calculator");
    CORBA::InterfaceDef::FullInterfaceDescription_var full = calculator->describe_interface();
    EXPECT_EQ(full->attributes.length(), 2u);
    CORBA::TypeCode_var after = sequence->type();
    EXPECT_TRUE(after->equal(before));
    EXPECT_EQ(primitive->kind(), CORBA::pk_wchar);
    CORBA::Contained_var again = repository->lookup_id("IDL:irstore.test/ServeTest/Point:1.0");
    EXPECT_FALSE(CORBA::is_nil(again));
  }
}

}  // namespace
