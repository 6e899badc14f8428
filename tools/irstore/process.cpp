#include "process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "tool_error.h"

extern char** environ;

namespace {

// Both ends of a pipe, closed when they go.
class Pipe {
 public:
  Pipe() {
    if (pipe2(ends_, O_CLOEXEC) != 0) throw ToolError(std::string("cannot make a pipe: ") + std::strerror(errno));
  }
  ~Pipe() {
    close_read();
    close_write();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  int read_end() const { return ends_[0]; }
  int write_end() const { return ends_[1]; }
  void close_read() { close_end(0); }
  void close_write() { close_end(1); }

 private:
  void close_end(int which) {
    if (ends_[which] >= 0) close(ends_[which]);
    ends_[which] = -1;
  }
  int ends_[2] = {-1, -1};
};

class SpawnActions {
 public:
  SpawnActions() { posix_spawn_file_actions_init(&actions_); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  void dup(int from, int to) { posix_spawn_file_actions_adddup2(&actions_, from, to); }
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

// Shuttles input in and output out until both output pipes are at their end.
void exchange(Pipe& in, Pipe& out, Pipe& err, const std::string& input, ProcessResult& result) {
  std::size_t written = 0;
  if (input.empty()) in.close_write();
  std::string* targets[2] = {&result.out, &result.err};
  Pipe* sources[2] = {&out, &err};
  bool open[2] = {true, true};
  while (open[0] || open[1]) {
    pollfd fds[3];
    int count = 0;
    int which[3];
    for (int i = 0; i < 2; ++i) {
      if (!open[i]) continue;
      fds[count] = {sources[i]->read_end(), POLLIN, 0};
      which[count++] = i;
    }
    if (in.write_end() >= 0) {
      fds[count] = {in.write_end(), POLLOUT, 0};
      which[count++] = 2;
    }
    if (poll(fds, count, -1) < 0) {
      if (errno == EINTR) continue;
      throw ToolError(std::string("poll failed: ") + std::strerror(errno));
    }
    for (int i = 0; i < count; ++i) {
      if (fds[i].revents == 0) continue;
      if (which[i] == 2) {
        ssize_t n = write(in.write_end(), input.data() + written, input.size() - written);
        if (n > 0) written += static_cast<std::size_t>(n);
        if (n < 0 || written == input.size()) in.close_write();
        continue;
      }
      char buffer[65536];
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        targets[which[i]]->append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        open[which[i]] = false;
      }
    }
  }
}

}  // namespace

std::optional<ProcessResult> run_process(const std::vector<std::string>& argv, const std::string& input) {
  // A program that stops reading its input must not kill the tool.
  signal(SIGPIPE, SIG_IGN);
  Pipe in, out, err;
  SpawnActions actions;
  actions.dup(in.read_end(), 0);
  actions.dup(out.write_end(), 1);
  actions.dup(err.write_end(), 2);
  std::vector<char*> args;
  for (const std::string& argument : argv) args.push_back(const_cast<char*>(argument.c_str()));
  args.push_back(nullptr);
  pid_t child = 0;
  int status = posix_spawnp(&child, args[0], actions.get(), nullptr, args.data(), environ);
  if (status == ENOENT) return std::nullopt;
  if (status != 0) throw ToolError("cannot run " + argv[0] + ": " + std::strerror(status));
  in.close_read();
  out.close_write();
  err.close_write();

  ProcessResult result;
  exchange(in, out, err, input, result);
  int wait_status = 0;
  while (waitpid(child, &wait_status, 0) < 0) {
    if (errno != EINTR) throw ToolError(std::string("waiting for ") + argv[0] + " failed: " + std::strerror(errno));
  }
  result.exit_code = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
  return result;
}

std::string executable_directory() {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string(".") : self.parent_path().string();
}
