#pragma once

#include <optional>
#include <string>

#include "commissioning/my_test_dlg.h"
#include "commissioning/voltage_identification_test_controls.h"
#include "commissioning/voltage_mode.h"
#include "kernel/coff_format.h"

// "Parameters Identification Test" of the open-loop voltage mode: the
// voltage that holds the rotor at two currents gives the offset "UOFFSET"
// and the stand-by voltage "USTBYCRT"; a run of the motor up to the top
// speed that runs smoothly gives the speed constant "KOMEGA". The person
// says whether the motor runs smoothly; each "No" retries 20 % slower.
class CTestVoltage : public CMyTestDlg {
 public:
  CTestVoltage(CVX_Setup* setup, int flag, CWnd* pParentWnd = nullptr);
  ~CTestVoltage() override;

  BOOL OnInitDialog() override;
  void OnCancel() override;
  void BeginTest() override;
  void OnChangedParameterValue(const std::string& name) override;
  BOOL PreTranslateMessage(MSG* pMsg) override;

  static constexpr int kStepCount = 8;
  // Ctrl+Alt+Shift with this letter shows and unlocks the results.
  static constexpr char kExpertChordLetter = 'P';
  static constexpr const char* kSmoothQuestion = "Is the motor running smoothly?";
  static constexpr const char* kNoSmoothSpeed = "Could not find parameters for voltage controller.";

 protected:
  void OnPollTick() override;

 private:
  void ApplyExpertView();

  void AfterHighCurrentPositioning();
  void AfterLowCurrentPositioning();
  void WhileMotorRuns();
  void AfterMotorRun();
  bool StartPositioning(double current_counts);

  CVX_CoffFormat m_positioning;
  CVX_CoffFormat m_voltageRun;
  double m_kuphaseAtOpening = 0.0;
  double m_komegaAtOpening = 0.0;
  double m_uoffsetAtOpening = 0.0;
  double m_ustbycrtAtOpening = 0.0;
  double m_kphaseAtOpening = 0.0;
  bool m_expert = false;

  // The run under way.
  commissioning::VoltageTestCurrents m_currents;
  double m_highVoltage = 0.0;
  std::optional<commissioning::SmoothSpeedSearch> m_search;
  bool m_baseFromDrive = false;
};
