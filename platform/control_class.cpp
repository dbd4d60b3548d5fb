#include "platform/control_class.h"

#include <array>
#include <utility>

namespace platform {

namespace {

constexpr std::array<std::pair<ControlClass, std::string_view>, 18> kNames{{
    {ControlClass::kDialog, "dialog"},
    {ControlClass::kEdit, "edit"},
    {ControlClass::kComboBox, "combo"},
    {ControlClass::kCheckBox, "check"},
    {ControlClass::kRadioButton, "radio"},
    {ControlClass::kPushButton, "button"},
    {ControlClass::kBitmapButton, "bitmap-button"},
    {ControlClass::kStatic, "static"},
    {ControlClass::kPicture, "picture"},
    {ControlClass::kGroupBox, "group"},
    {ControlClass::kTab, "tab"},
    {ControlClass::kSlider, "slider"},
    {ControlClass::kSpin, "spin"},
    {ControlClass::kProgress, "progress"},
    {ControlClass::kGraph, "graph"},
    {ControlClass::kBarGraph, "bar-graph"},
    {ControlClass::kEncoderDiagram, "encoder-diagram"},
    {ControlClass::kPhaseDiagram, "phase-diagram"},
}};

}  // namespace

std::string_view ControlClassName(ControlClass cls) {
  for (const auto& [c, name] : kNames) {
    if (c == cls) return name;
  }
  return "?";
}

std::optional<ControlClass> ControlClassFromName(std::string_view name) {
  for (const auto& [c, n] : kNames) {
    if (n == name && c != ControlClass::kDialog) return c;
  }
  return std::nullopt;
}

std::string_view ControlClassPhrase(ControlClass cls) {
  switch (cls) {
    case ControlClass::kEdit:
      return "an edit";
    case ControlClass::kComboBox:
      return "a combo box";
    case ControlClass::kCheckBox:
      return "a check box";
    case ControlClass::kRadioButton:
      return "a radio button";
    case ControlClass::kPushButton:
      return "a push button";
    case ControlClass::kBitmapButton:
      return "a bitmap button";
    case ControlClass::kStatic:
      return "a static text";
    case ControlClass::kPicture:
      return "a picture";
    case ControlClass::kGroupBox:
      return "a group box";
    case ControlClass::kTab:
      return "a tab control";
    case ControlClass::kSlider:
      return "a slider";
    case ControlClass::kSpin:
      return "a spin control";
    case ControlClass::kProgress:
      return "a progress bar";
    case ControlClass::kGraph:
      return "a graph";
    case ControlClass::kBarGraph:
      return "a bar graph";
    case ControlClass::kEncoderDiagram:
      return "an encoder diagram";
    case ControlClass::kPhaseDiagram:
      return "a phase diagram";
    case ControlClass::kDialog:
      break;
  }
  return "a dialog";
}

bool IsButtonClass(ControlClass cls) {
  return cls == ControlClass::kPushButton || cls == ControlClass::kBitmapButton || HasCheckState(cls);
}

bool HasCheckState(ControlClass cls) { return cls == ControlClass::kCheckBox || cls == ControlClass::kRadioButton; }

}  // namespace platform
