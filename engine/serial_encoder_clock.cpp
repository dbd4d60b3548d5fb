#include "engine/serial_encoder_clock.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "engine/feedback_sensors.h"
#include "engine/loop_periods.h"
#include "engine/scales.h"
#include "engine/serial_encoder.h"
#include "engine/setup_access.h"
#include "kernel/setup.h"
#include "kernel/value_type.h"

namespace engine {
namespace {

constexpr double kDefaultSerialClock_Hz = 60000000.0;
constexpr double kHzPerKHz = 1000.0;
constexpr double kReadTimeRate_Hz = 1000000.0;  // "AEI_ReadTime1Mhz" is the read-out time at 1 MHz
constexpr int kDefaultClockMode = 2;
// The read-out timer counts 16 bits; its prescaler divides by up to 2^7.
constexpr double kTimerSpanLog2 = 15.0;
constexpr double kPrescalerMax = 7.0;
constexpr double kCompareMin = 1.0;
constexpr int kUInt32Type = static_cast<int>(kernel::ValueType::kUInt32);

constexpr std::string_view kDivider = "SSIBR";
constexpr std::string_view kPrescaler = "AEI_CLKDIV";

std::optional<double> Positive(std::optional<double> v) {
  if (!v || !std::isfinite(*v) || *v <= 0.0) return std::nullopt;
  return v;
}

// The divider for a bit rate: the nearest whole divider, but never one that
// slows the clock below the floor, where the read-out would overrun the loop.
double DividerFor(double source_Hz, double rate_Hz, const SerialClockFloor& floor) {
  const double nearest = std::round(source_Hz / rate_Hz - 1.0);
  if (!floor.reachable || floor.rate_Hz <= 0.0) return nearest;
  const double slowest = std::floor(source_Hz / floor.rate_Hz - 1.0);
  return slowest >= 0.0 ? std::min(nearest, slowest) : nearest;
}

struct ReadOutLoop {
  std::string_view divider;  // PWM periods per loop period
  std::optional<double> period_s;
};

std::optional<ReadOutLoop> ReadOutLoopOf(CVX_Setup& setup) {
  const auto load = SerialRegistersDescribeLoad(setup);
  if (!load) return std::nullopt;
  if (*load) return ReadOutLoop{"SLPER", SlowLoopPeriod(setup)};
  return ReadOutLoop{"CLPER", FastLoopPeriod(setup)};
}

std::optional<int> SensorTypeOn(CVX_Setup& setup, bool load) {
  return ReadChoice(setup, load ? "LoadSensorType" : "MotorSensorType");
}

bool SameLength(const CVX_FrequencyList& list) { return list.kHz.size() == list.codes.size(); }

}  // namespace

std::optional<double> SerialClockSource(CVX_Setup& setup) {
  for (std::string_view name : {"DSP2_freq", "DSP_freq"})
    if (Has(setup, name)) return Positive(Base(setup, name));
  return kDefaultSerialClock_Hz;
}

std::optional<SerialClockFloor> MinimumSerialClock(CVX_Setup& setup) {
  const auto readTime_s = Base(setup, "AEI_ReadTime1Mhz");
  const auto transfer_s = Base(setup, "AEI_TransferTime");
  const auto guard_s = Base(setup, "AEI_GuardTime");
  const auto compute_s = Base(setup, "AEI_ComputeTime");
  const auto processor_Hz = Positive(Base(setup, "DSP_freq"));
  const auto period_s = FastLoopPeriod(setup);
  if (!readTime_s || !transfer_s || !guard_s || !compute_s || !processor_Hz || !period_s) return std::nullopt;
  const double left_s = *period_s - 1.0 / *processor_Hz - *transfer_s - *guard_s - *compute_s;
  if (!(left_s > 0.0)) return SerialClockFloor{false, 0.0};
  const double rate_Hz = *readTime_s * kReadTimeRate_Hz / left_s;
  if (!std::isfinite(rate_Hz)) return std::nullopt;
  return SerialClockFloor{true, std::max(0.0, std::ceil(rate_Hz))};
}

double RaiseToFloor(double rate_Hz, const SerialClockFloor& floor) {
  return floor.reachable ? std::max(rate_Hz, floor.rate_Hz) : rate_Hz;
}

std::optional<double> EffectiveSerialClock(CVX_Setup& setup) {
  const auto names = DescribedSerialSensor(setup);
  if (!names) return std::nullopt;
  const auto rate_Hz = Base(setup, names->clock_Hz);
  const auto floor = MinimumSerialClock(setup);
  if (!rate_Hz || !floor) return std::nullopt;
  return Positive(RaiseToFloor(*rate_Hz, *floor));
}

const CVX_FrequencyList& SerialClockList(const CVX_Setup& setup, bool load, bool biss) {
  if (load) return biss ? setup.GetBiSSFreqList_LD() : setup.GetSSIFreqList_LD();
  return biss ? setup.GetBiSSFreqList() : setup.GetSSIFreqList();
}

std::optional<double> ListedClock(std::span<const int> kHz, double rate_Hz) {
  if (kHz.empty()) return std::nullopt;
  if (kHz.size() == 1) return kHz[0] * kHzPerKHz;
  for (size_t k = 1; k < kHz.size(); ++k) {
    const double a = kHz[k - 1] * kHzPerKHz;
    const double b = kHz[k] * kHzPerKHz;
    if (a == rate_Hz || b == rate_Hz) return rate_Hz;
    const double low = std::min(a, b);
    const double high = std::max(a, b);
    if (low < rate_Hz && rate_Hz < high) return rate_Hz - low <= high - rate_Hz ? low : high;
  }
  return kHz[0] * kHzPerKHz;
}

std::optional<int> ClockModeFor(const CVX_FrequencyList& list, double rate_Hz) {
  if (!SameLength(list)) return std::nullopt;
  for (size_t k = 0; k < list.kHz.size(); ++k)
    if (list.kHz[k] * kHzPerKHz == rate_Hz) return list.codes[k];
  return kDefaultClockMode;
}

// ----- bit rate -----

void WidenClockParameter(CVX_Parameter& parameter) {
  if (parameter.GetSizeInWords() == 1) parameter.ChangeType(kUInt32Type);
}

int ComputeSSIBR(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, kDivider);
  const auto source_Hz = SerialClockSource(setup);
  const auto rate_Hz = EffectiveSerialClock(setup);
  const auto floor = MinimumSerialClock(setup);
  if (!target || !source_Hz || !rate_Hz || !floor) return 0;
  return WriteInternal(target, DividerFor(*source_Hz, *rate_Hz, *floor));
}

