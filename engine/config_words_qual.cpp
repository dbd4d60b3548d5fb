#include "engine/config_words_qual.h"

#include <optional>

#include "engine/config_bits.h"
#include "engine/config_words_common.h"
#include "engine/sequences.h"
#include "engine/setup_access.h"

namespace engine {
namespace {

using words::IsSet;

constexpr int kFirstInput = 0;

const qual::FilterRow& FilterRowOf(std::optional<int> value) {
  if (!value || *value < 0 || *value >= static_cast<int>(qual::kFilters.size())) return qual::kNoFilter;
  return qual::kFilters[static_cast<size_t>(*value)];
}

// The filter value that each encoder input carries, if any.
struct InputFilters {
  std::optional<int> inputA;
  std::optional<int> inputB;
  void Select(int connector, int value) { (connector == kFirstInput ? inputA : inputB) = value; }
};

// Load sensors that the encoder filter can serve.
bool IsQuadratureSensor(int sensor) { return sensor == choice::kIncremental || sensor == choice::kSineCosine; }

// Whether the Q2 word of an input's set holds a selector pattern.
int RecoverInputFilter(CVX_Setup& setup, std::string_view flag, bool onSecondInput) {
  const auto aq2 = words::Read(setup, qual::kNameAQ2);
  const auto bq2 = words::Read(setup, qual::kNameBQ2);
  if (!aq2 || !bq2 || !HasEncoderFilter(setup)) return 0;
  const bool filtered = onSecondInput ? IsSet(*bq2, qual::kSelectorsB) : IsSet(*aq2, qual::kSelectorsA);
  return words::RecoverFlag(setup, flag, filtered);
}

}  // namespace

int ComputeQUAL(CVX_Setup& setup) {
  CVX_Parameter* qualWord = Find(setup, qual::kName);
  CVX_Parameter* actWord = Find(setup, qual::kNameACT);
  CVX_Parameter* aq2Word = Find(setup, qual::kNameAQ2);
  CVX_Parameter* bctWord = Find(setup, qual::kNameBCT);
  CVX_Parameter* bq2Word = Find(setup, qual::kNameBQ2);
  const auto act = words::Read(setup, qual::kNameACT);
  const auto aq2 = words::Read(setup, qual::kNameAQ2);
  const auto bct = words::Read(setup, qual::kNameBCT);
  const auto bq2 = words::Read(setup, qual::kNameBQ2);
  const auto motorFilter = Base(setup, "isFilterEnc_MT");
  const auto motorValue = words::Choice(setup, "FilterEncValue_MT");
  const auto motorConnector = words::Choice(setup, "MotorSensorConnector");
  const auto load = words::Choice(setup, "LoadSensorType");
  if (!qualWord || !actWord || !aq2Word || !bctWord || !bq2Word || !act || !aq2 || !bct || !bq2 || !motorFilter ||
      !motorValue || !motorConnector || !load)
    return 0;

  InputFilters filters;
  if (*motorFilter != 0.0) filters.Select(*motorConnector, *motorValue);
  if (IsQuadratureSensor(*load)) {
    const auto loadFilter = Base(setup, "isFilterEnc_LD");
    if (!loadFilter) return 0;
    if (*loadFilter != 0.0) {
      const auto loadValue = words::Choice(setup, "FilterEncValue_LD");
      const auto loadConnector = words::Choice(setup, "LoadSensorConnector");
      if (!loadValue || !loadConnector) return 0;
      // Selected second, the load sensor's value wins on a shared input.
      filters.Select(*loadConnector, *loadValue);
    }
  }

  const qual::FilterRow& a = FilterRowOf(filters.inputA);
  const qual::FilterRow& b = FilterRowOf(filters.inputB);
  int written = words::Write(qualWord, qual::kQualEnabled);
  written &= words::Write(actWord, (*act & ~qual::kPeriodField) | (a.period << qual::kPeriodShift));
  written &= words::Write(aq2Word, (*aq2 & ~qual::kSelectorsA) | a.selectorsA);
  written &= words::Write(bctWord, (*bct & ~qual::kPeriodField) | (b.period << qual::kPeriodShift));
  written &= words::Write(bq2Word, (*bq2 & ~qual::kSelectorsB) | b.selectorsB);
  return written;
}

int RecoverIsFilterEnc_MT(CVX_Setup& setup) {
  const auto scrWord = words::Read(setup, scr::kName);
  const auto motor = words::Choice(setup, "MotorSensorType");
  const auto load = words::Choice(setup, "LoadSensorType");
  if (!scrWord || !motor || !load) return 0;
  const bool both = *motor != choice::kNoSensor && *load != choice::kNoSensor;
  const Word inputBit = both ? scr::kMotorConnectorOfTwo : scr::kSensorConnector;
  return RecoverInputFilter(setup, "isFilterEnc_MT", IsSet(*scrWord, inputBit));
}

int RecoverIsFilterEnc_LD(CVX_Setup& setup) {
  const auto scrWord = words::Read(setup, scr::kName);
  if (!scrWord) return 0;
  return RecoverInputFilter(setup, "isFilterEnc_LD", IsSet(*scrWord, scr::kSensorConnector));
}

}  // namespace engine
