// The simulated drive as the kernel sees it through the drive interface.
#include <gtest/gtest.h>

#include <chrono>

#include "drive/sim_bench.h"
#include "kernel/comm.h"
#include "kernel/drive_link.h"
#include "kernel/logger_scope.h"
#include "kernel/program_run.h"

namespace {

using kernel::LoggingRequest;

// The start the kernel would send, with the variables of the program's image.
kernel::ProgramStart Start(std::string_view program, LoggingRequest logging = {}) {
  static std::map<std::string, std::unique_ptr<CVX_CoffFormat>> images;
  auto& image = images[std::string(program)];
  if (!image) {
    image = std::make_unique<CVX_CoffFormat>(kernel::GetOutPathName(program));
    EXPECT_TRUE(image->ReadCoff());
  }
  return {program, image->GetImage().variables, {}, std::move(logging)};
}

TEST(SimulatedDriveLink, UnknownNamesFailWithTheNameInTheText) {
  SimBench bench("two_phase_open_loop.json");
  auto& drive = bench.drive();
  const auto program = drive.StartProgram(kernel::ProgramStart{"No_Such_Test", {}, {}, {}});
  ASSERT_FALSE(program.ok());
  EXPECT_NE(program.error().find("No_Such_Test"), std::string::npos);
  EXPECT_FALSE(drive.ReadVariable({"NOPE", 1}).ok());
  EXPECT_FALSE(drive.WriteRegister({"NOREG", kernel::ValueType::kInt16, 1}).ok());
  EXPECT_FALSE(drive.ReadProgramVariable({"VDC_Detection_Test", "In1"}).ok()) << "the program has no In1";
  EXPECT_TRUE(drive.ReadProgramVariable({"vdc_detection_test", "started"}).ok()) << "names ignore letter case";
  EXPECT_FALSE(drive.ExecuteCommand("DISCAPI;").ok()) << "no program takes commands";
}

TEST(SimulatedDriveLink, LoggingIsCheckedBeforeTheProgramStarts) {
  SimBench bench("two_phase_open_loop.json");
  auto& drive = bench.drive();
  LoggingRequest unknown{LoggingRequest::Kind::kBuffer, {{"NoSuchVariable", 1}}, 10, LoggingRequest::kFastLoop, 1};
  EXPECT_FALSE(drive.StartProgram(Start("Ident_R_or_Rs_SOL", unknown)).ok());
  LoggingRequest too_big{LoggingRequest::Kind::kBuffer, {{"IQ", 1}, {"MER", 1}}, drive::SimulatedDrive::kLoggerCapacity / 2 + 1,
                         LoggingRequest::kFastLoop, 1};
  EXPECT_FALSE(drive.StartProgram(Start("Ident_R_or_Rs_SOL", too_big)).ok());
  EXPECT_FALSE(drive.ReadAxisOn().value()) << "a refused start starts nothing";
}

TEST(SimulatedDriveLink, BufferRecordsTheRequestedPointsAndRefusesUploadsBeyondThem) {
  SimBench bench("two_phase_open_loop.json");
  auto& drive = bench.drive();
  ASSERT_TRUE(drive.WriteProgramVariable({"Current_Controller_Tuning_Test_SOL", "In1"}, 3000).ok());
  LoggingRequest request{LoggingRequest::Kind::kBuffer, {{"Motor_Current", 1}}, 50, LoggingRequest::kFastLoop, 2};
  ASSERT_TRUE(drive.StartProgram(Start("Current_Controller_Tuning_Test_SOL", request)).ok());
  ASSERT_TRUE(drive.ReadAxisOn().value());
  drive.AdvanceTo(1.0);
  const auto status = drive.ReadLoggerStatus().value();
  EXPECT_EQ(status.pointsRecorded, 50);
  EXPECT_FALSE(status.recording);
  const auto points = drive.UploadLoggedPoints(0, 50).value();
  EXPECT_DOUBLE_EQ(points[1].time_s - points[0].time_s, 2 * bench.FastPeriod_s()) << "one point every 2 samples";
  EXPECT_FALSE(drive.UploadLoggedPoints(40, 11).ok());
}

TEST(SimulatedDriveLink, ScopeStreamsFramesAndEndsWithAStopFrame) {
  SimBench bench("two_phase_open_loop.json");
  auto& drive = bench.drive();
  LoggingRequest request{LoggingRequest::Kind::kScope, {{"Motor_Current", 1}}, 100, LoggingRequest::kFastLoop, 1};
  ASSERT_TRUE(drive.StartProgram(Start("Current_Controller_Tuning_Test_SOL", request)).ok());
  drive.AdvanceTo(1.0);
  const auto frames = drive.TakeUnsolicitedFrames();
  ASSERT_GE(frames.size(), 2u);
  EXPECT_EQ(frames.front().code, kernel::kScopeDataFrame);
  EXPECT_EQ(frames.front().valuesPerPoint, 2);
  EXPECT_EQ(frames[1].firstPoint, frames[0].values.size() / 2) << "points are numbered on from frame to frame";
  EXPECT_EQ(frames.back().code, kernel::kScopeStoppedFrame);
  EXPECT_TRUE(drive.TakeUnsolicitedFrames().empty());
}

TEST(SimulatedDriveLink, ResetStopsTheProgramClearsErrorsAndKeepsTheRegisters) {
  SimBench bench("two_phase_open_loop.json", R"({"faults": {"mer": [{"time_s": 0.001, "bits": 32}]}})");
  auto& drive = bench.drive();
  ASSERT_TRUE(drive.DownloadRegisters(kernel::CollectRegisters(bench.setup())).ok());
  ASSERT_TRUE(drive.StartProgram(Start("Initial_Positioning_Test")).ok());
  drive.AdvanceTo(0.01);
  ASSERT_EQ(drive.ReadVariable({"MER", 1}).value(), 0x0020);
  ASSERT_TRUE(drive.Reset().ok());
  EXPECT_FALSE(drive.ReadAxisOn().value());
  EXPECT_EQ(drive.ReadVariable({"MER", 1}).value(), 0) << "latched errors clear";
  EXPECT_TRUE(drive.WriteRegister({"KPI", kernel::ValueType::kInt16, 100}).ok()) << "the register is still there";
}

TEST(SimulatedDriveLink, TimeMovesOnlyWithTheClock) {
  SimBench bench("two_phase_open_loop.json");
  auto& drive = bench.drive();
  ASSERT_TRUE(drive.StartProgram(Start("VDC_Detection_Test")).ok());
  for (int k = 0; k < 3; ++k) EXPECT_TRUE(drive.ReadAxisOn().value()) << "no time passed";
  EXPECT_EQ(drive.ReadProgramVariable({"VDC_Detection_Test", "STARTED"}).value(), 0);
  drive.AdvanceTo(0.001);
  EXPECT_EQ(drive.ReadProgramVariable({"VDC_Detection_Test", "STARTED"}).value(), 1);
  drive.AdvanceTo(1.0);
  EXPECT_FALSE(drive.ReadAxisOn().value());
}

TEST(SimulatedDriveLink, WriteFaultFailsWritesOnlyFromItsCall) {
  SimBench bench("two_phase_open_loop.json", R"({"faults": {"write": {"from_call": 2, "text": "Write timed out."}}})");
  auto& drive = bench.drive();
  EXPECT_TRUE(drive.WriteVariable({"var_i2", 1}, 1).ok());
  const auto second = drive.WriteVariable({"var_i2", 1}, 1);
  ASSERT_FALSE(second.ok());
  EXPECT_EQ(second.error(), "Write timed out.");
  EXPECT_TRUE(drive.ReadVariable({"var_i2", 1}).ok()) << "reads still work";
}

}  // namespace

