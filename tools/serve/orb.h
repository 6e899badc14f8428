// omniORB with the Interface Repository's stubs and skeletons.
#pragma once

#ifndef ENABLE_CLIENT_IR_SUPPORT
#define ENABLE_CLIENT_IR_SUPPORT
#endif
#include <omniORB4/CORBA.h>

#include <irstore_access/access.h>
