// Processes sharing one repository, each with a store of its own, on
// either engine: writers at once add up, and two processes racing to
// create the same repository id leave exactly one object.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>

#include "captured_output.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

// Exit codes of a child process.
constexpr int kDone = 0, kStoreError = 10, kWrong = 20, kOther = 30;

// A child that runs `work` with a store of its own once told to start, and
// leaves with `work`'s exit code. Children share one start signal, so
// they begin at once.
class Children {
 public:
  Children() {
    if (pipe(ready_) != 0 || pipe(go_) != 0) ADD_FAILURE() << "no pipes";
  }
  ~Children() {
    for (int fd : {ready_[0], ready_[1], go_[0], go_[1]}) close(fd);
  }

  // Forks a child; `work` gets the store and returns the exit code.
  void start(const std::function<int(IRDB&)>& work) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child > 0) {
      pids_.push_back(child);
      return;
    }
    int code = kOther;
    try {
      CapturedReports quiet;
      IRDB store(nullptr);
      char byte = 1;
      if (write(ready_[1], &byte, 1) != 1 || read(go_[0], &byte, 1) != 1) _exit(kOther);
      code = work(store);
    } catch (...) {
      code = kOther;
    }
    std::fflush(nullptr);
    _exit(code);  // never the parent's destructors: they would drop its repository
  }

  // Starts every child at once and returns their exit codes (-signal when
  // one was killed by a signal).
  std::vector<int> run() {
    char byte;
    for (size_t i = 0; i < pids_.size(); ++i)
      if (read(ready_[0], &byte, 1) != 1) ADD_FAILURE() << "a child never got ready";
    std::string go(pids_.size(), '\1');
    if (write(go_[1], go.data(), go.size()) != static_cast<ssize_t>(go.size())) ADD_FAILURE() << "no start";
    std::vector<int> codes;
    for (pid_t pid : pids_) {
      int status = 0;
      waitpid(pid, &status, 0);
      codes.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status));
    }
    pids_.clear();
    return codes;
  }

 private:
  int ready_[2] = {-1, -1};
  int go_[2] = {-1, -1};
  std::vector<pid_t> pids_;
};

std::string module_id(int process, int n) {
  return "IDL:P" + std::to_string(process) + "_" + std::to_string(n) + ":1.0";
}

class Processes : public ::testing::Test {
 protected:
  // The root repository, committed before any child starts; no connection
  // is open when the children are forked.
  void SetUp() override {
    IRDB store(nullptr);
    RepositoryBuilder build(store);
    store.endUpdate();
  }

  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
};

TEST_F(Processes, WritersAtOnceAddUpAndReadEachOthersCommittedObjects) {
  constexpr int kEach = 40;
  Children children;
  for (int process = 0; process < 2; ++process) {
    children.start([&, process](IRDB& store) {
      RepositoryBuilder build(store);
      for (int n = 0; n < kEach; ++n) {
        build.define<CORBA_ModuleDef_Impl>("P" + std::to_string(process) + "_" + std::to_string(n),
                                           module_id(process, n));
        store.endUpdate();
      }
      // Wait until the other process has committed all of its own.
      for (int tries = 0; tries < 1000; ++tries) {
        if (store.kind_from_ID(handle_of(module_id(1 - process, kEach - 1)).get()) == CORBA::dk_Module) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      for (int n = 0; n < kEach; ++n) {
        ObjectReference<CORBA_Contained_Impl> other(store.object_from_ID(handle_of(module_id(1 - process, n)).get()));
        CorbaString id(other->id());
        if (std::string(id.get()) != module_id(1 - process, n)) return kWrong;
        std::unique_ptr<StoreHandle> container(store.defined_in(handle_of(module_id(1 - process, n)).get()));
        if (std::string(container->repid) != CORBA_Repository_Impl::kRepositoryId) return kWrong;
      }
      return kDone;
    });
  }
  EXPECT_EQ((std::vector<int>{kDone, kDone}), children.run());

  IRDB store(nullptr);
  EXPECT_EQ(count_rows("IRREPDAT"), 1 + 2 * kEach);
  EXPECT_EQ(count_rows("IRBUCKET"), 2 * kEach);
  std::vector<std::string> contained = repids_of(store.contents(
      handle_of(CORBA_Repository_Impl::kRepositoryId).get(), CORBA::dk_all, 1, -1));
  std::sort(contained.begin(), contained.end());
  EXPECT_EQ(std::adjacent_find(contained.begin(), contained.end()), contained.end()) << "a duplicate";
  EXPECT_EQ(contained.size(), static_cast<size_t>(2 * kEach));
}

// Every key is a primary key: the loser of the race gets an error, never a
// crash, a half-written object or a silent success.
TEST_F(Processes, TwoProcessesCreatingTheSameRepositoryIdLeaveExactlyOneObject) {
  constexpr int kRounds = 6;
  for (int round = 0; round < kRounds; ++round) {
    std::string repid = "IDL:Same" + std::to_string(round) + ":1.0";
    Children children;
    for (int process = 0; process < 2; ++process) {
      children.start([&repid](IRDB& store) {
        RepositoryBuilder build(store);
        try {
          build.define<CORBA_InterfaceDef_Impl>("Same", repid);
          store.endUpdate();
          return kDone;
        } catch (IRStore::Exception&) {
        } catch (IRSError&) {
        }
        store.cancelUpdate();
        return kStoreError;
      });
    }
    std::vector<int> codes = children.run();
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ((std::vector<int>{kDone, kStoreError}), codes) << repid;
  }

  IRDB store(nullptr);
  EXPECT_EQ(count_rows("IRREPDAT"), 1 + kRounds);
  EXPECT_EQ(count_rows("IRBUCKET"), kRounds);
  for (int round = 0; round < kRounds; ++round) {
    std::string repid = "IDL:Same" + std::to_string(round) + ":1.0";
    ObjectReference<CORBA_Contained_Impl> object(store.object_from_ID(handle_of(repid).get()));
    EXPECT_EQ(object->def_kind(), CORBA::dk_Interface) << repid;
  }
}

}  // namespace
