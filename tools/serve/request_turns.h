// One request at a time works on the store: each request's servant call
// holds the server's turn from its start to its end, while the ORB reads
// and writes the messages of the others. The store runs one operation at
// a time anyway; requests that took turns at it operation by operation
// would only hand its lock and its session's worker from thread to thread
// (a context switch each time), and a read could see, between two of its
// operations, what another request of this server wrote meanwhile.
//
// A request that writes holds its Update (access::Update) inside its turn;
// the access library keeps the order of Updates and reads by itself too,
// for callers that take no turns.
#pragma once

namespace irstore::serve {

// From now on, every call of a servant of this process takes its turn.
void take_turns();

}  // namespace irstore::serve
