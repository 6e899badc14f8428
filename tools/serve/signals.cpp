#include "signals.h"

#include <signal.h>

namespace irstore::serve {

namespace {

sigset_t stop_signals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}

}  // namespace

void block_stop_signals() {
  sigset_t signals = stop_signals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

ShutdownOnSignal::ShutdownOnSignal(CORBA::ORB_ptr orb)
    : orb_(CORBA::ORB::_duplicate(orb)), waiter_([this] { wait_for_signal(); }) {}

ShutdownOnSignal::~ShutdownOnSignal() {
  // The waiter takes this signal too, and sees that the server is leaving.
  leaving_ = true;
  pthread_kill(waiter_.native_handle(), SIGTERM);
  waiter_.join();
}

void ShutdownOnSignal::wait_for_signal() {
  sigset_t signals = stop_signals();
  int signal = 0;
  while (sigwait(&signals, &signal) != 0) {
  }
  if (!leaving_) orb_->shutdown(false);
}

}  // namespace irstore::serve
