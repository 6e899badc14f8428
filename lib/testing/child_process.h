// Programs that tests run as processes of their own: to their end, with
// what they wrote, or in the background until the test stops them.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct ProgramRun {
  int status = -1;  // the exit status; -1 when a signal ended the program
  std::string out;
  std::string err;
};

// Runs argv[0] (a path, or a name looked up in PATH) with the arguments and
// waits for its end. Throws std::runtime_error when it cannot be started.
ProgramRun run_program(const std::vector<std::string>& argv);

// A program running in the background from construction on. The destructor
// stops it with SIGTERM and waits for it, unless it was waited for already.
class ChildProcess {
 public:
  // Standard output and error go to the files given (empty: the test's own).
  explicit ChildProcess(const std::vector<std::string>& argv, const std::string& output = "");
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  // Whether it has not ended yet; an ended program is waited for.
  bool running();
  void send(int signal);
  // Waits for the end: the exit status, or -1 when a signal ended it.
  int wait();

 private:
  pid_t pid_ = -1;
  bool waited_ = false;
  int status_ = -1;
};
