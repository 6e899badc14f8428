// What survives: writers killed at random moments, and a disk that fills up.
// Every definition of a committed unit of work is there, whole; nothing of
// an uncommitted one is; and the repository goes on working.
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>
#include <qeloridm/irdb_admin.h>
#include <tarn/tarn.h>

#include "captured_output.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

constexpr int kPerBatch = 12;  // a module and eleven enums in it

std::string module_id(int batch) { return "IDL:Batch" + std::to_string(batch) + ":1.0"; }
std::string enum_id(int batch, int e) {
  return "IDL:Batch" + std::to_string(batch) + "/E" + std::to_string(e) + ":1.0";
}
std::vector<std::string> enum_members(int batch, int e) {
  return {"first" + std::to_string(batch), "second" + std::to_string(e)};
}

// Writes batches, each in a user transaction, and says on `progress` which
// batch it committed last. Never returns: it is killed.
[[noreturn]] void write_batches(int first_batch, int progress) {
  CapturedReports quiet;
  IRDB store(nullptr);
  RepositoryBuilder build(store);
  store.endUpdate();
  for (int batch = first_batch;; ++batch) {
    store.beginUserTransaction();
    build.define<CORBA_ModuleDef_Impl>("Batch" + std::to_string(batch), module_id(batch));
    for (int e = 0; e < kPerBatch - 1; ++e) {
      ObjectReference<CORBA_EnumDef_Impl> made(
          new CORBA_EnumDef_Impl(("E" + std::to_string(e)).c_str(), enum_id(batch, e).c_str()));
      made->members = enum_members(batch, e);
      EncapIIOP stream(ENCAP_WRITE);
      made->object_to_stream(stream);
      store.create(made.get(), stream);
      build.contain(enum_id(batch, e), module_id(batch));
    }
    store.endUserTransaction();
    if (write(progress, &batch, sizeof batch) != sizeof batch) _exit(3);
  }
}

// How many definitions of a batch are stored, each checked whole.
int stored_of_batch(IRDB& store, int batch) {
  int found = 0;
  if (store.kind_from_ID(handle_of(module_id(batch)).get()) == CORBA::dk_Module) ++found;
  for (int e = 0; e < kPerBatch - 1; ++e) {
    if (store.kind_from_ID(handle_of(enum_id(batch, e)).get()) == CORBA::dk_none) continue;
    ObjectReference<CORBA_Contained_Impl> object(store.object_from_ID(handle_of(enum_id(batch, e)).get()));
    auto* enumeration = dynamic_cast<CORBA_EnumDef_Impl*>(object.get());
    EXPECT_NE(enumeration, nullptr);
    if (enumeration) {
      EXPECT_EQ(enumeration->members, enum_members(batch, e));
    }
    std::unique_ptr<StoreHandle> container(store.defined_in(handle_of(enum_id(batch, e)).get()));
    EXPECT_STREQ(container->repid, module_id(batch).c_str());
    ++found;
  }
  return found;
}

TEST(Durability, WritersKilledAtRandomMomentsLoseOnlyWhatTheyHadNotCommitted) {
  TempRepository repository{"VADIRIRI"};
  std::mt19937 random(20261206);
  std::uniform_int_distribution<int> pause_us(0, 60000);
  int next_batch = 0, cycles = 0, checked = 0;
  for (; cycles < 50; ++cycles) {
    int progress[2];
    ASSERT_EQ(pipe(progress), 0);
    pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
      close(progress[0]);
      write_batches(next_batch, progress[1]);
    }
    close(progress[1]);
    std::this_thread::sleep_for(std::chrono::microseconds(pause_us(random)));
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
    int reported = next_batch - 1, batch;
    while (read(progress[0], &batch, sizeof batch) == sizeof batch) reported = batch;
    close(progress[0]);

    CapturedReports quiet;
    IRDB store(nullptr);
    // Reported batches are whole; one more may have committed before its
    // report; nothing after it was.
    for (int b = next_batch; b <= reported; ++b) {
      EXPECT_EQ(stored_of_batch(store, b), kPerBatch) << "committed batch " << b;
      checked += kPerBatch;
    }
    int unreported = stored_of_batch(store, reported + 1);
    EXPECT_TRUE(unreported == 0 || unreported == kPerBatch) << "batch " << reported + 1 << " is half there";
    checked += unreported;
    EXPECT_EQ(stored_of_batch(store, reported + 2), 0);
    next_batch = reported + (unreported ? 2 : 1);
  }
  std::printf("%d writers killed, %d definitions checked\n", cycles, checked);
}

// A disk that fills up fails the write with a clear error; what was
// committed is intact, and once there is room again the store goes on.
TEST(Durability, AFullDiskFailsTheWriteAndKeepsWhatWasCommitted) {
  std::string mount_point = ::testing::TempDir() + "irstore-small-disk-" + std::to_string(getpid());
  std::filesystem::create_directories(mount_point);
  if (mount("irstore", mount_point.c_str(), "tmpfs", 0, "size=400k") != 0) {
    std::filesystem::remove(mount_point);
    GTEST_SKIP() << "a small file system cannot be mounted here (needs root)";
  }
  struct Unmount {
    std::string path;
    ~Unmount() {
      umount2(path.c_str(), MNT_DETACH);
      std::filesystem::remove(path);
    }
  } unmount{mount_point};
  const char* saved_home = std::getenv("TARN_HOME");
  std::string saved = saved_home ? saved_home : "";
  setenv("TARN_HOME", mount_point.c_str(), 1);
  struct RestoreHome {
    std::string value;
    ~RestoreHome() {
      if (value.empty()) unsetenv("TARN_HOME"); else setenv("TARN_HOME", value.c_str(), 1);
    }
  } restore{saved};

  IRDBAdmin::create_repository("VADIRIRI");
  CapturedReports reports;
  IRDB store(nullptr);
  RepositoryBuilder build(store);
  build.define<CORBA_ModuleDef_Impl>("Kept", "IDL:Kept:1.0");
  store.endUpdate();

  std::string failure;
  for (int i = 0; i < 100000 && failure.empty(); ++i) {
    ObjectReference<CORBA_ConstantDef_Impl> big(
        new CORBA_ConstantDef_Impl("C", ("IDL:Fill" + std::to_string(i) + ":1.0").c_str()));
    big->value = std::string(8000, 'x');
    EncapIIOP stream(ENCAP_WRITE);
    big->object_to_stream(stream);
    try {
      store.create(big.get(), stream);
    } catch (IRStore::Exception& e) {
      failure = e.message ? e.message : "code " + std::to_string(e.code);
    } catch (IRSError& e) {
      failure = e.message ? e.message : "code " + std::to_string(e.code);
    }
  }
  ASSERT_FALSE(failure.empty()) << "the disk never filled";
  EXPECT_NE(failure.find("SQL0968N"), std::string::npos) << failure;

  store.cancelUpdate();
  EXPECT_EQ(store.kind_from_ID(handle_of("IDL:Kept:1.0").get()), CORBA::dk_Module);
  EXPECT_EQ(store.kind_from_ID(handle_of("IDL:Fill0:1.0").get()), CORBA::dk_none);
  ASSERT_EQ(mount("irstore", mount_point.c_str(), "tmpfs", MS_REMOUNT, "size=4m"), 0);
  EXPECT_NO_THROW(build.define<CORBA_ModuleDef_Impl>("After", "IDL:After:1.0"));
  store.endUpdate();
  EXPECT_EQ(store.kind_from_ID(handle_of("IDL:After:1.0").get()), CORBA::dk_Module);
}

}  // namespace
