#pragma once

#include <array>
#include <string_view>

class CVX_Setup;

// Gain, feed-forward, first-order filter and step-scale registers: one
// computation per register (user parameters -> register) and one recovery
// per user parameter (registers -> user parameter), side by side.
//
// Every function returns 1, or 0 with nothing written when a parameter it
// needs is missing or a value would not be finite. A recovery first sets its
// user parameter's limits to what the registers can represent.
namespace engine {

// A scaled gain: a mantissa register and a shift register per user gain.
struct ScaledGainRow {
  std::string_view user;
  std::string_view mantissa;
  std::string_view shift;
};

// Rows of kScaledGains, in its order.
enum ScaledGainIndex : size_t {
  kGainKpC,
  kGainKiC,
  kGainKpS,
  kGainKiS,
  kGainKpP,
  kGainKiP,
  kGainKdP,
  kGainKffS,
  kGainKpT,
  kGainKiT,
  kScaledGainCount,
};

inline constexpr std::array<ScaledGainRow, kScaledGainCount> kScaledGains{{
    {"Kp_C_scl", "KPI", "SFTKPI"},
    {"Ki_C_scl", "KII", "SFTKII"},
    {"Kp_S_scl", "KPS", "SFTKPS"},
    {"Ki_S_scl", "KIS", "SFTKIS"},
    {"Kp_P_scl", "KPP", "SFTKPP"},
    {"Ki_P_scl", "KIP", "SFTKIP"},
    {"Kd_P_scl", "KDP", "SFTKDP"},
    {"KFFS_scl", "KFFS", "SFTSFFW"},
    {"Kp_T_scl", "KPTHT", "SFTKPTHT"},
    {"Ki_T_scl", "KITHT", "SFTKITHT"},
}};

// The row of a user gain (letter case ignored); nullptr for none.
const ScaledGainRow* FindScaledGain(std::string_view user);

// Each of the pair is computed from the user gain alone: the mantissa does
// not read the shift register.
int ComputeScaledGainShift(CVX_Setup& setup, const ScaledGainRow& row);
int ComputeScaledGainMantissa(CVX_Setup& setup, const ScaledGainRow& row);
// Limits [0, 16384], then mantissa * 2^shift / 32767.
int RecoverScaledGain(CVX_Setup& setup, const ScaledGainRow& row);

int ComputeSFTKPI(CVX_Setup& setup);
int ComputeKPI(CVX_Setup& setup);
int RecoverKp_C_scl(CVX_Setup& setup);
int ComputeSFTKII(CVX_Setup& setup);
int ComputeKII(CVX_Setup& setup);
int RecoverKi_C_scl(CVX_Setup& setup);
int ComputeSFTKPS(CVX_Setup& setup);
int ComputeKPS(CVX_Setup& setup);
int RecoverKp_S_scl(CVX_Setup& setup);
int ComputeSFTKIS(CVX_Setup& setup);
int ComputeKIS(CVX_Setup& setup);
int RecoverKi_S_scl(CVX_Setup& setup);
int ComputeSFTKPP(CVX_Setup& setup);
int ComputeKPP(CVX_Setup& setup);
int RecoverKp_P_scl(CVX_Setup& setup);
int ComputeSFTKIP(CVX_Setup& setup);
int ComputeKIP(CVX_Setup& setup);
int RecoverKi_P_scl(CVX_Setup& setup);
int ComputeSFTKDP(CVX_Setup& setup);
int ComputeKDP(CVX_Setup& setup);
int RecoverKd_P_scl(CVX_Setup& setup);
int ComputeSFTSFFW(CVX_Setup& setup);
int ComputeKFFS(CVX_Setup& setup);
int RecoverKFFS_scl(CVX_Setup& setup);
int ComputeSFTKPTHT(CVX_Setup& setup);
int ComputeKPTHT(CVX_Setup& setup);
int RecoverKp_T_scl(CVX_Setup& setup);
int ComputeSFTKITHT(CVX_Setup& setup);
int ComputeKITHT(CVX_Setup& setup);
int RecoverKi_T_scl(CVX_Setup& setup);

// Acceleration feed-forward "KFFA_scl": a split-shift gain over "SFTAFFW"
// (up to 11), "SFTKFF" (the rest) and the mantissa "KFFA"; limits [0, 2^22].
int ComputeSFTAFFW(CVX_Setup& setup);
int ComputeSFTKFF(CVX_Setup& setup);
int ComputeKFFA(CVX_Setup& setup);
int RecoverKFFA_scl(CVX_Setup& setup);

// Position derivative filter "filter_D" as a Q15 fraction in "KDFP".
int ComputeKDFP(CVX_Setup& setup);
int RecoverFilter_D(CVX_Setup& setup);

// Registers the drive needs at full scale wherever the firmware has them.
int ComputeKFFL(CVX_Setup& setup);
int ComputeT1MAXPROT(CVX_Setup& setup);

// First-order low-pass filters: a coefficient register, an enable switch and
// a corner in rad/s; 32767 in the register means no filtering.
struct FirstOrderFilterRow {
  std::string_view coefficient;
  std::string_view enable;
  std::string_view corner;
  double defaultCorner_rad_s;  // shown while the filter is off
  bool fastLoop;               // sampled in the fast loop, else the slow one
  bool truncates;              // the register takes the coefficient truncated
};

inline constexpr FirstOrderFilterRow kCurrentOutputFilter{
    "FILTERQ", "isUseFilterOnCrtCtrlOutput", "FilterOnCurrentControllerOutput", 5000.0, true, true};
inline constexpr FirstOrderFilterRow kAnalogueReferenceFilter{"FILTER1", "UseFilter", "filter", 50.0, false, false};

int ComputeFirstOrderFilter(CVX_Setup& setup, const FirstOrderFilterRow& row);
// Limits [0, 1]; 1 when the register is not 32767.
int RecoverFilterEnable(CVX_Setup& setup, const FirstOrderFilterRow& row);
// Limits [0, 0.5 / T]; the default corner while the filter is off.
int RecoverFilterCorner(CVX_Setup& setup, const FirstOrderFilterRow& row);

int ComputeFILTERQ(CVX_Setup& setup);
int RecoverIsUseFilterOnCrtCtrlOutput(CVX_Setup& setup);
int RecoverFilterOnCurrentControllerOutput(CVX_Setup& setup);
int ComputeFILTER1(CVX_Setup& setup);
int RecoverUseFilter(CVX_Setup& setup);
int RecoverFilter(CVX_Setup& setup);

// Step rate scale v = Ts_S * 2 * "DSP_freq" * "NoMicroStepsPerStep" (the
// integer 4 * "SLPER" * "PWMPER" * microsteps), split into two words.
int ComputeSCL2H(CVX_Setup& setup);
int ComputeSCL2L(CVX_Setup& setup);
// log2(2048 / "NoMicroStepsPerStep") - 1, in internal units.
int ComputeSFTSCL1(CVX_Setup& setup);

}  // namespace engine
