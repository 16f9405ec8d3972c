#pragma once
// "Save a sample in RTF format": where to save a run of results as RTF
// files, from which result on and how many. Created once and kept, so that
// the choices survive from one use to the next; the caller sets
// start_num before each showing and reads the record after OK.

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "runtime/input_choices.h"
#include "ui_kit/path_edit_widget.h"

class SampleRtfDialog : public QDialog {
  Q_OBJECT
 public:
  // The result when the folder was left empty: neither OK nor Cancel.
  static constexpr int kRetry = 4;

  explicit SampleRtfDialog(QWidget* parent = nullptr);

  RtfSampleChoice choices;

  QLabel* intro_label;
  QSpinBox* start_number_spin;
  QSpinBox* sample_size_spin;
  PathEdit* folder_edit;
  QPushButton* ok_button;

  // Fills the controls from the choices (see showEvent).
  void ShowChoices();
  void AcceptChoices();

 protected:
  void showEvent(QShowEvent* event) override;
};
