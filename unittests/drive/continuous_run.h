#pragma once

#include <string>
#include <string_view>

#include "drive/sim_bench.h"
#include "kernel/coff_format.h"
#include "kernel/program_run.h"
#include "kernel/setup.h"
#include "kernel/variable.h"

// A program that runs until the test stops it, started the way the
// continuous tests start it, on the bench's drive; drive time moves on
// only when the test says so.
class ContinuousRun {
 public:
  ContinuousRun(SimBench& bench, std::string_view program)
      : bench_(bench), program_(program), image_(kernel::GetOutPathName(program)) {
    loaded_ = image_.ReadCoff();
  }
  // Starts it with the inputs written to image() so far.
  bool Start() {
    return loaded_ && kernel::ExecuteCode(bench_.setup(), program_, image_, nullptr, nullptr, nullptr);
  }
  CVX_CoffFormat& image() { return image_; }
  void RunFor(double seconds) { bench_.drive().AdvanceTo(bench_.drive().drive_time_s() + seconds); }
  // Writes a drive variable as the test does ("var_i2" = 1 is the encoder
  // tests' Stop, "VAR_STATUS" the voltage test's answer).
  bool Write(const char* variable, double value) {
    CVX_Variable* v = bench_.setup().FindVariable(variable, 1);
    return v != nullptr && v->SetValueInInternalUnit(value) && v->WriteToChip();
  }
  bool Stop() {
    if (!Write("var_i2", 1)) return false;
    RunFor(0.01);
    return !bench_.drive().running();
  }

 private:
  SimBench& bench_;
  std::string program_;
  CVX_CoffFormat image_;
  bool loaded_ = false;
};
