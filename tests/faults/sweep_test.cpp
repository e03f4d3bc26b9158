// sweep_test.cpp - a whole installation with the N-th file operation failing, for N = 1, 2, 3 ...
// until a run fires no fault, over an earlier installation of the product. Every run must end
// with exit code 0 and at most one fatal-error message; nothing outside the installation folder
// may change; each installed file is either the earlier copy or the complete new one; and the
// only thing left besides them is a packed copy whose write failed (holding a beginning of the
// packed file) or whose deletion failed (holding all of it). No temporary file stays.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ostream>

#include "setup_run.h"

namespace qelt::faults {
namespace {

const std::string Folder = "Program Files/Qelt/";
const char* const PackedNames[] = {"aliases.ql_", "qelt_ws1.ex_", "qelt_ws2.ex_", "tessmor1.ex_",
                                   "tessmor2.ex_", "qelt.hl_",     "vornel.tx_",   "servers.ql_"};
constexpr unsigned SweepLimit = 2000;  // far beyond the operations of one installation

struct FaultKind {
  const char* name;
  std::string fault;  // WINHOST_FAULT after "N:" or "N+:"
  bool persistent;
  // A sweep that fires fewer faults, or fails fewer runs, has not walked the installation:
  // each of the six files takes two writes (its packed copy, its expansion) and a dozen
  // file operations in all, and a fault in either write fails the run.
  unsigned minFired, minFailed;
};

void PrintTo(const FaultKind& kind, std::ostream* os) { *os << kind.name; }

const FaultKind Kinds[] = {
    {"AccessDenied", "ERROR_ACCESS_DENIED", false, 6 * 12, 6 * 2},
    {"SharingViolation", "ERROR_SHARING_VIOLATION", false, 6 * 12, 6 * 2},
    // Out of space part-way through a write: half the bytes reach the file.
    {"DiskFullPartWay", "ERROR_DISK_FULL:WriteFile", false, 6 * 2, 6 * 2},
    // The disk stays full from that write on.
    {"DiskStaysFull", "ERROR_DISK_FULL:WriteFile", true, 6 * 2, 6 * 2},
};

class FaultSweep : public ::testing::TestWithParam<FaultKind> {
 protected:
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/qelt-fault-sweep-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    base_ = pattern;
    earlier_ = base_ / "earlier";
    // A fresh drive, files of another program beside ours and at the root, then one
    // complete installation whose files are then marked as an earlier release's.
    fs::path drive = earlier_ / "drive_c";
    RunResult first = RunSetup(drive, base_, CompleteRun);
    ASSERT_EQ(first.exitCode, 0) << first.Text();
    ASSERT_TRUE(first.Has("enddialog 1")) << first.Text();
    for (const fs::directory_entry& e : fs::directory_iterator(drive / Folder)) {
      std::string name = e.path().filename();
      newContent_[Folder + name] = ReadText(e.path());
      WriteText(e.path(), "earlier release of " + name + "\r\n" + std::string(4096, 'e'));
    }
    ASSERT_EQ(newContent_.size(), 6u);
    fs::permissions(drive / Folder / "qelt.hlp", fs::perms::owner_write, fs::perm_options::remove);
    fs::create_directories(drive / "Program Files/Other");
    WriteText(drive / "Program Files/Other/settings.ini", "[other]\r\n");
    WriteText(drive / "autoexec.bat", "@echo off\r\n");
    earlierTree_ = Snapshot(drive);
  }

  static void TearDownTestSuite() {
    std::error_code ec;
    fs::remove_all(base_, ec);
  }

  // A copy of the earlier installation's drive for run n.
  fs::path FreshDrive(unsigned n) {
    fs::path dir = base_ / (std::string(GetParam().name) + "-" + std::to_string(n));
    fs::create_directories(dir);
    fs::copy(earlier_, dir, fs::copy_options::recursive);
    return dir / "drive_c";
  }

  void CheckRun(unsigned n, const fs::path& drive, const RunResult& run) {
    SCOPED_TRACE("fault " + run.Fault() + " (N = " + std::to_string(n) + ")" + run.Text());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.Has("exit 0"));
    int fatal = run.Count(FatalBox);
    EXPECT_LE(fatal, 1);
    EXPECT_FALSE(run.Has(PanicBox)) << "a failed installation must close without the abort question";
    if (fatal == 0) EXPECT_TRUE(run.Has("enddialog 1")) << "no fatal message, yet the wizard did not finish";

