#include "engine/config_words_protection.h"

#include <optional>

#include "engine/config_bits.h"
#include "engine/config_words_common.h"
#include "engine/setup_access.h"

namespace engine {
namespace {

int RecoverPcrFlag(CVX_Setup& setup, pcr::FlagIndex index, double high = 1.0) {
  const pcr::FlagBit& bit = pcr::kFlags[index];
  const auto word = words::Read(setup, pcr::kName);
  if (!word) return 0;
  return words::RecoverValue(setup, bit.flag, words::IsSet(*word, bit.mask) ? 1 : 0, 0.0, high);
}

}  // namespace

int ComputePCR(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, pcr::kName);
  const auto old = words::Read(setup, pcr::kName);
  if (!target || !old) return 0;
  Word word = *old & pcr::kKept;
  for (const pcr::FlagBit& bit : pcr::kFlags) {
    const auto on = words::Flag(setup, bit.flag);
    if (!on) return 0;
    word = words::WithBits(word, bit.mask, *on);
  }
  return words::Write(target, word);
}

int RecoverIsOverCurrent(CVX_Setup& setup) { return RecoverPcrFlag(setup, pcr::kOverCurrent); }
int RecoverIsMotorI2t(CVX_Setup& setup) { return RecoverPcrFlag(setup, pcr::kMotorI2t); }
int RecoverIsMotorOverTemp(CVX_Setup& setup) {
  return RecoverPcrFlag(setup, pcr::kMotorOverTemp, OptionSet(setup, "DisableMotorTemperature") ? 0.0 : 1.0);
}
int RecoverIsDriveOverTemp(CVX_Setup& setup) { return RecoverPcrFlag(setup, pcr::kDriveOverTemp); }
int RecoverIsOverVoltage(CVX_Setup& setup) { return RecoverPcrFlag(setup, pcr::kOverVoltage); }
int RecoverIsUnderVoltage(CVX_Setup& setup) { return RecoverPcrFlag(setup, pcr::kUnderVoltage); }
int RecoverIsDriveI2t(CVX_Setup& setup) { return RecoverPcrFlag(setup, pcr::kDriveI2t); }

}  // namespace engine