int RecoverSerialClock(CVX_Setup& setup, bool load) {
  const SerialSensorNames& names = load ? kLoadSerialSensor : kMotorSerialSensor;
  CVX_Parameter* target = Find(setup, names.clock_Hz);
  const CVX_Parameter* divider = Find(setup, kDivider);
  const auto type = SensorTypeOn(setup, load);
  const auto source_Hz = SerialClockSource(setup);
  const auto floor = MinimumSerialClock(setup);
  const auto described = RegistersDescribe(setup, names);
  if (!target || !divider || !type || !source_Hz || !floor || !described) return 0;
  if (!*described) return 1;
  const CVX_FrequencyList& list = SerialClockList(setup, load, *type == kSensorBiss);
  const double divisor = divider->GetValueInInternalUnit() + 1.0;
  if (!SameLength(list) || !std::isfinite(divisor) || divisor <= 0.0) return 0;
  const auto listed_Hz = ListedClock(list.kHz, *source_Hz / divisor);
  if (!listed_Hz) return 0;
  // A clock the computation raised to the floor comes back as the nearer
  // listed rate, which the next computation then gives the drive: the trip
  // settles there instead of keeping a rate no list entry shows.
  WidenClockParameter(*target);
  return WriteBase(target, RaiseToFloor(*listed_Hz, *floor));
}

int RecoverSSI_freq(CVX_Setup& setup) { return RecoverSerialClock(setup, false); }

int RecoverSSI_freq_LD(CVX_Setup& setup) { return RecoverSerialClock(setup, true); }

int ComputeSPICLKMODE(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "SPICLKMODE");
  const auto load = SerialRegistersDescribeLoad(setup);
  const auto names = DescribedSerialSensor(setup);
  if (!target || !load || !names) return 0;
  // The chosen rate's code: a rate raised to the floor lies off the list and
  // would get the default code of no entry near it.
  const auto rate_Hz = Base(setup, names->clock_Hz);
  if (!rate_Hz) return 0;
  const auto type = SensorTypeOn(setup, *load);
  if (!type) return 0;
  const auto mode = ClockModeFor(SerialClockList(setup, *load, *type == kSensorBiss), *rate_Hz);
  if (!mode) return 0;
  return WriteInternal(target, *mode);
}

bool HasSerialClockMode(CVX_Setup& setup) { return Has(setup, "SPICLKMODE"); }

// ----- read-out timing -----

int ComputeAEI_CLKDIV(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, kPrescaler);
  const auto loop = ReadOutLoopOf(setup);
  if (!target || !loop) return 0;
  const auto pwm = Internal(setup, "PWMPER");
  const auto periods = Internal(setup, loop->divider);
  if (!pwm || !periods) return 0;
  const double halfTicks = *pwm * *periods;
  if (!std::isfinite(halfTicks) || halfTicks <= 0.0) return 0;
  const double prescaler = std::ceil(std::log2(halfTicks) - kTimerSpanLog2);
  return WriteInternal(target, std::clamp(prescaler, 0.0, kPrescalerMax));
}

int ComputeAEI_PER(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "AEI_PER");
  const auto loop = ReadOutLoopOf(setup);
  const auto prescaler = Internal(setup, kPrescaler);
  if (!target || !loop || !prescaler) return 0;
  const auto pwm = Internal(setup, "PWMPER");
  const auto periods = Internal(setup, loop->divider);
  if (!pwm || !periods) return 0;
  return WriteInternal(target, *pwm * *periods * 2.0 / std::exp2(*prescaler) - 1.0);
}

int ComputeAEI_CMPTIME(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "AEI_CMPTIME");
  const auto loop = ReadOutLoopOf(setup);
  const auto prescaler = Internal(setup, kPrescaler);
  const auto processor_Hz = Base(setup, "DSP_freq");
  const auto transfer_s = Base(setup, "AEI_TransferTime");
  const auto guard_s = Base(setup, "AEI_GuardTime");
  const auto compute_s = Base(setup, "AEI_ComputeTime");
  const auto readTime_s = Base(setup, "AEI_ReadTime1Mhz");
  const auto rate_Hz = EffectiveSerialClock(setup);
  if (!target || !loop || !loop->period_s || !prescaler || !processor_Hz || !transfer_s || !guard_s ||
      !compute_s || !readTime_s || !rate_Hz)
    return 0;
  const double read_s = kReadTimeRate_Hz / *rate_Hz * *readTime_s;
  const double left_s = *loop->period_s - *transfer_s - *guard_s - (*compute_s + read_s);
  const double count = *processor_Hz * left_s / std::exp2(*prescaler);
  return WriteInternal(target, std::max(count, kCompareMin));
}

}  // namespace engine
