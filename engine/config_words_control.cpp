#include "engine/config_words_control.h"

#include <optional>

#include "engine/config_bits.h"
#include "engine/config_words_common.h"
#include "engine/sequences.h"
#include "engine/setup_access.h"

namespace engine {
namespace {

using words::IsSet;
using words::WithBits;

// The mode field of a closed loop; nullopt for an unknown mode.
std::optional<Word> ClosedLoopMode(int controlMode, bool positionOverSpeed) {
  switch (controlMode) {
    case choice::kPositionMode:
      return acr::kClosedPosition | (positionOverSpeed ? acr::kPositionOverSpeed : 0);
    case choice::kSpeedMode:
      return acr::kClosedSpeed;
    case choice::kTorqueMode:
      return acr::kClosedTorque;
    default:
      return std::nullopt;
  }
}

struct ControlWords {
  Word control;    // "ACR"
  Word operating;  // "OSR"
  bool closedLoop() const { return IsSet(operating, osr::kClosedLoop); }
};

std::optional<ControlWords> ReadControlWords(CVX_Setup& setup) {
  const auto control = words::Read(setup, acr::kName);
  const auto operating = words::Read(setup, osr::kName);
  if (!control || !operating) return std::nullopt;
  return ControlWords{*control, *operating};
}

int RecoverAcrFlag(CVX_Setup& setup, std::string_view name, Word mask, bool whenSet) {
  const auto word = words::Read(setup, acr::kName);
  if (!word) return 0;
  return words::RecoverFlag(setup, name, IsSet(*word, mask) == whenSet);
}

}  // namespace

int ComputeACR(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, acr::kName);
  const auto old = words::Read(setup, acr::kName);
  const auto external = words::Flag(setup, "ExternalReference");
  const auto control = words::Choice(setup, "StepperControlType");
  const auto mode = words::Choice(setup, "ControlMode");
  if (!target || !old || !external || !control || !mode) return 0;
  Word word = *old;

  bool autoActivated = false;
  if (Has(setup, "isAutoActivatedAfterPowerOn")) {
    const auto flag = words::Flag(setup, "isAutoActivatedAfterPowerOn");
    if (!flag) return 0;
    autoActivated = *flag;
  }
  word = WithBits(word, acr::kAutoActivated, autoActivated);

  word &= ~acr::kExternalReference;
  if (*external) {
    const auto analogue = words::Flag(setup, "isAnalogueReference");
    if (!analogue) return 0;
    if (*analogue) {
      word |= acr::kAnalogueReference;
    } else {
      const auto digitalType = words::Choice(setup, "DigitalReferenceType");
      if (!digitalType) return 0;
      word |= acr::kDigitalReference;
      word = WithBits(word, acr::kPulseDirection, *digitalType == 0);
    }
  }

  word &= ~acr::kModeField;
  if (*control != choice::kOpenLoop) {
    bool positionOverSpeed = false;
    if (*mode == choice::kPositionMode) {
      const auto type = words::Choice(setup, "PositionControlType");
      if (!type) return 0;
      positionOverSpeed = *type == choice::kPositionOverSpeed;
    }
    const auto field = ClosedLoopMode(*mode, positionOverSpeed);
    if (!field) return 0;
    word |= *field;
    bool speedForward = false;
    if (Has(setup, "SpeedForward")) {
      const auto flag = words::FlagInternal(setup, "SpeedForward");
      if (!flag) return 0;
      speedForward = *flag;
    }
    word = WithBits(word, acr::kSpeedForward, speedForward);
  } else {
    const auto load = words::Choice(setup, "LoadSensorType");
    if (!load) return 0;
    word |= *load != choice::kNoSensor ? acr::kOpenLoopLoadSensor : acr::kOpenLoop;
    word = WithBits(word, acr::kOpenLoopSpeed, *mode == choice::kSpeedMode);
    word &= ~acr::kSpeedForward;
  }

  bool freeze = false;
  if (HasFreezeControl(setup)) {
    const auto flag = words::FlagInternal(setup, "isFreezeControl");
    if (!flag) return 0;
    freeze = *flag;
  }
  word = WithBits(word, acr::kFreezeControl, freeze);
  return words::Write(target, word);
}

int RecoverIsAutoActivatedAfterPowerOn(CVX_Setup& setup) {
  return RecoverAcrFlag(setup, "isAutoActivatedAfterPowerOn", acr::kAutoActivated, true);
}

int RecoverDigitalReferenceType(CVX_Setup& setup) {
  return RecoverAcrFlag(setup, "DigitalReferenceType", acr::kPulseDirection, false);
}

int RecoverIsFreezeControl(CVX_Setup& setup) {
  const auto w = ReadControlWords(setup);
  const auto mode = words::Choice(setup, "ControlMode");
  if (!w || !mode) return 0;
  // Freeze control holds a position: only position mode on a sensor.
  const bool positionOnSensor =
      *mode == choice::kPositionMode && IsSet(w->operating, osr::kClosedLoop | osr::kLoadSensor);
  return words::RecoverFlag(setup, "isFreezeControl", positionOnSensor && IsSet(w->control, acr::kFreezeControl));
}

int RecoverIsAnalogueReference(CVX_Setup& setup) {
  const auto word = words::Read(setup, acr::kName);
  if (!word) return 0;
  const double high = HasAnalogueReference(setup) ? 1.0 : 0.0;
  return words::RecoverValue(setup, "isAnalogueReference", IsSet(*word, acr::kAnalogueReference) ? 1 : 0, 0.0, high);
}

int RecoverExternalReference(CVX_Setup& setup) {
  return RecoverAcrFlag(setup, "ExternalReference", acr::kExternalReference, true);
}

int RecoverControlMode(CVX_Setup& setup) {
  const auto w = ReadControlWords(setup);
  if (!w) return 0;
  int mode = choice::kPositionMode;
  if (w->closedLoop()) {
    if (IsSet(w->control, acr::kModeBit10))
      mode = choice::kPositionMode;
    else if (IsSet(w->control, acr::kModeBit9))
      mode = choice::kSpeedMode;
    else
      mode = choice::kTorqueMode;
  } else if (IsSet(w->control, acr::kOpenLoopSpeed)) {
    mode = choice::kSpeedMode;
  }
  return words::RecoverValue(setup, "ControlMode", mode, 0.0, choice::kTorqueMode);
}

int RecoverSpeedForward(CVX_Setup& setup) {
  const auto w = ReadControlWords(setup);
  if (!w) return 0;
  const bool toCurrentLoop = !w->closedLoop() || IsSet(w->control, acr::kSpeedForward);
  return words::RecoverValueInternal(setup, "SpeedForward", toCurrentLoop ? 1 : 0, 0.0, 1.0);
}

int ApplySpeedForwardRule(CVX_Setup& setup) {
  CVX_Parameter* speedForward = Find(setup, "SpeedForward");
  CVX_Parameter* target = Find(setup, acr::kName);
  const auto word = words::Read(setup, acr::kName);
  const auto mode = words::Choice(setup, "ControlMode");
  const auto type = words::Choice(setup, "PositionControlType");
  if (!speedForward || !target || !word || !mode || !type) return 0;
  if (*mode == choice::kPositionMode && *type == choice::kPositionOverSpeed) return 1;
  if (!WriteInternal(speedForward, 1.0)) return 0;
  return words::Write(target, *word | acr::kSpeedForward);
}

}  // namespace engine
