#include "setup/form2.h"

#include <QApplication>
#include <QButtonGroup>
#include <QColorDialog>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QTextEdit>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/bitmap.h"
#include "platform/picture_codec.h"
#include "platform/posix/program_section.h"
#include "setup/idle_autostart.h"
#include "setup/number_field.h"
#include "setup/text_fit.h"
#include "ui_form2.h"

namespace velmo {

namespace {

constexpr Qt::WindowFlags kDialogFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;

QColor ToQColor(TColor c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

// The colour the platform gives menus, shown by the swatch while the clock is off.
QColor MenuColour() { return QGuiApplication::palette().color(QPalette::Active, QPalette::Window); }

// The dialog's picture is the saver's preview picture, read from the
// program file that carries it (the art lives once on disk): this program
// when it has it (a test), else the saver beside it (a build tree) or where
// the install layout puts it.
QImage LoadDialogPicture() {
  for (const std::string& program : {std::string("/proc/self/exe"), FindSaverProgram()}) {
    const std::vector<uint8_t> bytes = ReadProgramSection(program, ".velmo_preview");
    Bitmap bitmap;
    if (bytes.empty() || !DecodeBmp(bytes, bitmap, nullptr) || bitmap.Empty()) continue;
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
    for (int y = 0; y < bitmap.Height(); ++y) {
      auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < bitmap.Width(); ++x) {
        const TColor c = bitmap.PixelColour(x, y);
        row[x] = qRgb(RedOf(c), GreenOf(c), BlueOf(c));
      }
    }
    return image;
  }
  return {};
}

// The notes are plain read-only text on the face colour, in the dialog's
// font with the font's own line spacing.
void FormatNote(QTextEdit* note) {
  note->viewport()->setAutoFillBackground(false);
  note->setAutoFillBackground(false);
  note->document()->setDocumentMargin(1);
}

}  // namespace

TForm2::TForm2(IDisplayDriver& display, IRegistry& registry, TMessageBoxFn messageBox, QWidget* parent)
    : QWidget(parent, kDialogFlags),
      ui(std::make_unique<Ui::Form2>()),
      FDisplay(display),
      FRegistry(registry),
      FMessageBox(std::move(messageBox)),
      FColorChooser([](QWidget* owner, const QColor& initial) { return QColorDialog::getColor(initial, owner); }),
      FWatcherStart(StartIdleWatcher),
      SetReg1(std::make_unique<TSetReg>(nullptr, registry)) {
  SetReg1->SetName("SetReg1");
  SetReg1->SetCompanyName("Corvane");
  SetReg1->SetProductName("Velmo20");

  ui->setupUi(this);
  // The desktop's own sans face at the small dialog size; the layout grows
  // around it when the window is first shown.
  QFont face = QApplication::font();
  face.setPointSizeF(8);
  setFont(face);
  QFont title = face;
  title.setPointSizeF(12);
  title.setBold(true);
  ui->Label1->setFont(title);
  // Group box captions sit on the frame line.
  setStyleSheet(QStringLiteral("QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
                               "QGroupBox::title { subcontrol-origin: margin; left: 6px; top: 1px; padding: 0 2px; }"));
  for (QTextEdit* note : {ui->Memo1, ui->Memo2, ui->Memo3}) FormatNote(note);

  ui->UpDown1->SetRange(0, 10);
  ui->UpDown1->SetAssociate(ui->Edit1Numbirds);
  ui->UpDown1->SetPosition(1);
  ui->UpDown2->SetRange(kIdleMinutesLow, kIdleMinutesHigh);
  ui->UpDown2->SetAssociate(ui->Edit1IdleMinutes);
  ShowSwatch(QColor(128, 128, 128));
  ui->PageControl1->setCurrentIndex(0);
  // Shown as the button Return presses.
  ui->Button1OK->setDefault(true);

  // Radio buttons exclude each other within their own group only.
  const std::array<std::vector<QAbstractButton*>, 4> groups{{
      {ui->RadioButton3KeyMouse, ui->RadioButton4Key},
      {ui->RadioButton1Slow, ui->RadioButton2Normal, ui->RadioButton5Fast},
      {ui->RadioButton6800x600, ui->RadioButton71024x768, ui->RadioButton81152x864, ui->RadioButton91280x1024,
       ui->RadioButton13desktop},
      {ui->RadioButton10_16, ui->RadioButton11_24, ui->RadioButton12_32},
  }};
  for (const auto& members : groups) {
    auto* group = new QButtonGroup(this);
    for (QAbstractButton* b : members) group->addButton(b);
  }

  for (QLineEdit* edit : {ui->Edit1Numbirds, ui->Edit1X, ui->EditY, ui->Edit3R, ui->Edit1IdleMinutes})
    edit->installEventFilter(this);
  for (QAbstractButton* b : {static_cast<QAbstractButton*>(ui->RadioButton6800x600),
                             static_cast<QAbstractButton*>(ui->RadioButton71024x768),
                             static_cast<QAbstractButton*>(ui->RadioButton81152x864),
                             static_cast<QAbstractButton*>(ui->RadioButton91280x1024),
                             static_cast<QAbstractButton*>(ui->RadioButton13desktop)})
    b->installEventFilter(this);
  ui->PanelColor->installEventFilter(this);

  BindHandlers();
  FormCreate();
}

TForm2::~TForm2() = default;

void TForm2::showEvent(QShowEvent* event) {
  // The tab pages get their room only as the window is shown, so the fit to
  // the font is made here, before the first paint.
  if (!FFitted) {
    FFitted = true;
    FitToText(this);
    setFixedSize(size());
    if (QScreen* screen = QGuiApplication::primaryScreen())
      move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    ShowPreviewPicture();
  }
  QWidget::showEvent(event);
}

void TForm2::ShowPreviewPicture() {
  const QImage image = LoadDialogPicture();
  if (image.isNull()) return;
  // Scaled once to the screen's pixels: whole-number scales double pixels
  // exactly (sharp, no blur); other scales are smoothed, where nearest
  // pixels would come out in uneven rows and columns.
  const qreal ratio = devicePixelRatioF();
  const bool whole = std::abs(ratio - std::round(ratio)) < 1e-3;
  QPixmap picture = QPixmap::fromImage(image.scaled(image.size() * ratio, Qt::IgnoreAspectRatio,
                                                    whole ? Qt::FastTransformation : Qt::SmoothTransformation));
  picture.setDevicePixelRatio(ratio);
  ui->Image1->setPixmap(picture);
}

void TForm2::BindHandlers() {
  // toggled() fires for the user's clicks and for changes made from code, and
  // only when the state really changes: what the fill-in relies on.
  connect(ui->CheckBox1PlaySound, &QCheckBox::toggled, this, [this] { CheckBox1PlaySoundClick(); });
  connect(ui->CheckBox2ShowFPS, &QCheckBox::toggled, this, [this] { CheckBox2ShowFPSClick(); });
  connect(ui->CheckBox3Showclock, &QCheckBox::toggled, this, [this] { CheckBox3ShowclockClick(); });
  connect(ui->CheckBox4IdleStart, &QCheckBox::toggled, this, [this] { CheckBox4IdleStartClick(); });
  auto onSelect = [this](QAbstractButton* button, void (TForm2::*handler)()) {
    connect(button, &QAbstractButton::toggled, this, [this, handler](bool on) {
      if (on) (this->*handler)();
    });
  };
  onSelect(ui->RadioButton3KeyMouse, &TForm2::RadioButton3KeyMouseClick);
  onSelect(ui->RadioButton4Key, &TForm2::RadioButton4KeyClick);
  onSelect(ui->RadioButton1Slow, &TForm2::RadioButton1SlowClick);
  onSelect(ui->RadioButton2Normal, &TForm2::RadioButton2NormalClick);
  onSelect(ui->RadioButton5Fast, &TForm2::RadioButton5FastClick);
  onSelect(ui->RadioButton6800x600, &TForm2::RadioButton6800x600Click);
  onSelect(ui->RadioButton71024x768, &TForm2::RadioButton71024x768Click);
  onSelect(ui->RadioButton81152x864, &TForm2::RadioButton81152x864Click);
  onSelect(ui->RadioButton91280x1024, &TForm2::RadioButton91280x1024Click);
  onSelect(ui->RadioButton13desktop, &TForm2::RadioButton13desktopClick);
  onSelect(ui->RadioButton10_16, &TForm2::RadioButton10_16Click);
  onSelect(ui->RadioButton11_24, &TForm2::RadioButton11_24Click);
  onSelect(ui->RadioButton12_32, &TForm2::RadioButton12_32Click);
  connect(ui->UpDown1, &TUpDown::Changing, this, [this] { UpDown1Changing(); });
  connect(ui->TrackBar1, &QSlider::valueChanged, this, [this] { TrackBar1Change(); });
  connect(ui->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(ui->Button1OK, &QPushButton::clicked, this, [this] { Button1OKClick(); });
  connect(ui->Button1Cancel, &QPushButton::clicked, this, [this] { Button1CancelClick(); });
  connect(ui->Button1Default, &QPushButton::clicked, this, [this] { Button1DefaultClick(); });
}

// ---- creation, probing and filling ----------------------------------------

void TForm2::FormCreate() {
  ProbeDisplayModes();
  FGammaAvailable = ProbeGammaSupport();
  if (!FGammaAvailable) {
    ui->TrackBar1->setEnabled(false);
    const QColor inactive = palette().color(QPalette::Disabled, QPalette::WindowText);
    for (QWidget* w : {static_cast<QWidget*>(ui->Label8), static_cast<QWidget*>(ui->Label9),
                       static_cast<QWidget*>(ui->Memo2)}) {
      QPalette p = w->palette();
      p.setColor(QPalette::WindowText, inactive);
      p.setColor(QPalette::Text, inactive);
      w->setPalette(p);
    }
  }
  // Values a failed load does not reach keep their defaults, so that what the
  // dialog shows, and OK stores, is a whole and usable set.
  SetDefaultSettings(FDisplay, FSettings);
  try {
    LoadSettings(*SetReg1, FDisplay, FSettings);
  } catch (const ERegistryException& e) {
    ShowError(QString::fromStdString(e.what()));
  }
  try {
    FIdle = LoadIdleSettings(*SetReg1);
  } catch (const ERegistryException& e) {
    ShowError(QString::fromStdString(e.what()));
  }
  // OK stores what the user changes from here; the rest stays as the store
  // holds it then (the saver's keys may change brightness and the clock).
  FLoaded = FSettings;
  FLoadedIdle = FIdle;
  FillControls();
}

void TForm2::ShowDirectDrawFailure() {
  FMessageBox(this, QStringLiteral("DirectDraw Init FAILED"), QStringLiteral("Screen saver"), QMessageBox::NoIcon);
}

void TForm2::ShowError(const QString& text) {
  FMessageBox(this, text, QCoreApplication::applicationName(), QMessageBox::Critical);
}

void TForm2::ProbeDisplayModes() {
  if (!velmo::ProbeDisplayModes(FDisplay, FModes)) ShowDirectDrawFailure();
}

bool TForm2::ProbeGammaSupport() {
  std::optional<bool> supported = velmo::ProbeGammaSupport(FDisplay);
  if (!supported) ShowDirectDrawFailure();
  return supported.value_or(false);
}

void TForm2::FillControls() {
  ui->CheckBox1PlaySound->setChecked(FSettings.flag_PlaySound);
  ui->CheckBox2ShowFPS->setChecked(FSettings.flag_fps);
  ui->Edit1Numbirds->setText(QString::number(FSettings.NumBirds));
  ui->UpDown1->SetPosition(FSettings.NumBirds);
  (FSettings.TermMouse ? ui->RadioButton3KeyMouse : ui->RadioButton4Key)->setChecked(true);
  switch (FSettings.SetSpeed) {
    case 0: ui->RadioButton1Slow->setChecked(true); break;
    case 2: ui->RadioButton5Fast->setChecked(true); break;
    default: ui->RadioButton2Normal->setChecked(true); break;
  }
  UpdateModeButtons();
  if (FSettings.flag_defres) {
    ui->RadioButton13desktop->setChecked(true);
  } else {
    switch (FSettings.ResHor) {
      case 800: ui->RadioButton6800x600->setChecked(true); break;
      case 1024: ui->RadioButton71024x768->setChecked(true); break;
      case 1152: ui->RadioButton81152x864->setChecked(true); break;
      case 1280: ui->RadioButton91280x1024->setChecked(true); break;
      default: ui->RadioButton13desktop->setChecked(true); break;
    }
    switch (FSettings.ColorDepth) {
      case 16: ui->RadioButton10_16->setChecked(true); break;
      case 24: ui->RadioButton11_24->setChecked(true); break;
      case 32: ui->RadioButton12_32->setChecked(true); break;
      default: break;  // an odd depth is kept as stored until the user picks one
    }
  }
  if (ui->RadioButton13desktop->isChecked()) UseDesktopMode();
  if (FGammaAvailable) {
    ui->TrackBar1->setValue(FSettings.Gamma);
    // The slider clamps to its range; store what it shows.
    FSettings.Gamma = ui->TrackBar1->value();
  }
  ui->CheckBox3Showclock->setChecked(FSettings.flag_clock);
  ui->Edit1X->setText(QString::number(FSettings.clockX));
  ui->EditY->setText(QString::number(FSettings.clockY));
  ui->Edit3R->setText(QString::number(FSettings.clockRad));
  ShowSwatch(ToQColor(FSettings.ColorClock));
  ui->CheckBox4IdleStart->setChecked(FIdle.IdleStart);
  ui->Edit1IdleMinutes->setText(QString::number(FIdle.IdleMinutes));
  ui->UpDown2->SetPosition(FIdle.IdleMinutes);
  CheckBox4IdleStartClick();
}

void TForm2::UpdateModeButtons() {
  const std::array<QAbstractButton*, 4> resolutions{ui->RadioButton6800x600, ui->RadioButton71024x768,
                                                    ui->RadioButton81152x864, ui->RadioButton91280x1024};
  // Resolution buttons are judged at 16 bits and only ever disabled.
  for (size_t r = 0; r < resolutions.size(); ++r) {
    if (!FModes.IsModeSupported(kOfferedResolutions[r].width, kOfferedResolutions[r].height, 16))
      resolutions[r]->setEnabled(false);
  }
  // Depth buttons are judged at 800 x 600.
  const std::array<QAbstractButton*, 3> depths{ui->RadioButton10_16, ui->RadioButton11_24, ui->RadioButton12_32};
  for (size_t d = 0; d < depths.size(); ++d) depths[d]->setEnabled(FModes.IsModeSupported(800, 600, kOfferedDepths[d]));
}

void TForm2::UseDesktopMode() {
  FSettings.flag_defres = true;
  for (QAbstractButton* b : {ui->RadioButton10_16, ui->RadioButton11_24, ui->RadioButton12_32}) b->setEnabled(false);
}

void TForm2::UseFixedMode() {
  FSettings.flag_defres = false;
  UpdateModeButtons();
}

void TForm2::ResetClockPlacement() {
  // The same place a first run on that mode takes, so the two never disagree.
  DefaultClockPlacement(FSettings.ResHor, FSettings.ResVert, FSettings.clockX, FSettings.clockY, FSettings.clockRad);
  ui->Edit1X->setText(QString::number(FSettings.clockX));
  ui->EditY->setText(QString::number(FSettings.clockY));
  ui->Edit3R->setText(QString::number(FSettings.clockRad));
}

// ---- handlers ---------------------------------------------------------------

void TForm2::CheckBox1PlaySoundClick() { FSettings.flag_PlaySound = ui->CheckBox1PlaySound->isChecked(); }
void TForm2::CheckBox2ShowFPSClick() { FSettings.flag_fps = ui->CheckBox2ShowFPS->isChecked(); }
// Both "Terminate" buttons read the same one.
void TForm2::RadioButton3KeyMouseClick() { FSettings.TermMouse = ui->RadioButton3KeyMouse->isChecked(); }
void TForm2::RadioButton4KeyClick() { FSettings.TermMouse = ui->RadioButton3KeyMouse->isChecked(); }
void TForm2::RadioButton1SlowClick() { FSettings.SetSpeed = 0; }
void TForm2::RadioButton2NormalClick() { FSettings.SetSpeed = 1; }
void TForm2::RadioButton5FastClick() { FSettings.SetSpeed = 2; }
// The position before the step; OK reads the spinner again.
void TForm2::UpDown1Changing() { FSettings.NumBirds = ui->UpDown1->Position(); }
void TForm2::TrackBar1Change() { FSettings.Gamma = ui->TrackBar1->value(); }

int TForm2::ExitNumberField(QLineEdit* edit, int64_t lower, int64_t upper) {
  const int value = ClampLowerFirst(ParseLikeAtol(edit->text().toStdString()), lower, upper);
  edit->setText(QString::number(value));
  return value;
}

void TForm2::Edit1NumbirdsExit() { FSettings.NumBirds = ExitNumberField(ui->Edit1Numbirds, 0, 10); }

// The clock's fields offer only what the saver draws as stored on the
// chosen screen, portrait or landscape (ClockRadiusSpan, ClockCentreSpan).
void TForm2::Edit1XExit() {
  const TClockSpan span = ClockCentreSpan(FSettings.clockRad, FSettings.ResHor);
  FSettings.clockX = ExitNumberField(ui->Edit1X, span.low, span.high);
}

void TForm2::EditYExit() {
  const TClockSpan span = ClockCentreSpan(FSettings.clockRad, FSettings.ResVert);
  FSettings.clockY = ExitNumberField(ui->EditY, span.low, span.high);
}

void TForm2::Edit3RExit() {
  const TClockSpan span = ClockRadiusSpan(FSettings.ResHor, FSettings.ResVert);
  FSettings.clockRad = ExitNumberField(ui->Edit3R, span.low, span.high);
  Edit1XExit();
  EditYExit();
}

void TForm2::CheckBox4IdleStartClick() {
  FIdle.IdleStart = ui->CheckBox4IdleStart->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{ui->Label19, ui->Edit1IdleMinutes, ui->UpDown2, ui->Label20})
    w->setEnabled(FIdle.IdleStart);
}

void TForm2::Edit1IdleMinutesExit() {
  FIdle.IdleMinutes = ExitNumberField(ui->Edit1IdleMinutes, kIdleMinutesLow, kIdleMinutesHigh);
  ui->UpDown2->SetPosition(FIdle.IdleMinutes);
}

bool TForm2::ApplyIdleStart() {
  try {
    if (FDefaulted || FIdle != FLoadedIdle) SaveIdleSettings(*SetReg1, FIdle);
  } catch (const ERegistryException& e) {
    ShowError(QString::fromStdString(e.what()));
    return false;
  }
  // The entry follows the check box at every OK, so one removed or left
  // by hand is mended; the watcher is started when the check box was
  // turned on (one already running makes it end by itself).
  const std::string entry = AutostartEntryPath();
  if (entry.empty()) {
    if (FIdle.IdleStart) ShowError(QStringLiteral("No autostart entry can be made: neither XDG_CONFIG_HOME nor HOME is set."));
    return !FIdle.IdleStart;
  }
  std::string why;
  if (!FIdle.IdleStart) {
    if (RemoveAutostartEntry(entry, &why) == 0) return true;
    ShowError(QString::fromStdString("The autostart entry could not be removed: " + why));
    return false;
  }
  const std::string program = FindSaverProgram();
  if (WriteAutostartEntry(entry, AutostartEntryText(ProgramForExec(program)), &why) != 0) {
    ShowError(QString::fromStdString("The autostart entry could not be written: " + why));
    return false;
  }
  if (FLoadedIdle.IdleStart) return true;
  if (!FWatcherStart(program.empty() ? std::string("velmo") : program, &why))
    ShowError(QString::fromStdString("Velmo starts when the computer is idle from the next session on; now " + why));
  return true;
}

void TForm2::Button1Click() {
  const QColor chosen = FColorChooser(this, FLastChosenColour);
  if (!chosen.isValid()) return;
  FLastChosenColour = chosen;
  FSettings.ColorClock = RGBColor(static_cast<uint8_t>(chosen.red()), static_cast<uint8_t>(chosen.green()),
                                  static_cast<uint8_t>(chosen.blue()));
  ShowSwatch(ToQColor(FSettings.ColorClock));
}

void TForm2::CheckBox3ShowclockClick() {
  FSettings.flag_clock = ui->CheckBox3Showclock->isChecked();
  SetClockControlsEnabled(FSettings.flag_clock);
  ShowSwatch(FSettings.flag_clock ? ToQColor(FSettings.ColorClock) : MenuColour());
}

void TForm2::SetClockControlsEnabled(bool enabled) {
  for (QWidget* w : std::initializer_list<QWidget*>{ui->Label10, ui->Edit1X, ui->Label11, ui->EditY, ui->PanelColor,
                                                    ui->Button1, ui->Label13, ui->Edit3R})
    w->setEnabled(enabled);
}

void TForm2::ShowSwatch(const QColor& colour) {
  QPalette p = ui->PanelColor->palette();
  for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    p.setColor(g, QPalette::Window, colour);
  ui->PanelColor->setPalette(p);
}

void TForm2::Button1OKClick() {
  // The spinner's position, taken as a signed 16-bit value.
  FSettings.NumBirds = static_cast<int16_t>(ui->UpDown1->Position());
  FIdle.IdleMinutes = ui->UpDown2->Position();
  // A key that cannot be opened turns every write into a silent no-op; say so
  // and keep the dialog open rather than close as if the settings were kept.
  if (!StoreWritable()) {
    ShowError(QStringLiteral("The settings could not be saved."));
    return;
  }
  try {
    // After "Default Setting" every value is the user's choice.
    if (FDefaulted) SaveSettings(*SetReg1, FSettings);
    else SaveChangedSettings(*SetReg1, FLoaded, FSettings);
  } catch (const ERegistryException& e) {
    ShowError(QString::fromStdString(e.what()));
    return;
  }
  if (!ApplyIdleStart()) return;
  close();
}

bool TForm2::StoreWritable() {
  HKEY key = 0;
  const std::string path = "SOFTWARE\\" + SetReg1->GetCompanyName() + "\\" + SetReg1->GetProductName();
  if (FRegistry.RegCreateKeyEx(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
  FRegistry.RegCloseKey(key);
  return true;
}

void TForm2::Button1CancelClick() { close(); }

void TForm2::Button1DefaultClick() {
  FDefaulted = true;
  SetDefaultSettings(FDisplay, FSettings);
  FIdle = TIdleSettings{};
  FillControls();
}

// ---- video mode and colour depth (the "Display" tab) ------------------------

void TForm2::SetResolution(int width, int height) {
  FSettings.ResHor = width;
  FSettings.ResVert = height;
  UseFixedMode();
}

void TForm2::RadioButton6800x600Click() { SetResolution(800, 600); }
void TForm2::RadioButton71024x768Click() { SetResolution(1024, 768); }
void TForm2::RadioButton81152x864Click() { SetResolution(1152, 864); }
void TForm2::RadioButton91280x1024Click() { SetResolution(1280, 1024); }

void TForm2::RadioButton13desktopClick() {
  ReadDesktopMode(FDisplay, FSettings);
  UseDesktopMode();
}

void TForm2::RadioButton10_16Click() { FSettings.ColorDepth = 16; }
void TForm2::RadioButton11_24Click() { FSettings.ColorDepth = 24; }
void TForm2::RadioButton12_32Click() { FSettings.ColorDepth = 32; }

// ---- input filtering --------------------------------------------------------

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (edit && event->type() == QEvent::KeyPress) return Edit1XKeyPress(*static_cast<QKeyEvent*>(event));
  if (edit && event->type() == QEvent::FocusOut) {
    // Leaving the field, not the window, commits it.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) CommitField(edit);
    return false;
  }
  if (event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || !widget->isEnabled() || !widget->rect().contains(mouse->position().toPoint())) return false;
    if (widget == ui->PanelColor) {
      if (mouse->button() == Qt::LeftButton) Button1Click();
      return false;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      // Let the button act on the release first, so that a click that selects
      // it has set the new mode before the clock is placed for it.
      static_cast<QObject*>(button)->event(event);
      VideoModeMouseUp(button);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TForm2::CommitField(QObject* field) {
  if (field == ui->Edit1Numbirds) Edit1NumbirdsExit();
  else if (field == ui->Edit1X) Edit1XExit();
  else if (field == ui->EditY) EditYExit();
  else if (field == ui->Edit3R) Edit3RExit();
  else if (field == ui->Edit1IdleMinutes) Edit1IdleMinutesExit();
}

void TForm2::keyPressEvent(QKeyEvent* event) {
  const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  if (plain && event->key() == Qt::Key_Escape) {
    Button1CancelClick();
    return;
  }
  if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    QWidget* focused = focusWidget();
    if (auto* button = qobject_cast<QPushButton*>(focused); button && button->isEnabled()) {
      button->click();
      return;
    }
    // The field being typed in counts, as if it had been left for OK.
    CommitField(focused);
    Button1OKClick();
    return;
  }
  QWidget::keyPressEvent(event);
}

bool TForm2::Edit1XKeyPress(const QKeyEvent& key) {
  // Only digits may be typed. Keys that type no character (Delete, arrows)
  // and the focus keys pass; every other character, backspace included, is dropped.
  if (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab || key.key() == Qt::Key_Delete) return false;
  // Return and Escape go on to the dialog: OK and Cancel.
  if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.key() == Qt::Key_Escape) return false;
  for (QChar c : key.text())
    if (!IsNumberFieldChar(c.unicode())) return true;
  return false;
}

void TForm2::VideoModeMouseUp(QAbstractButton* button) {
  if (button->isEnabled()) ResetClockPlacement();
}

}  // namespace velmo
