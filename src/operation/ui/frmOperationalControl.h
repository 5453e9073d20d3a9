// SPDX-License-Identifier: MIT
// "Operational Control": the sample rate (SMPL_PRD), the digital I/O lines (GPIO_CTRL), their
// data-ready function (MISC_CTRL bits 0-2), the auxiliary DAC (AUX_DAC) and the store of the
// settings in flash. The main window opens it modally from its Operation menu, once an interface
// is ready; the window reads the device when it is made and writes only when the user acts.
#pragma once

#include "common/filled_code.h"
#include "operation/operational_control.h"
#include "session/session.h"

#include <QDialog>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace talvix::operation {

class frmOperationalControl : public QDialog {
  Q_OBJECT

 public:
  // Builds the controls and runs Form_Load.
  explicit frmOperationalControl(Session& session, QWidget* parent = nullptr);

  // Places the window beside the main window and fills it from SMPL_PRD,
  // GPIO_CTRL, MISC_CTRL and AUX_DAC. Writes nothing. A register the sensor does not answer
  // leaves its controls as they were (blank, no option selected), with one message.
  void Form_Load();

  // The option buttons act on clicks only (a selection made by the load raises no click).
  // Each click reads the register, changes the bits of its groups and writes it back.
  void Write_GPIO_ctrl();
  void Write_MSC_Ctrl();
  void cmdWriteSmpl_prd_Click();
  void cmdWriteAuxDac_Click();
  void cmdFlash_Click();
  void cmdClose_Click();

 private:
  // One pair of option buttons in its own frame: `set` sets the pair's bit, `clear` clears it.
  struct OptionPair {
    QRadioButton* set;
    QRadioButton* clear;
    uint16_t mask;
  };
  static constexpr std::size_t kGpioPairs = 4;  // pairs_[0..3]: GPIO_CTRL
  static constexpr std::size_t kMiscPairs = 3;  // pairs_[4..6]: MISC_CTRL

  void LayOutControls();
  void ConnectControls();
  void ShowSmplPrd(int32_t smpl_prd);
  void ShowAuxDac(int32_t aux_dac);
  // Selects the pairs [first, first + count) from a register word.
  void SelectPairs(std::size_t first, std::size_t count, int32_t word);
  static void SelectPair(const OptionPair& pair, PairChoice choice);
  static PairChoice ChoiceShown(const OptionPair& pair);
  // What both click handlers do, for the pairs [first, first + count) of register `index`.
  void WritePairsOf(int16_t index, const QString& name, std::size_t first, std::size_t count);
  bool HasInterface() const;
  // Shows a message unless the card or port has already reported the failure itself.
  void Report(const QString& message);
  void ReportWrite(WriteOutcome outcome, const QString& register_name);

  Session& session_;
  // What the load or the last read-back put in the two boxes.
  common::FilledCode filled_rate_;
  common::FilledCode filled_volts_;
  // The pairs' choices the device is known to hold (from the load or the last write), to which a
  // click that could not be written returns.
  std::array<PairChoice, kGpioPairs + kMiscPairs> known_{};

  QLabel* lblSampleRate_;
  QLineEdit* txtSampleRate_;
  QLabel* lblSPS_;
  QPushButton* cmdWriteSmpl_prd_;
  QLabel* lblSmplPrdCaption_;
  QLabel* lblSmpl_Prd_;

  QLabel* lblAuxIO_;
  QLabel* lblGeneralPurpose_;
  QLabel* lblIOLine0_;
  QLabel* lblIOLine1_;
  QLabel* lblPolLine0_;
  QLabel* lblPolLine1_;
  QRadioButton* optIO_zero_input_;
  QRadioButton* optIO_zero_output_;
  QRadioButton* optIO_one_input_;
  QRadioButton* optIO_one_output_;
  QRadioButton* optPol_zero_high_;
  QRadioButton* optPol_zero_low_;
  QRadioButton* optPol_one_high_;
  QRadioButton* optPol_one_low_;
  QLabel* lblDataReady_;
  QLabel* lblDRselect_;
  QLabel* lblDRPolarity_;
  QLabel* lblDREnable_;
  QRadioButton* optDRselect_Zero_;
  QRadioButton* optDRselect_One_;
  QRadioButton* optDRPolarity_High_;
  QRadioButton* optDRPolarity_Low_;
  QRadioButton* optDREnable_On_;
  QRadioButton* optDREnable_Off_;
  std::array<OptionPair, kGpioPairs + kMiscPairs> pairs_;

  QLabel* lblAuxDacTitle_;
  QLineEdit* txtVolts_;
  QLabel* lblVolts_;
  QPushButton* cmdWriteAuxDac_;
  QLabel* lblAuxDacCaption_;
  QLabel* lblAuxDac_;

  QPushButton* cmdFlash_;
  QPushButton* cmdClose_;
};

}  // namespace talvix::operation
