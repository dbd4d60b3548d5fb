#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drive_link_fake.h"
#include "kernel/coff_format.h"
#include "kernel/comm.h"
#include "kernel/logger.h"
#include "kernel/logger_scope.h"
#include "kernel/program_run.h"
#include "kernel/setup.h"
#include "unittests/support/kernel_errors.h"

namespace {

using UploadState = CVX_SingleAxisLogger::UploadState;
constexpr const char* kProgram = "Current_Controller_Tuning_Test_SOL";

class Logging : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"Current_Reference", "Motor_Current", "Voltage_Reference", "IQ", "ID"})
      setup.AddVariable(name, 1);
    ASSERT_NE(coff.ReadCoff(), 0) << coff.GetErrorText();
  }

  // Runs the program with `logger`; the drive then holds `points` points.
  void Run(CVX_Logger& logger, int points) {
    ASSERT_NE(kernel::ExecuteCode(setup, kProgram, coff, &logger, nullptr, nullptr), 0);
    link.drive.log = FakeDrive::MakeLog(points, static_cast<int>(logger.GetVariables().size()));
  }

  FakeDriveInstalled link;
  CVX_Setup setup;
  CVX_CoffFormat coff{kernel::GetOutPathName(kProgram)};
};

TEST_F(Logging, TheStartAsksForTheBufferWithTheVariablesAndSettings) {
  CVX_SingleAxisLogger logger(setup, &coff);
  ASSERT_NE(logger.ChangeSettings(100, 2, 1), 0);
  ASSERT_NE(logger.AddVariable("Current_Reference", 1), 0);
  ASSERT_NE(logger.AddVariable("IQ", 0), 0) << "axis 0 is the drive's own axis";
  ASSERT_NE(logger.AddVariable("iq", 1), 0) << "logged already";
  Run(logger, 0);

  const kernel::LoggingRequest& request = link.drive.starts.back().logging;
  EXPECT_EQ(request.kind, kernel::LoggingRequest::Kind::kBuffer);
  ASSERT_EQ(request.variables.size(), 2u);
  EXPECT_EQ(request.variables[1].name, "IQ");
  EXPECT_EQ(request.variables[1].axis, 1);
  EXPECT_EQ(request.points, 100);
  EXPECT_EQ(request.logType, kernel::LoggingRequest::kFastLoop);
  EXPECT_EQ(request.divider, 1);
  EXPECT_EQ(logger.GetUploadState(), UploadState::kArmed);
}

TEST_F(Logging, VariablesAndSettingsOutsideTheirRangeAreRefused) {
  testsupport::ErrorCapture errors;
  CVX_SingleAxisLogger logger(setup, &coff);
  EXPECT_EQ(logger.AddVariable("Nonexistent", 1), 0);
  EXPECT_EQ(logger.AddVariable("Motor_Current", 2), 0) << "not a variable of axis 2";
  EXPECT_NE(logger.AddVariable("test_flag", 0), 0) << "a variable of the program";
  for (int i = 0; i < CVX_Logger::kMaxVariables; ++i) {
    const std::string name = "Extra" + std::to_string(i);
    setup.AddVariable(name, 1);
    logger.AddVariable(name, 1);
  }
  EXPECT_EQ(logger.GetVariables().size(), static_cast<size_t>(CVX_Logger::kMaxVariables));
  EXPECT_EQ(logger.ChangeSettings(0, 1, 1), 0);
  EXPECT_EQ(logger.ChangeSettings(10, 3, 1), 0);
  EXPECT_EQ(logger.ChangeSettings(10, 1, 0), 0);
  EXPECT_EQ(logger.GetPointsNo(), 100) << "refused settings leave the old ones";
  EXPECT_EQ(errors.errors.size(), 6u);
}

TEST_F(Logging, CorrectPointsNoFitsTheDriveBuffer) {
  CVX_SingleAxisLogger logger(setup, &coff);
  logger.ChangeSettings(2000, 1, 1);
  for (const char* name : {"Current_Reference", "Motor_Current", "Voltage_Reference"}) logger.AddVariable(name, 1);
  link.drive.capacity = 1000;
  EXPECT_EQ(logger.CorrectPointsNo(), 333);
  link.drive.capacity = 100000;
  EXPECT_EQ(logger.CorrectPointsNo(), 333) << "never raised";
  link.drive.FailFromCall(1, "No answer.");
  EXPECT_EQ(logger.CorrectPointsNo(), 333);
}

