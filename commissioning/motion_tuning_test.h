#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commissioning/feedback_follows.h"
#include "commissioning/gain_slider.h"
#include "commissioning/live_gains.h"
#include "commissioning/my_test_dlg.h"
#include "commissioning/reference_profile.h"
#include "commissioning/setup_dialog_openers.h"
#include "commissioning/tab_pages.h"
#include "kernel/coff_format.h"
#include "kernel/graph_document.h"
#include "kernel/logger.h"
#include "kernel/logger_scope.h"
#include "kernel/ui/graph_window.h"
#include "kernel/ui/oscilloscope.h"

// What the speed and position controller tuning tests share: two tab pages
// ("Test Parameters", "Test"), gain sliders whose moves reach the drive at
// once during a run, the total inertia kept consistent with the load ratio,
// a run of a six-segment reference profile after the positioning program
// (skipped once it has succeeded in the dialog), and its plot either after
// the run (an uploaded log), live through the drive's scope stream, or live
// from readings of two drive variables.
//
// A run stopped by the person or by a protection leaves the drive holding
// the setup's values; a dialog that ends without OK writes the registers it
// changed on the drive back as the setup, put back, holds them.
class CMotionTuningTest : public CMyTestDlg {
 public:
  // The names that tell the two tests apart.
  struct Names {
    unsigned templateId;
    unsigned long helpContext;
    const char* onlinePlot;     // "OnlinePlotS": 1 plots live
    const char* multiCycle;     // "MultiCycleS": 1 runs the profile until Stop
    const char* scopeSettings;  // setup option with the scope logger's settings
    const char* plotName;       // "SpeedTuning": saved plots and exports
    int inertiaTestButton;
    std::vector<const char*> logged;   // the log's variables, reference and feedback first
    const char* liveReference;         // read for the live plot without a scope
    const char* liveFeedback;
    commissioning::Controlled controlled;  // what the reference and feedback logged are
    std::string program;               // the test program
    // "Tune": the design stored and its registers computed; the text of a
    // design that cannot be made.
    std::optional<std::string> (*tune)(CVX_Setup& setup);
    std::vector<const char*> tunedGains;  // in the order their registers go to the drive
  };

  // A run's reference: the profile, and its target (the test speed or
  // position in the drive's units) for the live plot's axis.
  struct PlannedRun {
    commissioning::Profile profile;
    double target;
  };

  // A tuning's design as `Names::tune` runs it: the text of its failure.
  template <auto tuneController>
  static std::optional<std::string> TuneBy(CVX_Setup& setup) {
    const auto gains = tuneController(setup);
    if (!gains.ok()) return gains.error();
    return std::nullopt;
  }

  CMotionTuningTest(CVX_Setup* setup, const Names& names, const commissioning::SetupDialogOpeners& openers,
                    CWnd* pParent);

  BOOL OnInitDialog() override;
  void BeginTest() override;
  void OnOK() override;
  void OnChangedParameterValue(const std::string& name) override;
  INT_PTR DoModal() override;

  // What the last run logged (the uploaded log, or the live plot).
  const CGraphDocument& GetGraphDocument() const;

 protected:
  // ----- what each test states beyond its names -----
  // The run's reference, or the text that says why there is none; checked
  // before anything runs.
  virtual commissioning::Result<PlannedRun> PlanRun() = 0;
  // The run's limit inputs ("IlimPS_Test" ...); false when the test failed.
  virtual bool WriteLimitInputs(CVX_CoffFormat& coff) = 0;

  // ----- for the tests -----
  // The string-table text of a profile that cannot run.
  static std::string ProfileErrorText(commissioning::ProfileError error);
  void AddSlider(const char* name, int editId, CGainSlider::Ids ids);
  bool MotorInertiaKnown();
  CTabPages& Pages() { return m_pages; }
  const Names& TestNames() const { return m_names; }
  commissioning::DriveRegisterWrites& DriveWrites() { return m_liveWrites; }
  // The pages: 0 "Test Parameters", 1 "Test".
  static constexpr int kParametersPage = 0;
  static constexpr int kTestPage = 1;
  // Enables what depends on the inertia's being known; shows or hides the
  // live plot's controls; run from OnInitDialog and after a change.
  virtual void ApplyRules();

  void OnPollTick() override;

 private:
  enum class Plot { kUploaded, kScope, kReadings };

  // motion_tuning_test.cpp: dialog
  void OnHScroll(UINT code, UINT position, CScrollBar* control);
  void OnSpin(NMHDR* header, LRESULT* result);
  void OnTabChanged(NMHDR* header, LRESULT* result);
  void OnTune();
  void OnInertiaTest();
  void OnFilters();
  void GainChanged(const std::string& name);
  void InertiaChanged(const std::string& name);

  // motion_tuning_run.cpp: the run
  Plot PlotOfRun();
  bool StartPositioning();
  void AfterPositioning();
  void StartTestProgram();
  void WaitForTestProgram();
  void FinishUploadedRun();
  bool CheckRunFlag();
  bool CheckFeedbackFollowed();
  void Succeed();

  // motion_tuning_online.cpp: live plots and plot buttons
  void SetUpPlots();
  void ConfigureScope();
  void OnScopeTick();
  void OnReadingTick();
  void EndLivePlot();
  void OnSavePlots();
  void OnSavePicture();
  void OnExportData();
  void OnScopeSettings();
  void OnScopeDefaults();
  void OnScopeAutoscale();
  void OnScopeLoad();
  void OnScopeSave();
  void OnPause();
  void OnResume();
  CVX_Logger& ShownLogger();
  CGraphWindow& ShownGraph();

  Names m_names;
  commissioning::SetupDialogOpeners m_openers;
  CVX_CoffFormat m_positioning;
  CVX_CoffFormat m_test;
  std::unique_ptr<CVX_SingleAxisLogger> m_logger;
  std::unique_ptr<CVX_ScopeLogger> m_scope;
  CGraphWindow m_graph;
  CVX_Oscilloscope m_oscilloscope;  // the live readings without a scope
  CTabPages m_pages;
  CGainSliders m_sliders;
  commissioning::DriveRegisterWrites m_liveWrites;
  PlannedRun m_run{};
  Plot m_plot = Plot::kUploaded;
  std::optional<double> m_reference;  // "REFTST_V" of a positioning that succeeded
  bool m_scopeSettingsUsed = false;
  bool m_frozen = false;
  int m_frameHandler = 0;

  DECLARE_MESSAGE_MAP()
};
