#pragma once

#include <optional>
#include <span>

#include "kernel/drive_description.h"

class CVX_Parameter;
class CVX_Setup;

// The clock of the SSI or BiSS encoder and the timing of its read-out. The
// drive divides a processor clock down to the encoder's bit rate ("SSIBR")
// and reads the encoder once per loop period: every "CLPER" PWM periods for
// a motor sensor (fast loop), every "SLPER" for a load sensor (slow loop).
// The registers describe one sensor, chosen as in serial_encoder.h.
//
// Register functions return 1, or 0 with nothing written when a parameter
// they need is missing or a value would not be finite.
namespace engine {

// The clock that "SSIBR" divides: "DSP2_freq", else "DSP_freq", else 60 MHz.
// nullopt when the one found is not a positive number.
std::optional<double> SerialClockSource(CVX_Setup& setup);

// The lowest bit rate at which one read-out still fits into a fast-loop
// period: "AEI_ReadTime1Mhz" * 10^6 / (Ts_C - 1 / "DSP_freq" -
// "AEI_TransferTime" - "AEI_GuardTime" - "AEI_ComputeTime"), the read-out
// taking "AEI_ReadTime1Mhz" seconds at 1 MHz.
struct SerialClockFloor {
  // false when the fixed parts of the read-out alone fill the period: no
  // bit rate is fast enough, and none is raised.
  bool reachable = true;
  // Rounded up to whole hertz, the resolution of the frequency parameters,
  // so that a rate raised to it still fits and reads back unchanged.
  double rate_Hz = 0.0;
};
// nullopt when a parameter is missing.
std::optional<SerialClockFloor> MinimumSerialClock(CVX_Setup& setup);
double RaiseToFloor(double rate_Hz, const SerialClockFloor& floor);

// The bit rate the drive is given for the described sensor: its frequency
// parameter raised to the floor. nullopt when missing or not positive.
std::optional<double> EffectiveSerialClock(CVX_Setup& setup);

// The selectable bit rates of an input (the load's or the motor's): the BiSS
// list when the sensor there is BiSS, else the SSI list.
const CVX_FrequencyList& SerialClockList(const CVX_Setup& setup, bool load, bool biss);

// The listed rate that a divided clock of `rate_Hz` stands for. One entry:
// that entry, whatever the rate. Several: the rate itself when it equals an
// entry; when it lies between two neighbours, the nearer (the lower on a
// tie); otherwise the first entry. nullopt for an empty list.
std::optional<double> ListedClock(std::span<const int> kHz, double rate_Hz);
// The clock-mode code of the first entry equal to `rate_Hz`, 2 with none;
// nullopt when the two lists differ in length.
std::optional<int> ClockModeFor(const CVX_FrequencyList& list, double rate_Hz);

// A frequency parameter of one word cannot hold a bit rate above 65535 Hz:
// gives it the unsigned 32-bit type (4).
void WidenClockParameter(CVX_Parameter& parameter);

// "SSIBR" = clock source / effective bit rate - 1, to the nearest whole
// divider, but never one that slows the clock below the floor.
int ComputeSSIBR(CVX_Setup& setup);

// A sensor's frequency parameter back from "SSIBR": the listed rate of the
// divided clock, raised to the floor. A frequency parameter of one word is
// widened to 32 bits first. 0 with nothing changed when the list is empty or
// its two lists differ in length; 1 with nothing changed while the
// registers describe the other sensor.
int RecoverSerialClock(CVX_Setup& setup, bool load);
int RecoverSSI_freq(CVX_Setup& setup);
int RecoverSSI_freq_LD(CVX_Setup& setup);

// "SPICLKMODE": the clock-mode code of the described sensor's frequency
// parameter (as chosen, not raised to the floor) in its input's list. Only
// firmware that has the register.
int ComputeSPICLKMODE(CVX_Setup& setup);
bool HasSerialClockMode(CVX_Setup& setup);

// The read-out timer, computed in this order. A loop period lasts 2
// "PWMPER" * P processor ticks, P being "CLPER" for a motor sensor and
// "SLPER" for a load sensor. "AEI_CLKDIV" = ceil(log2("PWMPER" * P * 2^-15))
// within 0..7, the prescaler that fits the period into 16 bits; "AEI_PER" =
// 2 "PWMPER" * P / 2^"AEI_CLKDIV" - 1; "AEI_CMPTIME", the timer count by
// which the read-out is complete: the loop period less transfer, guard,
// compute and read time at the effective bit rate, in prescaled ticks of
// "DSP_freq", at least 1.
int ComputeAEI_CLKDIV(CVX_Setup& setup);
int ComputeAEI_PER(CVX_Setup& setup);
int ComputeAEI_CMPTIME(CVX_Setup& setup);

}  // namespace engine
