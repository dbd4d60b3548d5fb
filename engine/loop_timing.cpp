#include "engine/loop_timing.h"

#include <cmath>
#include <fmt/format.h>

#include "engine/config_bits.h"
#include "engine/loop_periods.h"
#include "engine/parameter_limits.h"
#include "engine/setup_access.h"

namespace engine {
namespace {

// The current controller's output saturates at this share of the PWM
// period, per hertz of PWM frequency.
constexpr double kSatPwmPerHz = 0.13107;

std::optional<double> Positive(double value) {
  if (!std::isfinite(value) || value <= 0.0) return std::nullopt;
  return value;
}

int WritePeriod(CVX_Setup& setup, const char* name, std::optional<double> period_s) {
  CVX_Parameter* target = Find(setup, name);
  if (!target || !period_s) return 0;
  return WriteBase(target, *period_s);
}

std::optional<std::string> MinimumMessage(CVX_Setup& setup, const char* minimumName,
                                          std::optional<double> period_s, const char* loop) {
  const double minimum_s = Base(setup, minimumName).value_or(0.0);
  if (!(minimum_s > 0.0) || !period_s || !(minimum_s > *period_s)) return std::nullopt;
  return fmt::format(
      "The minimum value for {} loop sampling period is {:.3f} ms!\nPlease adjust the PWM frequency and/or the {} "
      "loop sampling frequency divider until this condition is fulfilled!",
      loop, minimum_s * 1000.0, loop);
}

}  // namespace

int ComputePWMPER(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "PWMPER");
  const auto clock_Hz = Base(setup, "DSP_freq");
  const auto pwm_Hz = Base(setup, "PWM_freq");
  if (!target || !clock_Hz || !pwm_Hz) return 0;
  const auto ticks = Positive(*clock_Hz * 0.5 / *pwm_Hz);
  if (!ticks) return 0;
  return WriteBase(target, *ticks);
}

int ComputeSATPWM(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "SATPWM");
  const auto pwm_Hz = Base(setup, "PWM_freq");
  const auto measurement = Base(setup, "CurrentMeasurementType");
  if (!target || !pwm_Hz || !measurement) return 0;
  return WriteBase(target, *measurement != 0.0 ? *pwm_Hz * kSatPwmPerHz : 0.0);
}

int RecoverPWM_freq(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "PWM_freq");
  const auto rate_Hz = PwmRate(setup);
  if (!target || !rate_Hz) return 0;
  return WriteBase(target, *rate_Hz);
}

int RecoverPWMperiod(CVX_Setup& setup) {
  const auto rate_Hz = PwmRate(setup);
  return WritePeriod(setup, "PWMperiod", rate_Hz ? Positive(1.0 / *rate_Hz) : std::nullopt);
}

int RecoverTs_C(CVX_Setup& setup) { return WritePeriod(setup, "Ts_C", FastLoopPeriod(setup)); }

int RecoverTs_S(CVX_Setup& setup) { return WritePeriod(setup, "Ts_S", SlowLoopPeriod(setup)); }

int RecoverPosSpd_in_FastLoop(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "PosSpd_in_FastLoop");
  if (!target) return 1;
  const auto word = Internal(setup, "UPGRADE");
  if (!word || !SetParameterLimits(target, 0.0, 1.0)) return 0;
  return WriteBase(target, (static_cast<Word>(static_cast<long long>(*word)) & upgrade::kFastLoopPosSpd) ? 1.0 : 0.0);
}

int RecomputeTimingParameters(CVX_Setup& setup) {
  int all = RecoverTs_S(setup);
  all &= RecoverTs_C(setup);
  all &= ComputePWMPER(setup);
  all &= ComputeSATPWM(setup);
  all &= RecoverPWMperiod(setup);
  return all;
}

std::optional<std::string> FastLoopMinimumMessage(CVX_Setup& setup) {
  return MinimumMessage(setup, "Ts_C_min", FastLoopPeriod(setup), "Fast");
}

std::optional<std::string> SlowLoopMinimumMessage(CVX_Setup& setup) {
  return MinimumMessage(setup, "Ts_S_min", SlowLoopPeriod(setup), "Slow");
}

std::string_view SlowLoopPeriodCaption(bool openLoop) {
  return openLoop ? "Speed/position loop sampling period = PWM period  x  Fast loop divider  x  8"
                  : "Speed/position loop sampling period = PWM period  x  Slow loop divider";
}

}  // namespace engine
