#pragma once

#include <map>
#include <string>
#include <vector>

// What the drive is: the identity of its firmware and product.
struct CVX_DriveIdentity {
  std::string description;
  std::string firmwareId;
  std::string productId;
  std::string userAppId;
  int e2romSize = 0;      // bytes; the dialogs show (size >> 10) & 0x3f
  int adcMaxValue = 0;    // converter full-scale count (Compute_ADCMaxValue)
  std::string helpFile;   // empty: the host gives no help file
};

// One sensor input (connector) of the drive; its index is its connector
// number ("MotorSensorConnector", "LoadSensorConnector").
struct CVX_SensorInput {
  std::string name;                    // "Feedback #1"
  std::vector<int> motorSensorTypes;   // sensor types it reads for the motor
  std::vector<int> loadSensorTypes;    // sensor types it reads for the load
  bool digitalReference = false;       // may take a pulse/direction reference
};

// Selectable serial encoder bit rates in kHz, ascending, with the parallel
// clock-mode codes the drive uses for each.
struct CVX_FrequencyList {
  std::vector<int> kHz;
  std::vector<int> codes;
};

// A digital I/O port: its number for the user, its pin for the registers.
struct CVX_IOPort {
  int port = 0;
  int pin = 0;
  int brakeFlags = 0;     // non-zero: the port can drive a motor brake
  bool inverted = false;  // the output stage inverts (NPN sink)
};

// What the drive can do, as its description states it.
struct CVX_DriveCapabilities {
  std::map<int, std::string> sensorNames;  // sensor type -> name
  std::vector<CVX_SensorInput> sensorInputs;
  CVX_FrequencyList ssiFrequencies;
  CVX_FrequencyList bissFrequencies;
  CVX_FrequencyList ssiFrequenciesLoad;
  CVX_FrequencyList bissFrequenciesLoad;
  std::vector<CVX_IOPort> ioPorts;
};
