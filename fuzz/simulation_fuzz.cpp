// libFuzzer target for the simulation object: any text gives a world for
// the simulated drive or a refusal that names each fault; a world that is
// accepted keeps its sensors readable (the serial encoder's frames decode
// at every angle, whatever their width).

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "drive/simulation_config.h"
#include "kernel/setup.h"

namespace {

void CheckSerialEncoder(const drive::SerialEncoderParams& params) {
  const drive::SerialEncoder encoder(params);
  drive::SerialEncoderReader reader({.protocol = params.protocol,
                                     .single_turn_bits = params.single_turn_bits,
                                     .multi_turn_bits = params.multi_turn_bits,
                                     .gray = params.gray,
                                     .reverse = false});
  for (const double angle_rad : {0.0, 1.0, -1.0, 1e3, -1e6, 1e30}) {
    const bool decoded = reader.Update(encoder.Read(angle_rad));
    if (params.fault == drive::SerialFault::None && !decoded) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // An empty setup: the nominal world is the simulation's own defaults.
  static const CVX_Setup setup;
  const drive::SimulationConfigParse parse = drive::ParseSimulation(setup, text);
  if (parse.config.has_value() == !parse.errors.empty()) std::abort();
  if (!parse.config) {
    for (const input::JsonError& error : parse.errors)
      if (error.path.rfind("simulation", 0) != 0) std::abort();
    return 0;
  }
  if (parse.config->sensors.serial) CheckSerialEncoder(*parse.config->sensors.serial);
  if (parse.config->person.analogue_input && !std::isfinite(parse.config->person.analogue_input->At(0.5))) std::abort();
  return 0;
}