    Tree after = Snapshot(drive);
    EXPECT_EQ(Inside(after, Folder, false), Inside(earlierTree_, Folder, false))
        << "outside the installation folder:" << Differences(Inside(earlierTree_, Folder, false), Inside(after, Folder, false));

    std::string site = run.Fault().substr(0, run.Fault().find(' '));
    int leftovers = 0;
    for (const auto& [name, content] : Inside(after, Folder)) {
      if (name == Folder) continue;
      std::string plain = content.rfind("[ro]", 0) == 0 ? content.substr(4) : content;
      if (newContent_.count(name)) {
        std::string earlier = earlierTree_.at(name);
        if (earlier.rfind("[ro]", 0) == 0) earlier = earlier.substr(4);
        EXPECT_TRUE(plain == earlier || plain == newContent_.at(name)) << name << " is neither the earlier copy nor the new one";
        if (fatal == 0) EXPECT_EQ(plain, newContent_.at(name)) << name << " after a complete run";
        continue;
      }
      std::string bare = name.substr(Folder.size());
      bool packed = std::find(std::begin(PackedNames), std::end(PackedNames), bare) != std::end(PackedNames);
      ASSERT_TRUE(packed) << "left in the folder: " << bare;
      leftovers++;
      std::string full = ReadText(PayloadDir / bare);
      if (site == "WriteFile") {
        EXPECT_EQ(fatal, 1) << "a failed write of " << bare << " must end the installation";
        EXPECT_LT(plain.size(), full.size()) << bare;
        EXPECT_EQ(plain, full.substr(0, plain.size())) << bare << " holds more than what was written";
      } else {
        EXPECT_EQ(site, "DeleteFile") << bare << " left behind after a fault in " << site;
        EXPECT_EQ(plain, full) << bare;
      }
    }
    EXPECT_LE(leftovers, 1);
    for (const auto& [name, content] : newContent_) EXPECT_TRUE(after.count(name)) << name << " is gone";
  }

  static inline fs::path base_, earlier_;
  static inline Tree earlierTree_;
  static inline std::map<std::string, std::string> newContent_;
};

TEST_P(FaultSweep, EveryFileOperationOfAnInstallation) {
  const FaultKind& kind = GetParam();
  unsigned fired = 0, failedRuns = 0;
  unsigned n = 1;
  for (; n <= SweepLimit; n++) {
    std::string fault = std::to_string(n) + (kind.persistent ? "+:" : ":") + kind.fault;
    fs::path drive = FreshDrive(n);
    RunResult run = RunSetup(drive, drive.parent_path(), FailedRun, fault);
    if (!run.Has(FatalBox)) {
      // The fault did not end the installation: the same run again, through to Finish.
      fs::remove_all(drive.parent_path());
      drive = FreshDrive(n);
      run = RunSetup(drive, drive.parent_path(), CompleteRun, fault);
    } else {
      failedRuns++;
    }
    if (run.Fault().empty()) {
      // Past the last operation: this run must be a complete installation.
      EXPECT_TRUE(run.Has("enddialog 1")) << run.Text();
      fs::remove_all(drive.parent_path());
      break;
    }
    fired++;
    CheckRun(n, drive, run);
    fs::remove_all(drive.parent_path());
    if (HasFatalFailure()) return;
  }
  ASSERT_LE(n, SweepLimit) << "the sweep did not reach a run without a fault";
  EXPECT_GE(fired, kind.minFired);
  EXPECT_GE(failedRuns, kind.minFailed);
  RecordProperty("faults_fired", static_cast<int>(fired));
  RecordProperty("failed_runs", static_cast<int>(failedRuns));
  std::printf("%s: %u runs with a fault, %u of them failed installations\n", kind.name, fired, failedRuns);
}

INSTANTIATE_TEST_SUITE_P(Kinds, FaultSweep, ::testing::ValuesIn(Kinds),
                         [](const ::testing::TestParamInfo<FaultKind>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qelt::faults