TEST_F(Logging, TheUploadGoesInChunksAndReportsProgress) {
  CVX_SingleAxisLogger logger(setup, &coff);
  logger.AddVariable("Current_Reference", 1);
  logger.AddVariable("Motor_Current", 1);
  Run(logger, 300);

  EXPECT_EQ(logger.BeginOrContinueUploadData(), 42);
  EXPECT_EQ(logger.BeginOrContinueUploadData(), 85);
  EXPECT_EQ(logger.BeginOrContinueUploadData(), 100);
  EXPECT_EQ(logger.GetUploadState(), UploadState::kComplete);
  EXPECT_EQ(link.drive.uploads, (std::vector<std::pair<int, int>>{{0, 128}, {128, 128}, {256, 44}}));
  EXPECT_EQ(logger.GetPointsRecorded(), 300);

  std::vector<double> point;
  ASSERT_NE(logger.ReadPoint(point), 0);
  EXPECT_EQ(point, (std::vector<double>{0.0, 0, 1})) << "time first, then the variables in order";
  int read = 1;
  while (logger.ReadPoint(point)) ++read;
  EXPECT_EQ(read, 300);
  EXPECT_EQ(point[2], 2991);

  EXPECT_EQ(logger.BeginOrContinueUploadData(), 42) << "a complete upload begins again";
}

TEST_F(Logging, OneBeginAndAReadLoopFetchTheWholeRecord) {
  CVX_SingleAxisLogger logger(setup, &coff);
  logger.AddVariable("IQ", 0);
  Run(logger, 400);
  ASSERT_GT(logger.BeginOrContinueUploadData(), 0);
  double sum = 0;
  int count = 0;
  std::vector<double> point;
  while (logger.ReadPoint(point)) {
    sum += point[1];
    ++count;
  }
  EXPECT_EQ(count, 400);
  EXPECT_EQ(sum, 10.0 * 399 * 400 / 2);
  EXPECT_EQ(link.drive.calls.upload, 4);
}

TEST_F(Logging, AFailedChunkEndsTheReadWithTheLinkText) {
  CVX_SingleAxisLogger logger(setup, &coff);
  logger.AddVariable("IQ", 0);
  Run(logger, 300);
  ASSERT_GT(logger.BeginOrContinueUploadData(), 0);
  link.drive.FailFromCall(1, "Transfer aborted.");
  std::vector<double> point;
  int count = 0;
  while (logger.ReadPoint(point)) ++count;
  EXPECT_EQ(count, 128);
  EXPECT_EQ(logger.GetUploadState(), UploadState::kFailed);
  EXPECT_STREQ(CVX_Comm::GetLastErrorText(), "Transfer aborted.");
}

TEST_F(Logging, NoRunMeansNoUploadAndAnEmptyRecordIsComplete) {
  CVX_SingleAxisLogger logger(setup, &coff);
  logger.AddVariable("IQ", 0);
  EXPECT_EQ(logger.BeginOrContinueUploadData(), 0);
  EXPECT_STREQ(CVX_Comm::GetLastErrorText(), "The logger has recorded no run to upload.");
  EXPECT_EQ(link.drive.calls.total, 0);

  Run(logger, 0);
  EXPECT_EQ(logger.BeginOrContinueUploadData(), 100);
  std::vector<double> point;
  EXPECT_EQ(logger.ReadPoint(point), 0);
  EXPECT_EQ(link.drive.calls.upload, 0);

  logger.Reset();
  EXPECT_EQ(logger.GetUploadState(), UploadState::kIdle);
  EXPECT_EQ(logger.GetVariables().size(), 1u) << "a reset keeps the variables";
}

TEST_F(Logging, PointsOfTheWrongWidthFailTheUpload) {
  CVX_SingleAxisLogger logger(setup, &coff);
  logger.AddVariable("IQ", 0);
  Run(logger, 10);
  link.drive.log = FakeDrive::MakeLog(10, 2);
  EXPECT_EQ(logger.BeginOrContinueUploadData(), 0);
  EXPECT_EQ(logger.GetUploadState(), UploadState::kFailed);
  EXPECT_NE(std::string(CVX_Comm::GetLastErrorText()).find("1 variables"), std::string::npos);
}

kernel::UnsolicitedFrame ScopeFrame(std::uint32_t first, int points, int width) {
  kernel::UnsolicitedFrame frame{kernel::kScopeDataFrame, first, width, {}};
  for (int k = 0; k < points; ++k)
    for (int j = 0; j < width; ++j) frame.values.push_back((first + k) * 10.0 + j);
  return frame;
}

