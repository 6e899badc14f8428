#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace {

class SpawnActions {
 public:
  SpawnActions() { posix_spawn_file_actions_init(&actions_); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  // Standard output (1) or error (2) into a file, truncated first.
  void write_to(int descriptor, const std::string& file) {
    posix_spawn_file_actions_addopen(&actions_, descriptor, file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

pid_t spawn(const std::vector<std::string>& argv, SpawnActions& actions) {
  std::vector<char*> args;
  for (const std::string& argument : argv) args.push_back(const_cast<char*>(argument.c_str()));
  args.push_back(nullptr);
  pid_t child = -1;
  int status = posix_spawnp(&child, args[0], actions.get(), nullptr, args.data(), environ);
  if (status != 0) throw std::runtime_error("cannot run " + argv[0] + ": " + std::strerror(status));
  return child;
}

int wait_for(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error(std::string("waitpid failed: ") + std::strerror(errno));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string read_file(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A fresh temporary file, removed when the object goes.
class TempFile {
 public:
  TempFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "irstore-run-XXXXXX").string();
    int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) throw std::runtime_error("cannot create a temporary file");
    close(descriptor);
    path_ = pattern;
  }
  ~TempFile() { std::remove(path_.c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

ProgramRun run_program(const std::vector<std::string>& argv) {
  TempFile out, err;
  SpawnActions actions;
  actions.write_to(1, out.path());
  actions.write_to(2, err.path());
  ProgramRun run;
  run.status = wait_for(spawn(argv, actions));
  run.out = read_file(out.path());
  run.err = read_file(err.path());
  return run;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& output) {
  SpawnActions actions;
  if (!output.empty()) {
    actions.write_to(1, output);
    posix_spawn_file_actions_adddup2(actions.get(), 1, 2);
  }
  pid_ = spawn(argv, actions);
}

ChildProcess::~ChildProcess() {
  if (waited_) return;
  try {
    send(SIGTERM);
    wait();
  } catch (...) {
    // Nothing more can be done for it here.
  }
}

bool ChildProcess::running() {
  if (waited_) return false;
  int status = 0;
  pid_t ended = waitpid(pid_, &status, WNOHANG);
  if (ended != pid_) return true;
  waited_ = true;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return false;
}

void ChildProcess::send(int signal) {
  if (!waited_) kill(pid_, signal);
}

int ChildProcess::wait() {
  if (!waited_) {
    status_ = wait_for(pid_);
    waited_ = true;
  }
  return status_;
}
