#pragma once

// The motor phase connection check: the currents that flowed in phases A and
// B when the test drove the positioning voltage through A and back through B
// (three phases: along A, so B carries minus half of A).
namespace commissioning {

// A phase current in amperes from converter counts, rounded to 2 decimals:
// "ImaxPS" var 2 / ADCMax. NaN for a converter maximum of 0.
double PhaseCurrent_A(double counts, double imax_ps_A, double adc_max);

// |IA / IB|, or 1000 when IB is 0.
double PhaseCurrentRatio(double ia_A, double ib_A);

// Two phases: the currents are alike in size (0.8 < ratio < 1.2),
// IA > 0.5 I and IB < 2 I. Three phases: 1.5 < ratio < 2.5,
// 0.6 I < IA < 1.4 I, IA > 0 and IB < 0. I is the test current in amperes.
// A value that is not finite never passes.
bool PhaseConnectionPasses(double ia_A, double ib_A, double test_A, bool three_phase);

}  // namespace commissioning
