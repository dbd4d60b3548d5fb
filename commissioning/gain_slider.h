#pragma once

#include <optional>
#include <string>
#include <deque>

#include "platform/controls.h"

class CVX_EditSetupDlg;
class CVX_Parameter;
struct NMHDR;

// A controller gain that a test shows three ways: its edit (bound by the
// dialog as any parameter), a slider over half to one and a half times the
// value (within the parameter's limits), and two spin arrows on either side
// of the slider that step it by one slider step. The person tunes a loop by
// dragging while the test runs, so the slider's range stays where it was set
// until the value is typed or designed anew (Rearm).
class CGainSlider {
 public:
  // Slider positions from the low end to the high end of the range.
  static constexpr int kSteps = 100;

  struct Ids {
    int down;    // spin left of the slider
    int slider;
    int up;      // spin right of the slider
  };

  CGainSlider(std::string name, Ids ids) : m_name(std::move(name)), m_ids(ids) {}

  const std::string& Name() const { return m_name; }
  const Ids& ControlIds() const { return m_ids; }

  // Takes the dialog's controls; call from OnInitDialog. False when the
  // setup lacks the gain or the template the controls (the slider then does
  // nothing).
  bool Attach(CVX_EditSetupDlg& dialog);
  // A range around the present value, the thumb on it.
  void Rearm();
  // The thumb where the present value lies, the range kept.
  void ShowValue();
  void Enable(CVX_EditSetupDlg& dialog, bool enable);

  // The gain's value for a slider position: stored, true. False for
  // another control or an unattached slider.
  bool OnSliderMoved(const CWnd* control);
  // One step up (delta > 0) or down for a click on one of its spins: stored,
  // true. False for another control.
  bool OnSpin(int controlId, int delta);

 private:
  double ValueAt(int position) const;
  int PositionOf(double value) const;
  bool Store(double value);

  std::string m_name;
  Ids m_ids;
  CVX_Parameter* m_parameter = nullptr;
  CSliderCtrl m_slider;
  double m_low = 0.0;
  double m_high = 0.0;
};

// The gain sliders of one test dialog, and the dispatch of its scroll and
// spin notifications to them.
class CGainSliders {
 public:
  void Add(std::string name, CGainSlider::Ids ids) { m_sliders.emplace_back(std::move(name), ids); }
  void AttachAll(CVX_EditSetupDlg& dialog);
  void RearmAll();
  CGainSlider* Find(const std::string& name);

  // The name of the gain a slider or spin changed, or nothing.
  std::optional<std::string> OnSliderMoved(const CWnd* control);
  std::optional<std::string> OnSpin(const NMHDR* header, int delta);

 private:
  std::deque<CGainSlider> m_sliders;  // the controls they hold do not move
};
