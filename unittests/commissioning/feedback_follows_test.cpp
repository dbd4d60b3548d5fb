#include "commissioning/feedback_follows.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using commissioning::FeedbackVerdict;
using commissioning::JudgeFeedback;

// A trapezoid of `peak` reached in `ramp` samples, held, and brought back.
std::vector<double> Trapezoid(double peak, int ramp, int hold) {
  std::vector<double> values;
  for (int k = 0; k < ramp; ++k) values.push_back(peak * k / ramp);
  for (int k = 0; k < hold; ++k) values.push_back(peak);
  for (int k = ramp; k >= 0; --k) values.push_back(peak * k / ramp);
  return values;
}

// A first-order follower of the reference, with `share` of it reached in
// the end (a loop without integral action), shifted by `start`.
std::vector<double> Follower(const std::vector<double>& reference, double pole, double share, double start) {
  std::vector<double> out;
  double y = 0.0;
  for (const double r : reference) {
    y += pole * (share * (r - reference.front()) - y);
    out.push_back(start + y);
  }
  return out;
}

using commissioning::Controlled;

TEST(FeedbackFollows, ALoopThatMovesWithItsReferenceFollowsHoweverSlowOrFar) {
  const std::vector<double> speed = Trapezoid(10.0, 200, 400);
  EXPECT_EQ(JudgeFeedback(Controlled::kSpeed, speed, speed), FeedbackVerdict::kFollows);
  EXPECT_EQ(JudgeFeedback(Controlled::kSpeed, speed, Follower(speed, 0.01, 1.0, 0.0)), FeedbackVerdict::kFollows);
  // A sluggish loop reaching a fifth of the speed still moved with it.
  EXPECT_EQ(JudgeFeedback(Controlled::kSpeed, speed, Follower(speed, 0.005, 0.2, 0.0)), FeedbackVerdict::kFollows);
  std::vector<double> backwards = speed;
  for (double& v : backwards) v = -v;
  EXPECT_EQ(JudgeFeedback(Controlled::kSpeed, backwards, Follower(backwards, 0.02, 1.0, 0.0)),
            FeedbackVerdict::kFollows);
  // Positions counted from an absolute encoder's reading far from the
  // target's zero.
  const std::vector<double> target = Trapezoid(8000.0, 100, 200);
  EXPECT_EQ(JudgeFeedback(Controlled::kPosition, target, Follower(target, 0.05, 1.0, 126703.0)),
            FeedbackVerdict::kFollows);
}

TEST(FeedbackFollows, FeedbackThatStaysPutIsStill) {
  const std::vector<double> speed = Trapezoid(10.0, 200, 400);
  EXPECT_EQ(JudgeFeedback(Controlled::kSpeed, speed, std::vector<double>(speed.size(), 0.0)),
            FeedbackVerdict::kStill);
  // A speed reading of a count now and then, either way.
  std::vector<double> jitter(speed.size(), 0.0);
  for (std::size_t k = 0; k < jitter.size(); k += 7) jitter[k] = (k % 2 == 0) ? 1.0 : -1.0;
  EXPECT_EQ(JudgeFeedback(Controlled::kSpeed, speed, jitter), FeedbackVerdict::kStill);
  // A reversed encoder's loop pushes the rotor back by a few counts until
  // the field holds it, then reads nothing more.
  std::vector<double> kicked(speed.size(), 0.0);
  for (std::size_t k = 20; k < 40; ++k) kicked[k] = (k % 3 == 0) ? -2.0 : -1.0;
  EXPECT_EQ(JudgeFeedback(Controlled::kSpeed, speed, kicked), FeedbackVerdict::kStill);
  // A position at an absolute encoder's reading, a count either side.
  const std::vector<double> target = Trapezoid(8000.0, 100, 200);
  std::vector<double> held(target.size(), 126703.0);
  for (std::size_t k = 0; k < held.size(); k += 3) held[k] += 1.0;
  EXPECT_EQ(JudgeFeedback(Controlled::kPosition, target, held), FeedbackVerdict::kStill);
}

TEST(FeedbackFollows, FeedbackThatGoesTheOtherWayIsReversed) {
  const std::vector<double> speed = Trapezoid(10.0, 200, 400);
  std::vector<double> mirrored = Follower(speed, 0.02, 1.0, 0.0);
  for (double& v : mirrored) v = -v;
  EXPECT_EQ(JudgeFeedback(Controlled::kSpeed, speed, mirrored), FeedbackVerdict::kReversed);
  const std::vector<double> target = Trapezoid(8000.0, 100, 200);
  std::vector<double> away = Follower(target, 0.05, 0.5, 0.0);
  for (double& p : away) p = 126703.0 - p;
  EXPECT_EQ(JudgeFeedback(Controlled::kPosition, target, away), FeedbackVerdict::kReversed);
}

TEST(FeedbackFollows, ALogThatCannotTellIsNoVerdictAgainstTheSensor) {
  EXPECT_EQ(JudgeFeedback(Controlled::kSpeed, {}, {}), FeedbackVerdict::kFollows);
  EXPECT_EQ(JudgeFeedback(Controlled::kPosition, {5.0}, {0.0}), FeedbackVerdict::kFollows);
  EXPECT_EQ(JudgeFeedback(Controlled::kPosition, std::vector<double>(50, 3.0), std::vector<double>(50, 0.0)),
            FeedbackVerdict::kFollows);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(JudgeFeedback(Controlled::kSpeed, {0.0, nan, 10.0}, {0.0, 0.0, 0.0}), FeedbackVerdict::kFollows);
  // Reference and feedback of different lengths are judged over both.
  const std::vector<double> speed = Trapezoid(10.0, 20, 40);
  const std::vector<double> shorter(speed.begin(), speed.begin() + 30);
  EXPECT_EQ(JudgeFeedback(Controlled::kSpeed, speed, shorter), FeedbackVerdict::kFollows);
}

TEST(FeedbackFollows, TheTextsNameTheSensorAndTheQuantity) {
  EXPECT_FALSE(commissioning::FeedbackFaultText(FeedbackVerdict::kFollows, Controlled::kSpeed));
  const auto still = commissioning::FeedbackFaultText(FeedbackVerdict::kStill, Controlled::kPosition);
  ASSERT_TRUE(still);
  EXPECT_NE(still->find("The measured position does not follow the position reference"), std::string::npos);
  EXPECT_NE(still->find("encoder signals are missing"), std::string::npos);
  const auto reversed = commissioning::FeedbackFaultText(FeedbackVerdict::kReversed, Controlled::kSpeed);
  ASSERT_TRUE(reversed);
  EXPECT_NE(reversed->find("The encoder signals are reversed"), std::string::npos);
}

}  // namespace
