// The options dialog "选项": after-done action, existing output files, thread count, live preview
// and thread priority. Its controls are the live source of these options: the main window reads
// them when it needs them; "确定" also stores them in the "Options" section of the settings file.
#pragma once

#include <QDialog>

#include <string>

#include "app/EngineLink.h"
#include "platform/SysThread.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QRadioButton;

class TForm5 : public QDialog {
  Q_OBJECT

 public:
  // After-done actions, as stored in "After_Done".
  enum TAfterDone { adOpenFolder, adShutDown, adPlaySound, adNothing };

  // Reads the "Options" section of `settingsFile` (ReadOptions); the live-preview switch drives
  // `engine`'s preview setting from then on.
  TForm5(std::string settingsFile, app::IConversionEngine& engine, QWidget* parent = nullptr);

  void ReadOptions();
  // False when a key could not be written.
  bool WriteOptions();

  // The controls' current state.
  TAfterDone AfterDone() const;
  // "直接覆盖输出文件" is chosen.
  bool OverwriteFiles() const;
  bool MultiThread() const;
  QString ThreadCountText() const;
  // The number of files converted at once: the thread list's number with the multi-thread switch
  // on (1 for a text that is no number), otherwise 1.
  int ThreadCount() const;
  bool LivePreview() const;
  platform::TThreadPriority Priority() const;

 private:
  void BuildControls();
  void OkClick();
  void MultiThreadClick();

  std::string FSettingsFile;
  app::IConversionEngine& FEngine;

  QButtonGroup* FAfterDone;
  QButtonGroup* FExisting;
  QButtonGroup* FPriority;
  QComboBox* edtThreadCount;
  QCheckBox* chkMultiThread;
  QCheckBox* chkLivePreview;
};
