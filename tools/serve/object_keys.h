// The object key of a reference, read from its IOR: what names the object
// to the server that serves it, whatever address the reference holds. A
// reference made by another server of the same repository, or one a client
// built from a corbaloc URL with another address of this server, names the
// same object as one made here, which the object adapter (comparing
// addresses as well) would not see.
#pragma once

#include <optional>
#include <string>

#include "orb.h"

namespace irstore::serve {

// The key of the reference's first IIOP profile; nothing for a nil
// reference or one without an IIOP profile.
std::optional<std::string> object_key(CORBA::ORB_ptr orb, CORBA::Object_ptr object);

// The same from the bytes of an IOR (a CDR encapsulation); nothing for
// bytes that are no IOR.
std::optional<std::string> object_key_of_ior(const std::string& encapsulation);

}  // namespace irstore::serve