TEST_F(Logging, ScopeFramesBecomePointsInOrderAndGapsAreCounted) {
  CVX_ScopeLogger scope(setup, &coff);
  scope.ChangeSettings(8, 1, 1);
  scope.AddVariable("Motor_Current", 1);
  EXPECT_EQ(scope.OnFrameReceive(ScopeFrame(0, 2, 2)), 0) << "no run yet";
  Run(scope, 0);
  EXPECT_EQ(link.drive.starts.back().logging.kind, kernel::LoggingRequest::Kind::kScope);
  EXPECT_EQ(scope.GetPointIndex(), -1);

  EXPECT_EQ(scope.OnFrameReceive(ScopeFrame(0, 3, 2)), 3);
  EXPECT_EQ(scope.OnFrameReceive(ScopeFrame(2, 2, 2)), 1) << "the repeated point is taken once";
  EXPECT_EQ(scope.OnFrameReceive(ScopeFrame(6, 1, 2)), 1);
  EXPECT_EQ(scope.GetPointsLost(), 2);
  EXPECT_EQ(scope.GetPointIndex(), 6);

  std::vector<double> point;
  ASSERT_NE(scope.ReadPoint(point), 0);
  EXPECT_EQ(point, (std::vector<double>{0, 1}));
  int read = 1;
  while (scope.ReadPoint(point)) ++read;
  EXPECT_EQ(read, 5);
  EXPECT_EQ(point[0], 60);

  EXPECT_EQ(scope.OnFrameReceive(ScopeFrame(7, 1, 3)), 0) << "a frame of the wrong width";
  EXPECT_NE(std::string(CVX_Comm::GetLastErrorText()).find("scope frame"), std::string::npos);
  EXPECT_EQ(scope.OnFrameReceive({kernel::kScopeStoppedFrame, 0, 0, {}}), 0);
  EXPECT_TRUE(scope.IsStopped());
  EXPECT_EQ(scope.OnFrameReceive(ScopeFrame(7, 1, 2)), 0) << "nothing after the stop";
}

TEST_F(Logging, UnreadScopePointsBeyondOneWindowAreDropped) {
  CVX_ScopeLogger scope(setup, &coff);
  scope.ChangeSettings(4, 1, 1);
  scope.AddVariable("Motor_Current", 1);
  Run(scope, 0);
  EXPECT_EQ(scope.OnFrameReceive(ScopeFrame(0, 6, 2)), 6);
  EXPECT_EQ(scope.GetPointIndex(), 1) << "point 5 in a window of 4: the graph wrapped";
  EXPECT_EQ(scope.GetPointsLost(), 2);
  std::vector<double> point;
  ASSERT_NE(scope.ReadPoint(point), 0);
  EXPECT_EQ(point[0], 20) << "the two oldest went";
}

TEST_F(Logging, FramesReachTheScopeThroughTheCommHandlers) {
  CVX_ScopeLogger scope(setup, &coff);
  scope.AddVariable("Motor_Current", 1);
  Run(scope, 0);
  int otherFrames = 0;
  const int id = CVX_Comm::RegisterReceiveUnsolicitedMsgHandler([&](const kernel::UnsolicitedFrame& frame) {
    if (frame.code == kernel::kScopeDataFrame || frame.code == kernel::kScopeStoppedFrame) {
      scope.OnFrameReceive(frame);
    } else {
      ++otherFrames;
    }
  });
  ASSERT_GT(id, 0);
  EXPECT_EQ(CVX_Comm::RegisterReceiveUnsolicitedMsgHandler({}), 0);

  link.drive.pendingFrames = {ScopeFrame(0, 5, 2), {0x1234, 0, 0, {}}, ScopeFrame(5, 5, 2)};
  EXPECT_EQ(CVX_Comm::DispatchUnsolicitedFrames(), 3);
  EXPECT_EQ(scope.GetPointsReceived(), 10);
  EXPECT_EQ(otherFrames, 1);
  EXPECT_EQ(CVX_Comm::DispatchUnsolicitedFrames(), 0) << "each frame is delivered once";

  CVX_Comm::UnregisterReceiveUnsolicitedMsgHandler(id);
  link.drive.pendingFrames = {ScopeFrame(10, 5, 2)};
  EXPECT_EQ(CVX_Comm::DispatchUnsolicitedFrames(), 1);
  EXPECT_EQ(scope.GetPointsReceived(), 10);
}

}  // namespace
