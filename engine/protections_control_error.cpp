#include <algorithm>
#include <cmath>

#include "engine/config_bits.h"
#include "engine/config_words_common.h"
#include "engine/loop_periods.h"
#include "engine/protections.h"
#include "engine/protections_detail.h"
#include "engine/scales.h"
#include "engine/setup_access.h"

namespace engine {
namespace {

using protection::kTicksDisabled;
using protection::kTicksMax;
using protection::kTimeMin_s;
using protection::RecoverInto;

// "ERRMAX" and "SERRMAX" are 16-bit; "ERRMAXL" holds a signed 32-bit limit.
constexpr double kShortErrorMax = 32767.0;
constexpr double kLongErrorMax = 2147483647.0;
constexpr double kSpeedErrorMin = 0.001;
// "TonPosOkUser" may use the whole 16-bit register.
constexpr double kCorrectionDelayTicksMax = 65535.0;
// An enabled protection never writes the count that means "disabled".
constexpr double kEnabledTicksMax = kTicksDisabled - 1.0;

std::optional<double> PositionMagnitude(CVX_Setup& setup) {
  const auto ps = PositionScale(setup);
  if (!ps) return std::nullopt;
  return std::fabs(*ps);
}

std::optional<double> SpeedMagnitude(CVX_Setup& setup) {
  const auto ss = SpeedScale(setup);
  if (!ss) return std::nullopt;
  return std::fabs(*ss);
}

// Open-loop correction with the encoder on the load takes over the position
// error registers.
bool LoadCorrectionMode(CVX_Setup& setup) { return words::FlagIfPresent(setup, "SOLmodeEncOnLoad"); }

int ComputePositionErrorLimit(CVX_Setup& setup, std::string_view reg) {
  CVX_Parameter* target = Find(setup, reg);
  const auto error = Base(setup, LoadCorrectionMode(setup) ? "ErrMaxUser" : "ERR_position");
  const auto ps = PositionMagnitude(setup);
  if (!target || !error || !ps) return 0;
  return WriteInternal(target, *error * *ps);
}

// Slow-loop samples of `time` while `enable` is 1, else the disabled count.
std::optional<double> ProtectionTicks(CVX_Setup& setup, std::string_view enable, std::string_view time) {
  const auto on = words::Flag(setup, enable);
  if (!on) return std::nullopt;
  if (!*on) return kTicksDisabled;
  const auto time_s = Base(setup, time);
  const auto ts = SlowLoopPeriod(setup);
  if (!time_s || !ts) return std::nullopt;
  // A time that rounds to 65535 samples would switch the protection off.
  return std::min(*time_s / *ts, kEnabledTicksMax);
}

std::optional<double> CorrectionDelayTicks(CVX_Setup& setup) {
  const auto delay_s = Base(setup, "TonPosOkUser");
  const auto ts = SlowLoopPeriod(setup);
  if (!delay_s || !ts) return std::nullopt;
  return *delay_s / *ts;
}

int RecoverEnabled(CVX_Setup& setup, std::string_view flag, std::string_view reg) {
  const auto ticks = Internal(setup, reg);
  if (!ticks) return 0;
  return words::RecoverFlag(setup, flag, *ticks != kTicksDisabled);
}

}  // namespace

// ----- position control error -----

int ComputeERRMAX(CVX_Setup& setup) { return ComputePositionErrorLimit(setup, "ERRMAX"); }
int ComputeERRMAXL(CVX_Setup& setup) { return ComputePositionErrorLimit(setup, "ERRMAXL"); }

int ComputeTERRMAX(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "TERRMAX");
  const auto ticks = LoadCorrectionMode(setup) ? CorrectionDelayTicks(setup)
                                                : ProtectionTicks(setup, "isPositionControlError", "time_ERR_pos");
  if (!target || !ticks) return 0;
  return WriteInternal(target, *ticks);
}

int RecoverIsPositionControlError(CVX_Setup& setup) {
  return RecoverEnabled(setup, "isPositionControlError", "TERRMAX");
}

int RecoverERR_position(CVX_Setup& setup) {
  const bool hasLong = Has(setup, "ERRMAXL");
  const auto counts = Internal(setup, hasLong ? "ERRMAXL" : "ERRMAX");
  const auto ps = PositionMagnitude(setup);
  if (!counts || !ps) return 0;
  const double max = (hasLong ? kLongErrorMax : kShortErrorMax) / *ps;
  return RecoverInto(setup, "ERR_position", 0.0, max, *counts / *ps);
}

int RecoverTime_ERR_pos(CVX_Setup& setup) {
  return protection::RecoverTime(setup, "time_ERR_pos", "TERRMAX", kTimeMin_s);
}

int RecoverErrMaxUser(CVX_Setup& setup) {
  const auto osr = words::Read(setup, osr::kName);
  const auto loadSensor = words::Choice(setup, "LoadSensorType");
  if (!osr || !loadSensor) return 0;
  const bool onLoad = words::IsSet(*osr, osr::kEncoderOnLoad) && !words::IsSet(*osr, osr::kClosedLoop) &&
                      *loadSensor != choice::kNoSensor;
  if (!onLoad) return 1;
  const auto counts = Internal(setup, Has(setup, "ERRMAXL") ? "ERRMAXL" : "ERRMAX");
  const auto ps = PositionMagnitude(setup);
  if (!counts || !ps) return 0;
  return RecoverInto(setup, "ErrMaxUser", 0.0, kShortErrorMax / *ps, *counts / *ps);
}

int RecoverTonPosOkUser(CVX_Setup& setup) {
  const auto ticks = Internal(setup, "TERRMAX");
  const auto ts = SlowLoopPeriod(setup);
  if (!ticks || !ts) return 0;
  return RecoverInto(setup, "TonPosOkUser", 0.0, kCorrectionDelayTicksMax * *ts, *ticks * *ts);
}

// ----- speed control error -----

int ComputeSERRMAX(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "SERRMAX");
  const auto error = Base(setup, "ERR_speed");
  const auto ss = SpeedMagnitude(setup);
  if (!target || !error || !ss) return 0;
  return WriteInternal(target, *error * *ss);
}

int ComputeTSERRMAX(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "TSERRMAX");
  const auto ticks = ProtectionTicks(setup, "isSpeedControlError", "time_ERR_spd");
  if (!target || !ticks) return 0;
  return WriteInternal(target, *ticks);
}

int RecoverIsSpeedControlError(CVX_Setup& setup) { return RecoverEnabled(setup, "isSpeedControlError", "TSERRMAX"); }

int RecoverERR_speed(CVX_Setup& setup) {
  const auto counts = Internal(setup, "SERRMAX");
  const auto ss = SpeedMagnitude(setup);
  if (!counts || !ss) return 0;
  const double max = kShortErrorMax / *ss;
  // Where the whole register spans less than the usual minimum, the range
  // starts at one count instead.
  const double min = max < kSpeedErrorMin ? 1.0 / *ss : kSpeedErrorMin;
  return RecoverInto(setup, "ERR_speed", min, max, *counts / *ss);
}

int RecoverTime_ERR_spd(CVX_Setup& setup) {
  return protection::RecoverTime(setup, "time_ERR_spd", "TSERRMAX", kTimeMin_s);
}

}  // namespace engine
