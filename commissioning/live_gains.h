#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

class CVX_Setup;

// The tuning tests' gains: which registers an edit of each recomputes, and
// which of them go to the drive at once while a run goes on, in the order
// the drive takes them.
namespace commissioning {

struct GainEdit {
  std::string_view user;                      // "Kp_S_scl"
  std::vector<int (*)(CVX_Setup&)> computes;  // in order
  int (*recover)(CVX_Setup&);                 // the value the registers hold
  std::vector<std::string_view> written;      // to the drive during a run, in order
};

// The edit of `user` (letter case ignored); nullptr for a value no register
// follows.
const GainEdit* FindGainEdit(std::string_view user);

// Computes the edit's registers and recovers the value they hold. False
// when a register function failed (a parameter missing).
bool ApplyGainEdit(CVX_Setup& setup, const GainEdit& edit);

// Registers a test wrote to the drive during its runs, so that a dialog that
// ends without OK can write them again as the setup, put back, holds them.
class DriveRegisterWrites {
 public:
  // Writes the edit's registers to the drive, each only after the previous
  // one succeeded. False, with the link's text in `error`, at the first
  // failure.
  bool WriteLive(CVX_Setup& setup, const GainEdit& edit, std::string& error);
  // Notes a register the drive holds from this test other than the setup's
  // (an override downloaded with a run).
  void Note(std::string_view name) { m_written.emplace(name); }
  // Writes every noted register from the setup again; the first failure
  // stops (the drive is then out of reach and the next run downloads the
  // setup anyway).
  void Restore(CVX_Setup& setup);
  bool Empty() const { return m_written.empty(); }

 private:
  std::set<std::string> m_written;
};

// A gain the person changed: its registers computed from the setup and,
// while a run goes on, written to the drive. False for a value no register
// follows. A failed live write is left to the run, which reads the drive's
// errors at its next tick.
bool ApplyGainChange(CVX_Setup& setup, std::string_view user, DriveRegisterWrites& writes, bool running);

}  // namespace commissioning
