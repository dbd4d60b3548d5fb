#pragma once

// Shared by the setup file tests: a field-by-field comparison of two setups,
// with doubles compared bit for bit, and a small document to start from.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

#include "kernel/setup.h"

namespace setup_file_testing {

inline bool SameBits(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

// The first difference found, or success.
inline ::testing::AssertionResult SameSetup(const CVX_Setup& a, const CVX_Setup& b) {
  auto differ = [](const std::string& what) { return ::testing::AssertionFailure() << what << " differs"; };
  const CVX_DriveIdentity& ia = a.GetIdentity();
  const CVX_DriveIdentity& ib = b.GetIdentity();
  if (ia.description != ib.description || ia.firmwareId != ib.firmwareId || ia.productId != ib.productId ||
      ia.userAppId != ib.userAppId || ia.e2romSize != ib.e2romSize || ia.adcMaxValue != ib.adcMaxValue ||
      ia.helpFile != ib.helpFile)
    return differ("drive identity");

  const CVX_DriveCapabilities& ca = a.GetCapabilities();
  const CVX_DriveCapabilities& cb = b.GetCapabilities();
  if (ca.sensorNames != cb.sensorNames) return differ("sensor names");
  if (ca.sensorInputs.size() != cb.sensorInputs.size()) return differ("sensor input count");
  for (size_t i = 0; i < ca.sensorInputs.size(); ++i) {
    const CVX_SensorInput& x = ca.sensorInputs[i];
    const CVX_SensorInput& y = cb.sensorInputs[i];
    if (x.name != y.name || x.motorSensorTypes != y.motorSensorTypes || x.loadSensorTypes != y.loadSensorTypes ||
        x.digitalReference != y.digitalReference)
      return differ("sensor input " + std::to_string(i));
  }
  const auto sameList = [](const CVX_FrequencyList& x, const CVX_FrequencyList& y) {
    return x.kHz == y.kHz && x.codes == y.codes;
  };
  if (!sameList(ca.ssiFrequencies, cb.ssiFrequencies) || !sameList(ca.bissFrequencies, cb.bissFrequencies) ||
      !sameList(ca.ssiFrequenciesLoad, cb.ssiFrequenciesLoad) ||
      !sameList(ca.bissFrequenciesLoad, cb.bissFrequenciesLoad))
    return differ("frequency lists");
  if (ca.ioPorts.size() != cb.ioPorts.size()) return differ("I/O port count");
  for (size_t i = 0; i < ca.ioPorts.size(); ++i) {
    const CVX_IOPort& x = ca.ioPorts[i];
    const CVX_IOPort& y = cb.ioPorts[i];
    if (x.port != y.port || x.pin != y.pin || x.brakeFlags != y.brakeFlags || x.inverted != y.inverted)
      return differ("I/O port " + std::to_string(i));
  }

  if (a.GetOptions() != b.GetOptions()) return differ("options");

  const auto& ua = a.GetUnits();
  const auto& ub = b.GetUnits();
  if (ua.size() != ub.size()) return differ("unit family count");
  for (size_t f = 0; f < ua.size(); ++f) {
    if (ua[f].base.name != ub[f].base.name || ua[f].derived.size() != ub[f].derived.size())
      return differ("unit family " + ua[f].base.name);
    for (size_t d = 0; d < ua[f].derived.size(); ++d) {
      const CVX_Unit& x = ua[f].derived[d];
      const CVX_Unit& y = ub[f].derived[d];
      if (x.name != y.name || x.family != y.family || !SameBits(x.factor, y.factor) || !SameBits(x.offset, y.offset))
        return differ("unit " + x.name);
    }
  }

  const auto& va = a.GetVariables();
  const auto& vb = b.GetVariables();
  if (va.size() != vb.size()) return differ("variable count");
  for (size_t i = 0; i < va.size(); ++i) {
    if (va[i]->GetName() != vb[i]->GetName() || va[i]->GetAxis() != vb[i]->GetAxis() ||
        va[i]->GetType() != vb[i]->GetType() || va[i]->GetUnitType() != vb[i]->GetUnitType() ||
        va[i]->GetUnitName() != vb[i]->GetUnitName())
      return differ("variable " + va[i]->GetName());
  }

  const auto& pa = a.GetParameters();
  const auto& pb = b.GetParameters();
  if (pa.size() != pb.size()) return differ("parameter count");
  for (size_t i = 0; i < pa.size(); ++i) {
    const CVX_Parameter& x = *pa[i];
    const CVX_Parameter& y = *pb[i];
    if (x.GetName() != y.GetName() || x.GetIndex() != y.GetIndex())
      return differ("parameter name or index at " + std::to_string(i));
    if (!SameBits(x.GetValueInInternalUnit(), y.GetValueInInternalUnit()))
      return differ("internal value of " + x.GetName());
    if (!SameBits(x.GetMinimum(), y.GetMinimum()) || !SameBits(x.GetMaximum(), y.GetMaximum()))
      return differ("limits of " + x.GetName());
    if (x.GetType() != y.GetType() || x.GetDecimals() != y.GetDecimals())
      return differ("type or decimals of " + x.GetName());
    if (x.GetUnitType() != y.GetUnitType() || x.GetUnitName() != y.GetUnitName())
      return differ("unit of " + x.GetName());
  }

  if (a.GetSimulationDocument() != b.GetSimulationDocument()) return differ("simulation document");
  return ::testing::AssertionSuccess();
}

// A valid document that touches every part of the format.
inline const char* RichDocument() {
  return R"json({
  "format": "drivesetup-setup",
  "version": 1,
  "drive": {"description": "Two-phase drive, closed loop", "firmware": "F900T", "product": "P047.001",
            "userApplication": "", "e2romSize": 32768, "adcMaxValue": 4095, "helpFile": "help/drive.chm"},
  "capabilities": {
    "sensorNames": {"0": "None", "1": "Incremental encoder", "3": "SSI encoder", "4": "BiSS encoder"},
    "sensorInputs": [
      {"name": "Feedback #1", "motor": [1, 3, 4], "load": [1], "digitalReference": true},
      {"name": "Feedback #2", "motor": [], "load": [1, 3]}
    ],
    "ssiFrequencies": [{"kHz": 500, "code": 0}, {"kHz": 1000, "code": 1}, {"kHz": 2000, "code": 3}],
    "bissFrequencies": [{"kHz": 2500, "code": 2}],
    "ssiFrequenciesLoad": [],
    "ioPorts": [{"port": 25, "pin": 3, "brake": 16, "inverted": false}, {"port": 26, "pin": 4, "inverted": true}]
  },
  "options": {"MaxFilters": "2", "SSIMaxBits": 32, "Ratio": 1.50, "ReferenceName": "SCL ™"},
  "units": {
    "rad": {"rot": {"factor": 0.15915494309189535}, "deg": {"factor": 57.29577951308232}, "µsteps": {"factor": 8149.7}},
    "rad/s": {"rpm": {"factor": 9.549296585513721}},
    "°C": {"°F": {"factor": 1.8, "offset": 17.77777777777778}},
    "A": {},
    "s": {"ms": {"factor": 1000}}
  },
  "variables": [
    {"name": "MER", "axis": 1, "type": "uint16", "unit": ""},
    {"name": "APOS", "axis": 1, "type": "int32", "unit": "rad", "display": "rot"},
    {"name": "APOS", "axis": 2, "type": "int32", "unit": "rad"}
  ],
  "parameters": {
    "Kp_C_scl": {"internal": 0.1, "min": 0, "max": 10, "decimals": 4},
    "KPI": {"internal": -1200, "type": "int16"},
    "SFTKPI": {"internal": 3, "type": "uint16", "min": 0, "max": 15, "decimals": 0},
    "SLPER": {"internal": 4294967295, "type": "uint32"},
    "Speed": {"internal": -0.0, "unit": "rad/s", "display": "rpm", "min": -1000.5},
    "Position": {"internal": 5e-324, "unit": "rad", "display": "µsteps", "max": 1e300},
    "MotorTemp": {"internal": 40, "unit": "°C", "display": "°F", "type": "constant", "decimals": 1},
    "Ts_S": {"internal": 0.001, "unit": "s", "type": "derived", "decimals": 15},
    "Plain": 2.5,
    "Whole": 7,
    "Négatif": -3.25e-7
  },
  "simulation": {"motor": {"R": 1.5, "L": [0.001, 2e-3]}, "name": "bench", "on": true, "none": null, "n": 12}
}
)json";
}

}  // namespace setup_file_testing
