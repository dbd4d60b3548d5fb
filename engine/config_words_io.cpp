#include "engine/config_words_io.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "engine/config_bits.h"
#include "engine/config_words_common.h"
#include "engine/setup_access.h"
#include "kernel/setup.h"

namespace engine {
namespace {

using words::IsSet;
using words::WithBits;

int RecoverWordFlag(CVX_Setup& setup, std::string_view wordName, std::string_view flag, Word mask, bool whenSet) {
  const auto word = words::Read(setup, wordName);
  if (!word) return 0;
  return words::RecoverFlag(setup, flag, IsSet(*word, mask) == whenSet);
}

int RecoverPolarity(CVX_Setup& setup, digin::PolarityIndex index) {
  const digin::PolarityBit& bit = digin::kPolarities[index];
  return RecoverWordFlag(setup, digin::kName, bit.flag, bit.mask, true);
}

std::optional<int> InternalInteger(CVX_Setup& setup, std::string_view name) {
  const auto value = Internal(setup, name);
  if (!value || *value < -1e9 || *value > 1e9) return std::nullopt;
  return static_cast<int>(std::lround(*value));
}

}  // namespace

int ComputeUPGRADE(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, upgrade::kName);
  const auto old = words::Read(setup, upgrade::kName);
  const auto limitMaximum = words::Flag(setup, "isLimitMaximum");
  if (!target || !old || !limitMaximum) return 0;
  Word word = *old & ~upgrade::kAlwaysCleared;
  word = WithBits(word, upgrade::kLimitMaximum, *limitMaximum);

  if (Has(setup, "PosSpd_in_FastLoop")) {
    const auto control = words::Choice(setup, "StepperControlType");
    if (!control) return 0;
    if (*control != choice::kOpenLoop) {
      const auto fastLoop = words::Flag(setup, "PosSpd_in_FastLoop");
      const auto motor = words::Choice(setup, "MotorSensorType");
      const auto load = words::Choice(setup, "LoadSensorType");
      if (!fastLoop || !motor || !load) return 0;
      // The fast loop can only read a single incremental motor encoder.
      word = WithBits(word, upgrade::kFastLoopPosSpd,
                      *fastLoop && *motor == choice::kIncremental && *load == choice::kNoSensor);
    }
  }

  if (Has(setup, "MotionCompleteDefaultSettings")) {
    const auto type = words::Choice(setup, "MotionCompleteType");
    if (!type) return 0;
    word = WithBits(word, upgrade::kDefaultMotionComplete, *type == 0);
  }
  return words::Write(target, word);
}

int RecoverIsLimitMaximum(CVX_Setup& setup) {
  return RecoverWordFlag(setup, upgrade::kName, "isLimitMaximum", upgrade::kLimitMaximum, true);
}

int RecoverMotionCompleteType(CVX_Setup& setup) {
  if (!Has(setup, "MotionCompleteDefaultSettings")) return 0;
  return RecoverWordFlag(setup, upgrade::kName, "MotionCompleteType", upgrade::kDefaultMotionComplete, false);
}

int ComputeDIGIN_ACTIVE_LEVEL(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, digin::kName);
  const auto old = words::Read(setup, digin::kName);
  if (!target || !old) return 0;
  Word word = *old;
  for (const digin::PolarityBit& bit : digin::kPolarities) {
    const auto on = words::Flag(setup, bit.flag);
    if (!on) return 0;
    word = WithBits(word, bit.mask, *on);
  }
  return words::Write(target, word);
}

int RecoverEnablePolarity(CVX_Setup& setup) { return RecoverPolarity(setup, digin::kEnable); }
int RecoverLSNPolarity(CVX_Setup& setup) { return RecoverPolarity(setup, digin::kNegativeLimitSwitch); }
int RecoverLSPPolarity(CVX_Setup& setup) { return RecoverPolarity(setup, digin::kPositiveLimitSwitch); }

int ComputeBRAKECFG(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, brakecfg::kName);
  const auto old = words::Read(setup, brakecfg::kName);
  const auto enabled = Internal(setup, "isMotorBrake");
  const auto port = InternalInteger(setup, "MotorBrake_output");
  if (!target || !old || !enabled || !port) return 0;
  // An unknown port gives pin -1, which would wrap the word to 0 and drop
  // the enable bit: the pin already stored stays instead.
  const int pin = setup.GetIOPinFromPort(*port);
  const Word pinField =
      pin >= 0 && pin <= brakecfg::kPinMax ? static_cast<Word>(pin) << brakecfg::kPinShift : *old & brakecfg::kPinField;
  return words::Write(target, pinField | (*enabled != 0.0 ? brakecfg::kEnabled : 0));
}

int RecoverIsMotorBrake(CVX_Setup& setup) {
  const auto word = words::Read(setup, brakecfg::kName);
  if (!word) return 0;
  return words::RecoverValueInternal(setup, "isMotorBrake", IsSet(*word, brakecfg::kEnabled) ? 1 : 0, 0.0, 1.0);
}

int RecoverMotorBrake_output(CVX_Setup& setup) {
  const auto word = words::Read(setup, brakecfg::kName);
  const auto& ports = setup.GetCapabilities().ioPorts;
  if (!word || !Has(setup, "isMotorBrake") || ports.empty()) return 0;
  const int port = setup.GetIOPortFromPin(static_cast<int>((*word & brakecfg::kPinField) >> brakecfg::kPinShift));
  if (port < 0) return 0;
  const auto [lowest, highest] = std::minmax_element(
      ports.begin(), ports.end(), [](const CVX_IOPort& a, const CVX_IOPort& b) { return a.port < b.port; });
  return words::RecoverValueInternal(setup, "MotorBrake_output", port, lowest->port, highest->port);
}

int ComputeLSS_Active(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, lss::kName);
  const auto baudRateSaved = words::Flag(setup, "save_CAN_baudrate");
  const auto axisIdSaved = words::Flag(setup, "save_axis_id");
  if (!target || !baudRateSaved || !axisIdSaved) return 0;
  const Word word = (*axisIdSaved ? 0 : lss::kAxisIdNotSaved) | (*baudRateSaved ? 0 : lss::kBaudRateNotSaved);
  return words::Write(target, word);
}

int RecoverSave_CAN_baudrate(CVX_Setup& setup) {
  return RecoverWordFlag(setup, lss::kName, "save_CAN_baudrate", lss::kBaudRateNotSaved, false);
}

int RecoverSave_axis_id(CVX_Setup& setup) {
  return RecoverWordFlag(setup, lss::kName, "save_axis_id", lss::kAxisIdNotSaved, false);
}

}  // namespace engine
