// Tracing and configuration of the ORB runtime.
#pragma once

#include <qelororm/export.h>

// Non-zero enables the lock traces of the runtime's users. Set by the host.
extern QELORORM_EXPORT unsigned QELMutexTrace;

// Writes one trace record: "[file:line version] text" on standard error,
// or to the installed sink.
QELORORM_EXPORT void QELTraceString(const char* file, int line, const char* version, const char* text);

// Where trace records go. nullptr restores the default (standard error).
using QELTraceSink = void (*)(const char* file, int line, const char* version, const char* text,
                              void* context);
QELORORM_EXPORT void QELSetTraceSink(QELTraceSink sink, void* context);

// ORB parameters, such as "com.orvo.CORBA.sqlPrint". A value set by the host
// with QelSetParm wins; otherwise the environment variable of the same name
// with every '.' replaced by '_' (com_orvo_CORBA_sqlPrint) is used; otherwise
// the default. QelGetParmInt reads a decimal (or 0x-prefixed hexadecimal)
// integer and falls back to the default when the value is not one.
QELORORM_EXPORT int QelGetParmInt(const char* name, int defaultValue);
// The returned text stays valid for the life of the process.
QELORORM_EXPORT const char* QelGetParmString(const char* name, const char* defaultValue);
// Sets a parameter for this process; nullptr removes the host's value, so
// that the environment applies again.
QELORORM_EXPORT void QelSetParm(const char* name, const char* value);
