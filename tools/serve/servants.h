// The servants of the server: one default servant for each adapter, and the
// root's. The adapters hold them for the life of the ORB.
#pragma once

#include "context.h"

namespace irstore::serve {

void install_servants(ServeContext& context);

// Each family of servants, installed by install_servants.
void install_definition_servants(ServeContext& context);
void install_anonymous_type_servants(ServeContext& context);
void install_repository_servant(ServeContext& context);

// Makes a servant of the class the default servant of a kind's adapter; the
// adapter keeps the only reference.
template <class Servant>
void install(ServeContext& context, ObjectKind kind) {
  PortableServer::Servant_var<Servant> servant = new Servant(context);
  context.adapters.serve(kind, servant.in());
}

}  // namespace irstore::serve
