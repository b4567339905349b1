#pragma once
// TForm2: the settings dialog. It probes the display driver, loads the stored
// settings into a working copy, lets the user edit them on three tabs and on
// OK writes, in one step, the values that differ from what it loaded (and any
// the store lacks); Cancel and the close box store nothing.
#include <QColor>
#include <QMessageBox>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "components/setreg.h"
#include "platform/display.h"
#include "platform/registry.h"
#include "setup/mode_probe.h"
#include "setup/settings.h"

namespace Ui {
class Form2;
}

class QAbstractButton;
class QKeyEvent;
class QLineEdit;
class QRadioButton;
class QShowEvent;

namespace velmo {

class TForm2 : public QWidget {
  Q_OBJECT
 public:
  // Shows a message box owned by the dialog and returns when it is closed.
  using TMessageBoxFn =
      std::function<void(QWidget* owner, const QString& text, const QString& caption, QMessageBox::Icon icon)>;
  // Runs the colour chooser starting at initial; an invalid colour means cancelled.
  using TColorChooserFn = std::function<QColor(QWidget* owner, const QColor& initial)>;
  // Starts the idle watcher of the saver's program; false (with the reason)
  // when it could not be started.
  using TWatcherStartFn = std::function<bool(const std::string& program, std::string* why)>;

  // Runs FormCreate: the probes, the load and the fill, before the window is shown.
  TForm2(IDisplayDriver& display, IRegistry& registry, TMessageBoxFn messageBox, QWidget* parent = nullptr);
  ~TForm2() override;

  void SetColorChooser(TColorChooserFn chooser) { FColorChooser = std::move(chooser); }
  void SetWatcherStart(TWatcherStartFn start) { FWatcherStart = std::move(start); }

  const TSaverSettings& WorkingCopy() const { return FSettings; }
  const TIdleSettings& IdleCopy() const { return FIdle; }
  bool GammaAvailable() const { return FGammaAvailable; }
  const TModeTable& ModeTable() const { return FModes; }
  bool IsModeSupported(int width, int height, int depth) const { return FModes.IsModeSupported(width, height, depth); }

  void FillControls();
  void UpdateModeButtons();
  void UseDesktopMode();
  void UseFixedMode();
  void ResetClockPlacement();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Escape is Cancel and Return (Enter) is OK, as in any dialog; Return on
  // a focused button presses that button.
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void FormCreate();
  void ProbeDisplayModes();
  bool ProbeGammaSupport();
  void ShowDirectDrawFailure();
  void ShowError(const QString& text);
  // Whether the settings key opens for writing.
  bool StoreWritable();
  void BindHandlers();
  void ShowPreviewPicture();

  // Handlers, named after the controls they are bound to.
  void CheckBox1PlaySoundClick();
  void CheckBox2ShowFPSClick();
  void RadioButton3KeyMouseClick();
  void RadioButton4KeyClick();
  void RadioButton1SlowClick();
  void RadioButton2NormalClick();
  void RadioButton5FastClick();
  void UpDown1Changing();
  // True when the typed key is to be discarded (the four number fields).
  bool Edit1XKeyPress(const QKeyEvent& key);
  void Edit1NumbirdsExit();
  void Edit1XExit();
  void EditYExit();
  void Edit3RExit();
  void CheckBox4IdleStartClick();
  void Edit1IdleMinutesExit();
  // Stores the idle start's values when they changed and makes the
  // autostart entry and the watcher follow; false after an error shown.
  bool ApplyIdleStart();
  void TrackBar1Change();
  void Button1Click();
  void CheckBox3ShowclockClick();
  void Button1OKClick();
  void Button1CancelClick();
  void Button1DefaultClick();
  void SetResolution(int width, int height);
  void RadioButton6800x600Click();
  void RadioButton71024x768Click();
  void RadioButton81152x864Click();
  void RadioButton91280x1024Click();
  void RadioButton13desktopClick();
  void RadioButton10_16Click();
  void RadioButton11_24Click();
  void RadioButton12_32Click();
  void VideoModeMouseUp(QAbstractButton* button);

  void ShowSwatch(const QColor& colour);
  void SetClockControlsEnabled(bool enabled);
  // Reads, clamps, stores and writes back one number field.
  int ExitNumberField(QLineEdit* edit, int64_t lower, int64_t upper);
  // Runs the exit handler of a number field the user leaves.
  void CommitField(QObject* field);

  std::unique_ptr<Ui::Form2> ui;
  IDisplayDriver& FDisplay;
  IRegistry& FRegistry;
  TMessageBoxFn FMessageBox;
  TColorChooserFn FColorChooser;
  TWatcherStartFn FWatcherStart;
  std::unique_ptr<TSetReg> SetReg1;
  TSaverSettings FSettings;
  TSaverSettings FLoaded;  // the working copy as loaded, before the controls showed it
  TIdleSettings FIdle, FLoadedIdle;  // the idle start's values, edited and as loaded
  bool FDefaulted = false;  // "Default Setting" was pressed
  TModeTable FModes;
  bool FGammaAvailable = false;
  QColor FLastChosenColour{0, 0, 0};
  bool FFitted = false;
};

}  // namespace velmo
