#pragma once

#include <optional>
#include <string_view>

namespace platform {

// The kinds of window a dialog template can hold, plus the dialog itself.
enum class ControlClass {
  kDialog,
  kEdit,
  kComboBox,
  kCheckBox,
  kRadioButton,
  kPushButton,
  kBitmapButton,
  kStatic,
  kPicture,
  kGroupBox,
  kTab,
  kSlider,
  kSpin,
  kProgress,
  // Displays the kernel's widgets draw; the framework keeps only their
  // caption, the widget object that subclasses the control holds the rest.
  kGraph,
  kBarGraph,
  kEncoderDiagram,
  kPhaseDiagram,
};

// The name a template uses for the class ("edit", "combo", "check", "radio",
// "button", "bitmap-button", "static", "picture", "group", "tab", "slider",
// "spin", "progress", "graph", "bar-graph", "encoder-diagram",
// "phase-diagram"; "dialog" for the dialog).
std::string_view ControlClassName(ControlClass cls);
// The class of a template name; none for a name that is not a control class.
std::optional<ControlClass> ControlClassFromName(std::string_view name);

// The class with its article, for messages: "an edit", "a combo box".
std::string_view ControlClassPhrase(ControlClass cls);

// Buttons a person clicks: push, bitmap, check and radio buttons.
bool IsButtonClass(ControlClass cls);
// Buttons that keep a check state.
bool HasCheckState(ControlClass cls);

}  // namespace platform