// The online plot end to end: the test starts the program with a scope
// logger, the kernel hands the drive's frames to it, and the plot reads the
// measured current point by point until the drive says it stopped.
TEST(SimulatedDriveLink, ScopeLoggerDrawsTheStreamedCurrentUntilTheProgramStops) {
  SimBench bench("two_phase_open_loop.json");
  CVX_CoffFormat image(kernel::GetOutPathName("Current_Controller_Tuning_Test_SOL"));
  ASSERT_TRUE(image.ReadCoff());
  CVX_ScopeLogger scope(bench.setup(), &image);
  // One point a millisecond: a 20 ms poll fits well inside the window.
  scope.ChangeSettings(100, LoggingRequest::kFastLoop, 10);
  ASSERT_TRUE(scope.AddVariable("Motor_Current", 1));
  const int handler = CVX_Comm::RegisterReceiveUnsolicitedMsgHandler(
      [&scope](const kernel::UnsolicitedFrame& frame) { scope.OnFrameReceive(frame); });
  ASSERT_TRUE(kernel::ExecuteCode(bench.setup(), "Current_Controller_Tuning_Test_SOL", image, &scope, nullptr, nullptr));

  std::vector<double> point;
  double lastTime = -1.0;
  int read = 0;
  for (int poll = 0; poll < 100 && !scope.IsStopped(); ++poll) {
    bench.drive().AdvanceTo(bench.drive().drive_time_s() + 0.02);
    CVX_Comm::DispatchUnsolicitedFrames();
    while (scope.ReadPoint(point)) {
      ASSERT_EQ(point.size(), 2u);
      EXPECT_GT(point[0], lastTime);
      lastTime = point[0];
      ++read;
    }
  }
  CVX_Comm::UnregisterReceiveUnsolicitedMsgHandler(handler);
  EXPECT_TRUE(scope.IsStopped());
  EXPECT_GT(read, 0);
  EXPECT_EQ(scope.GetPointsLost(), 0);
}
