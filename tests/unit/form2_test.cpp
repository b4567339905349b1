// The settings dialog driven like a user drives it: QTest key and mouse events
// on the offscreen platform, against the fake display and the fake store.
#include "setup/form2.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTextDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/fake/fake_display.h"
#include "platform/fake/fake_registry.h"
#include "setup/idle_autostart.h"
#include "setup/setup_mode.h"
#include "setup/text_fit.h"
#include "setup/updown.h"

namespace velmo {
namespace {

const char* const kKey = FakeRegistry::kVelmoKey;

const std::vector<std::string> kSchemaOrder = {"NumBirds", "flag_clock", "flag_PlaySound", "flag_fps", "TermMouse",
                                               "Gamma",    "flag_defres", "ResHor",       "ResVert",  "ColorDepth",
                                               "clockX",   "clockY",     "clockRad",       "ColorClock", "SetSpeed"};

void EnsureApplication() {
  if (QApplication::instance()) return;
  static int argc = 1;
  static char name[] = "velmo_unit_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);  // lives for the whole test run
}

struct Box {
  QString text;
  QString caption;
  QMessageBox::Icon icon;
};

class Form2Test : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    QCoreApplication::setApplicationName(QString::fromLatin1(kSettingsAppTitle));
    display.desktop = {1280, 1024, 24};
    display.modes.clear();
    for (auto [w, h] : {std::pair{800, 600}, {1024, 768}, {1152, 864}, {1280, 1024}})
      for (int bits : {16, 24, 32}) display.modes.push_back({w, h, bits});
  }

  // A whole stored key; overrides replace single values.
  void Store(std::map<std::string, uint32_t> overrides = {}) {
    std::map<std::string, uint32_t> v = {{"NumBirds", 7},   {"flag_clock", 1},  {"flag_PlaySound", 1},
                                         {"flag_fps", 1},   {"TermMouse", 1},   {"Gamma", 256},
                                         {"flag_defres", 0}, {"ResHor", 1024},  {"ResVert", 768},
                                         {"ColorDepth", 32}, {"clockX", 934},   {"clockY", 90},
                                         {"clockRad", 70},  {"ColorClock", 33023}, {"SetSpeed", 1}};
    for (auto& [name, value] : overrides) v[name] = value;
    for (const std::string& name : kSchemaOrder) registry.PutDword(kKey, name, v[name]);
  }

  TForm2& Open() {
    form = std::make_unique<TForm2>(display, registry,
                                    [this](QWidget*, const QString& text, const QString& caption,
                                           QMessageBox::Icon icon) { boxes.push_back({text, caption, icon}); });
    form->SetColorChooser([this](QWidget*, const QColor& initial) {
      chooserOpenedWith.push_back(initial);
      return chooserAnswer;
    });
    form->show();
    form->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    registry.calls.clear();
    return *form;
  }

  template <class T>
  T* W(const char* name) {
    T* widget = form->findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QLineEdit* Edit(const char* name) { return W<QLineEdit>(name); }
  QRadioButton* Radio(const char* name) { return W<QRadioButton>(name); }
  QCheckBox* Check(const char* name) { return W<QCheckBox>(name); }

  void ShowTab(int index) {
    W<QTabWidget>("PageControl1")->setCurrentIndex(index);
    QCoreApplication::processEvents();
  }

  // Replaces the field's text with typed keys (the selection is deleted with
  // Delete, which the fields let through) and leaves it with Tab.
  void TypeAndLeave(QLineEdit* edit, const char* typed) {
    Type(edit, typed);
    Leave(edit);
  }
  void Type(QLineEdit* edit, const char* typed) {
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, typed);
  }
  void Leave(QLineEdit* edit) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(edit, &out);
  }
  void Click(QAbstractButton* button, Qt::MouseButton mouse = Qt::LeftButton) { QTest::mouseClick(button, mouse); }

  int Stored(const std::string& name) const { return static_cast<int>(registry.Dword(kKey, name)); }

  FakeDisplayDriver display;
  FakeRegistry registry;
  std::vector<Box> boxes;
  std::vector<QColor> chooserOpenedWith;
  QColor chooserAnswer;
  std::unique_ptr<TForm2> form;
};

// ---- window and layout ------------------------------------------------------

TEST_F(Form2Test, IsAFixedSizeWindowWithTheThreeTabsThePictureAndTheNotes) {
  TForm2& f = Open();
  EXPECT_EQ(f.windowTitle(), "Velmo Setup");
  EXPECT_EQ(f.minimumSize(), f.maximumSize());
  EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(f.windowFlags() & Qt::WindowMinimizeButtonHint);
  auto* tabs = W<QTabWidget>("PageControl1");
  ASSERT_EQ(tabs->count(), 3);
  EXPECT_EQ(tabs->tabText(0), "Settings");
  EXPECT_EQ(tabs->tabText(1), "Display");
  EXPECT_EQ(tabs->tabText(2), "Clock");
  EXPECT_EQ(tabs->currentIndex(), 0);
  // The preview picture of the catalogue, top left.
  auto* picture = W<QLabel>("Image1");
  ASSERT_FALSE(picture->pixmap().isNull());
  EXPECT_GE(picture->pixmap().deviceIndependentSize().width(), 150);
  EXPECT_EQ(W<QTextEdit>("Memo2")->toPlainText(),
            "While the saver runs, + brightens and \u2212 darkens the picture.\n"
            "This works when \"Keyboard only (Esc key)\" is chosen on the Settings tab.");
  EXPECT_EQ(W<QTextEdit>("Memo3")->toPlainText(),
            "While the saver runs, the arrow keys move the clock.\n"
            "This works when \"Keyboard only (Esc key)\" is chosen on the Settings tab.");
  EXPECT_EQ(W<QTextEdit>("Memo1")->toPlainText(),
            "If you hear no sound, check that a sound output is set up; the saver reports a missing one on its "
            "standard error.");
  EXPECT_EQ(W<QRadioButton>("RadioButton3KeyMouse")->text(), "Keyboard and mouse");
  EXPECT_EQ(W<QRadioButton>("RadioButton4Key")->text(), "Keyboard only (Esc key)");
  EXPECT_TRUE(W<QPushButton>("Button1OK")->isDefault());
}

// Escape is Cancel, Return is OK (a number field being typed in counts),
// and Return on a focused button presses that one.
TEST_F(Form2Test, EscapeCancelsAndReturnStoresLikeOk) {
  Store({{"NumBirds", 4}});
  struct Case {
    const char* what;
    Qt::Key key;
    const char* focus;
    bool stored;
  };
  const Case cases[] = {
      {"Escape in the field", Qt::Key_Escape, "Edit1Numbirds", false},
      {"Return in the field", Qt::Key_Return, "Edit1Numbirds", true},
      {"Enter on the keypad", Qt::Key_Enter, "Edit1Numbirds", true},
      {"Return on Cancel", Qt::Key_Return, "Button1Cancel", false},
  };
  for (const Case& c : cases) {
    registry.PutDword(kKey, "NumBirds", 4);
    TForm2& f = Open();
    auto* field = Edit("Edit1Numbirds");
    QWidget* focus = f.findChild<QWidget*>(c.focus);
    ASSERT_NE(focus, nullptr) << c.what;
    focus->setFocus();
    field->setText("9");
    QTest::keyClick(focus, c.key, c.key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    EXPECT_FALSE(f.isVisible()) << c.what;
    EXPECT_EQ(Stored("NumBirds"), c.stored ? 9 : 4) << c.what;
  }
}

// Where a control shows a text: the room its style gives the text, in the
// control's coordinates, and the box the text takes there by the font's
// metrics (notes word-wrapped at their width), placed as the style aligns it.
struct ShownText {
  QString text;
  QRectF room;
  QRectF box;
};

QRectF Place(const QFont& font, const QString& text, const QRectF& room, Qt::Alignment align, bool wrap = false) {
  const QFontMetricsF fm(font);
  const QSizeF size = wrap ? fm.boundingRect(QRectF(0, 0, room.width(), 1e6), Qt::TextWordWrap, text).size()
                           : QSizeF(fm.horizontalAdvance(text), fm.height());
  QRectF box(room.topLeft(), size);
  if (align & Qt::AlignHCenter) box.moveLeft(room.center().x() - size.width() / 2);
  if (align & Qt::AlignRight) box.moveRight(room.right());
  if (align & Qt::AlignVCenter) box.moveTop(room.center().y() - size.height() / 2);
  if (align & Qt::AlignBottom) box.moveBottom(room.bottom());
  return box;
}

std::vector<ShownText> TextsOf(QWidget* w) {
  QStyle* style = w->style();
  const QFont& font = w->font();
  std::vector<ShownText> texts;
  auto add = [&](const QString& text, QRectF room, Qt::Alignment align, bool wrap = false) {
    if (!text.isEmpty()) texts.push_back({text, room, Place(font, text, room, align, wrap)});
  };
  if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    const QStyle::SubElement room = qobject_cast<QRadioButton*>(w)  ? QStyle::SE_RadioButtonContents
                                    : qobject_cast<QCheckBox*>(w)   ? QStyle::SE_CheckBoxContents
                                                                    : QStyle::SE_PushButtonContents;
    add(b->text(), style->subElementRect(room, &opt, b),
        room == QStyle::SE_PushButtonContents ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    add(label->text(), label->contentsRect(), label->alignment());
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    QStyleOptionFrame opt;
    opt.initFrom(edit);
    opt.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit);
    // The edit keeps two pixels either side of its text.
    add(edit->text(), style->subElementRect(QStyle::SE_LineEditContents, &opt, edit).adjusted(2, 0, -2, 0),
        Qt::AlignLeft | Qt::AlignVCenter);
  } else if (auto* note = qobject_cast<QTextEdit*>(w)) {
    const qreal m = note->document()->documentMargin();
    add(ShownNoteText(note->toPlainText()), QRectF(note->viewport()->geometry()).adjusted(m, m, -m, -m),
        Qt::AlignLeft | Qt::AlignTop, true);
  } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
    QStyleOptionGroupBox opt;
    opt.initFrom(box);
    opt.text = box->title();
    opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    // The style rounds the title's room to whole pixels; the title is placed
    // there and must lie within the group box.
    const QRectF title = style->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, box);
    const QRectF at = Place(font, box->title(), title, Qt::AlignLeft | Qt::AlignVCenter);
    texts.push_back({box->title(), QRectF(box->rect()).adjusted(1, 0, -1, 0), at});
  }
  return texts;
}

// The walk runs at the scale the process was started with (QT_SCALE_FACTOR;
// ctest runs it at 1 and at 2), with the two faces Debian desktops have.
TEST_F(Form2Test, EveryTextShowsWholeInsideItsControlAndEveryControlInsideItsParent) {
  const qreal scale = qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qgetenv("QT_SCALE_FACTOR").toDouble() : 1.0;
  const QFont desktop = QApplication::font();
  for (const char* face : {"DejaVu Sans", "Liberation Sans"}) {
    SCOPED_TRACE(face);
    QApplication::setFont(QFont(QString::fromLatin1(face)));
    Store();
    TForm2& f = Open();
    QApplication::setFont(desktop);
    EXPECT_EQ(QFontInfo(f.font()).family(), face);
    EXPECT_NEAR(f.font().pointSizeF(), 8, 0.5);
    EXPECT_EQ(f.devicePixelRatioF(), scale);
    // The arrangement is kept: about the designed size, grown rather than clipped.
    EXPECT_GE(f.width(), 457);
    EXPECT_GE(f.height(), 381);
    EXPECT_LE(f.width(), 457 * 1.1);
    EXPECT_LE(f.height(), 381 * 1.1);

    auto* tabs = W<QTabWidget>("PageControl1");
    for (int t = 0; t < tabs->count(); ++t) {
      const QRect title = tabs->tabBar()->tabRect(t);
      EXPECT_GE(title.width(), QFontMetricsF(tabs->tabBar()->font()).horizontalAdvance(tabs->tabText(t)));
      EXPECT_TRUE(tabs->tabBar()->rect().contains(title)) << tabs->tabText(t).toStdString();
    }
    int walked = 0, framed = 0;
    for (int t = 0; t < tabs->count(); ++t) {
      ShowTab(t);
      QList<QWidget*> controls = tabs->widget(t)->findChildren<QWidget*>();
      if (t == 0) {  // the top area and the button row
        for (QWidget* w : f.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
          if (w != tabs) controls.push_back(w);
      }
      for (QWidget* w : controls) {
        if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QLabel*>(w) && !qobject_cast<QLineEdit*>(w) &&
            !qobject_cast<QTextEdit*>(w) && !qobject_cast<QGroupBox*>(w))
          continue;
        if (qobject_cast<TUpDown*>(w->parentWidget())) continue;  // the spinner's arrows
        const std::string name = w->objectName().toStdString();
        EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry())) << name;
        // Radio buttons drawn over a frame stay inside its border.
        for (auto* frame : w->parentWidget()->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly)) {
          if (!qobject_cast<QRadioButton*>(w) || !frame->children().isEmpty() ||
              !frame->geometry().intersects(w->geometry()))
            continue;
          ++framed;
          EXPECT_TRUE(frame->geometry().adjusted(1, 1, -1, -1).contains(w->geometry())) << name;
        }
        for (const ShownText& s : TextsOf(w)) {
          ++walked;
          const std::string what = name + " \"" + s.text.toStdString() + "\"";
          EXPECT_TRUE(s.room.contains(s.box)) << what << ": text " << s.box.width() << "x" << s.box.height()
                                              << ", room " << s.room.width() << "x" << s.room.height();
          EXPECT_TRUE(QRectF(w->rect()).contains(s.room)) << what;
          // Nor is it hidden under a neighbour.
          const QRectF inParent = s.box.translated(w->pos());
          for (QWidget* n : w->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (n == w || qobject_cast<QGroupBox*>(n) || qobject_cast<QGroupBox*>(w)) continue;
            EXPECT_FALSE(inParent.intersects(n->geometry())) << what << " under " << n->objectName().toStdString();
          }
        }
      }
    }
    EXPECT_EQ(walked, 52);
    EXPECT_EQ(framed, 7);
    // "version" and "2.0" read as two words.
    auto* version = W<QLabel>("Label2");
    EXPECT_GE(W<QLabel>("Label3version")->x(),
              version->x() + QFontMetricsF(version->font()).horizontalAdvance(QStringLiteral("version ")) - 0.01);
    form.reset();
  }
}

// ---- filling the controls ---------------------------------------------------

// What a first run stores is the settings' tests' and the end-to-end dialog's.
TEST_F(Form2Test, FirstRunShowsTheDefaults) {
  TForm2& f = Open();
  EXPECT_EQ(Edit("Edit1Numbirds")->text(), "7");
  EXPECT_TRUE(Check("CheckBox1PlaySound")->isChecked());
  EXPECT_TRUE(Check("CheckBox2ShowFPS")->isChecked());
  EXPECT_TRUE(Check("CheckBox3Showclock")->isChecked());
  EXPECT_TRUE(Radio("RadioButton13desktop")->isChecked());
  EXPECT_EQ(Edit("Edit1X")->text(), "1127");
  EXPECT_EQ(Edit("EditY")->text(), "153");
  EXPECT_EQ(Edit("Edit3R")->text(), "119");
  EXPECT_EQ(W<QFrame>("PanelColor")->palette().color(QPalette::Window), QColor(255, 128, 0));
  EXPECT_TRUE(f.WorkingCopy().flag_defres);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(Form2Test, StoredFixedModeSelectsItsButtonsAndKeepsTheDepthsUsable) {
  Store({{"ResHor", 1152}, {"ResVert", 864}, {"ColorDepth", 16}, {"SetSpeed", 0}, {"TermMouse", 0}});
  TForm2& f = Open();
  EXPECT_TRUE(Radio("RadioButton81152x864")->isChecked());
  EXPECT_TRUE(Radio("RadioButton10_16")->isChecked());
  EXPECT_TRUE(Radio("RadioButton10_16")->isEnabled());
  EXPECT_TRUE(Radio("RadioButton1Slow")->isChecked());
  EXPECT_TRUE(Radio("RadioButton4Key")->isChecked());
  EXPECT_FALSE(f.WorkingCopy().flag_defres);
  EXPECT_FALSE(f.WorkingCopy().TermMouse);
  EXPECT_EQ(f.WorkingCopy().ResHor, 1152);
}

// A value out of its control's range is shown within it and stored as shown.
TEST_F(Form2Test, StoredValuesOutOfRangeAreShownAndStoredWithinRange) {
  const struct {
    const char* name;
    uint32_t stored;
    int kept;
    std::function<bool()> shown;
  } cases[] = {
      {"SetSpeed", 5, 1, [this] { return Radio("RadioButton2Normal")->isChecked(); }},
      {"Gamma", 300, 256, [this] { return W<QSlider>("TrackBar1")->value() == 256; }},
      {"NumBirds", 25, 10, [this] { return Edit("Edit1Numbirds")->text() == "10"; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Store({{c.name, c.stored}});
    Open();
    EXPECT_TRUE(c.shown());
    Click(W<QPushButton>("Button1OK"));
    EXPECT_EQ(Stored(c.name), c.kept);
  }
}

TEST_F(Form2Test, StoredWidthNotOfferedSwitchesToTheDesktopMode) {
  Store({{"ResHor", 1600}, {"ResVert", 1200}, {"ColorDepth", 16}});
  TForm2& f = Open();
  EXPECT_TRUE(Radio("RadioButton13desktop")->isChecked());
  EXPECT_TRUE(f.WorkingCopy().flag_defres);
  EXPECT_EQ(f.WorkingCopy().ResHor, 1280);
  Click(W<QPushButton>("Button1OK"));
  EXPECT_EQ(Stored("flag_defres"), 1);
  EXPECT_EQ(Stored("ResHor"), 1280);
  EXPECT_EQ(Stored("ResVert"), 1024);
  EXPECT_EQ(Stored("ColorDepth"), 24);
}

TEST_F(Form2Test, ClockStoredOffLeavesItsControlsEnabledUntilTheBoxIsToggled) {
  Store({{"flag_clock", 0}, {"ColorClock", 0x00FF0000}});
  TForm2& f = Open();
  ShowTab(2);
  auto* box = Check("CheckBox3Showclock");
  auto* swatch = W<QFrame>("PanelColor");
  EXPECT_FALSE(box->isChecked());
  EXPECT_TRUE(Edit("Edit1X")->isEnabled());
  EXPECT_TRUE(W<QPushButton>("Button1")->isEnabled());
  EXPECT_EQ(swatch->palette().color(QPalette::Window), QColor(0, 0, 255));

  Click(box);
  EXPECT_TRUE(f.WorkingCopy().flag_clock);
  EXPECT_TRUE(Edit("Edit3R")->isEnabled());
  Click(box);
  EXPECT_FALSE(f.WorkingCopy().flag_clock);
  for (const char* name : {"Label10", "Edit1X", "Label11", "EditY", "PanelColor", "Button1", "Label13", "Edit3R"})
    EXPECT_FALSE(f.findChild<QWidget*>(name)->isEnabled()) << name;
  EXPECT_NE(swatch->palette().color(QPalette::Window), QColor(0, 0, 255));
  EXPECT_EQ(swatch->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Window));
  Click(box);
  EXPECT_TRUE(W<QFrame>("PanelColor")->isEnabled());
  EXPECT_EQ(swatch->palette().color(QPalette::Window), QColor(0, 0, 255));
}

TEST_F(Form2Test, StoredGammaMovesTheSliderAndTheSliderMovesGamma) {
  Store({{"Gamma", 100}});
  TForm2& f = Open();
  auto* slider = W<QSlider>("TrackBar1");
  EXPECT_EQ(slider->value(), 100);
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_End);
  EXPECT_EQ(f.WorkingCopy().Gamma, 256);
  QTest::keyClick(slider, Qt::Key_Home);
  Click(W<QPushButton>("Button1OK"));
  EXPECT_EQ(Stored("Gamma"), 0);
}

// ---- number fields ----------------------------------------------------------

// The fields take the clock's rule (ClockRule in the settings' tests); here,
// that leaving them applies it, and a new radius pulls the centre with it.
TEST_F(Form2Test, TheClockFieldsAreClampedToWhatTheSaverDrawsAsStored) {
  Store();  // 1024 x 768, radius 70
  TForm2& f = Open();
  ShowTab(2);
  TypeAndLeave(Edit("Edit1X"), "5");
  EXPECT_EQ(Edit("Edit1X")->text(), "90");
  TypeAndLeave(Edit("EditY"), "999");
  EXPECT_EQ(Edit("EditY")->text(), "678");
  TypeAndLeave(Edit("Edit3R"), "999");
  EXPECT_EQ(Edit("Edit3R")->text(), "344");
  EXPECT_EQ(Edit("Edit1X")->text(), "364");
  EXPECT_EQ(Edit("EditY")->text(), "404");
  EXPECT_EQ(ClockPlaceOf(f.WorkingCopy()), (TClockPlace{364, 404, 344}));
}

TEST_F(Form2Test, SeagullCountIsClampedAndAnEmptyFieldBecomesZero) {
  Store();
  TForm2& f = Open();
  TypeAndLeave(Edit("Edit1Numbirds"), "25");
  EXPECT_EQ(Edit("Edit1Numbirds")->text(), "10");
  EXPECT_EQ(f.WorkingCopy().NumBirds, 10);
  TypeAndLeave(Edit("Edit1Numbirds"), "");
  EXPECT_EQ(Edit("Edit1Numbirds")->text(), "0");
  Click(W<QPushButton>("Button1OK"));
  EXPECT_EQ(Stored("NumBirds"), 0);
}

TEST_F(Form2Test, OnlyDigitsCanBeTypedButDeleteStillWorks) {
  Store();
  Open();
  ShowTab(2);
  for (const char* name : {"Edit1Numbirds", "Edit1X", "EditY", "Edit3R"}) {
    QLineEdit* edit = Edit(name);
    Type(edit, "1a-2 x+3");
    EXPECT_EQ(edit->text(), "123") << name;
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "123") << name;
    QTest::keyClick(edit, Qt::Key_Home);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->text(), "23") << name;
  }
}

TEST_F(Form2Test, WhatCannotBeTypedIsStillReadSafelyWhenPasted) {
  Store();
  TForm2& f = Open();
  ShowTab(2);
  Edit("Edit3R")->setText(" -99999999999999999999999");
  Leave(Edit("Edit3R"));
  EXPECT_EQ(f.WorkingCopy().clockRad, 70);
  Edit("Edit1X")->setText("99999999999999999999999 9");
  Leave(Edit("Edit1X"));
  EXPECT_EQ(f.WorkingCopy().clockX, 934);
  Edit("EditY")->setText("12abc");
  Leave(Edit("EditY"));
  EXPECT_EQ(Edit("EditY")->text(), "90");
}

TEST_F(Form2Test, SpinnerStepsTheFieldWithinItsRange) {
  Store({{"NumBirds", 9}});
  TForm2& f = Open();
  QLineEdit* edit = Edit("Edit1Numbirds");
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_Up);
  EXPECT_EQ(edit->text(), "10");
  EXPECT_EQ(f.WorkingCopy().NumBirds, 9);  // the position before the step
  QTest::keyClick(edit, Qt::Key_Up);
  EXPECT_EQ(edit->text(), "10");
  auto* down = W<TUpDown>("UpDown1")->findChild<QAbstractButton*>("down");
  ASSERT_NE(down, nullptr);
  Click(down);
  Click(down);
  EXPECT_EQ(edit->text(), "8");
  Type(edit, "3");
  QTest::keyClick(edit, Qt::Key_Down);
  EXPECT_EQ(edit->text(), "2");
  Click(W<QPushButton>("Button1OK"));
  EXPECT_EQ(Stored("NumBirds"), 2);
}

// ---- the buttons ------------------------------------------------------------

// What the saver's keys stored while the dialog was open stays.
TEST_F(Form2Test, OkStoresWhatTheUserChangedInOneWriteKeepsTheRestAndCloses) {
  Store();
  TForm2& f = Open();
  Click(Check("CheckBox1PlaySound"));
  Click(Radio("RadioButton5Fast"));
  EXPECT_TRUE(Radio("RadioButton5Fast")->isChecked());
  Click(Radio("RadioButton4Key"));
  EXPECT_TRUE(Radio("RadioButton5Fast")->isChecked());
  registry.PutDword(kKey, "Gamma", 251);
  registry.PutDword(kKey, "clockX", 997);
  Click(W<QPushButton>("Button1OK"));
  ASSERT_EQ(registry.sets.size(), 1u);
  EXPECT_EQ(registry.WrittenNames(), (std::vector<std::string>{"flag_PlaySound", "TermMouse", "SetSpeed"}));
  EXPECT_EQ(Stored("Gamma"), 251);
  EXPECT_EQ(Stored("clockX"), 997);
  EXPECT_EQ(Stored("flag_PlaySound"), 0);
  EXPECT_EQ(Stored("SetSpeed"), 2);
  EXPECT_EQ(Stored("TermMouse"), 0);
  EXPECT_EQ(Stored("ResHor"), 1024);
  EXPECT_EQ(Stored("ColorClock"), 33023);
  EXPECT_FALSE(f.isVisible());
}

TEST_F(Form2Test, CancelAndTheCloseBoxStoreNothing) {
  Store();
  TForm2& f = Open();
  Click(Check("CheckBox2ShowFPS"));
  TypeAndLeave(Edit("Edit1Numbirds"), "3");
  Click(W<QPushButton>("Button1Cancel"));
  EXPECT_FALSE(f.isVisible());
  EXPECT_TRUE(registry.WrittenNames().empty());

  Open();
  Click(Check("CheckBox2ShowFPS"));
  form->close();
  EXPECT_TRUE(registry.WrittenNames().empty());
  EXPECT_EQ(Stored("flag_fps"), 1);
  EXPECT_EQ(Stored("NumBirds"), 7);
}

TEST_F(Form2Test, DefaultSettingFillsTheControlsButStoresNothingUntilOk) {
  Store({{"NumBirds", 3}, {"flag_fps", 0}, {"Gamma", 40}, {"SetSpeed", 2}});
  TForm2& f = Open();
  Click(W<QPushButton>("Button1Default"));
  EXPECT_EQ(Edit("Edit1Numbirds")->text(), "7");
  EXPECT_TRUE(Check("CheckBox2ShowFPS")->isChecked());
  EXPECT_TRUE(Radio("RadioButton2Normal")->isChecked());
  EXPECT_TRUE(Radio("RadioButton13desktop")->isChecked());
  EXPECT_EQ(W<QSlider>("TrackBar1")->value(), 256);
  EXPECT_EQ(f.WorkingCopy().ResHor, 1280);
  EXPECT_TRUE(registry.WrittenNames().empty());
  Click(W<QPushButton>("Button1Cancel"));
  EXPECT_TRUE(registry.WrittenNames().empty());
  EXPECT_EQ(Stored("NumBirds"), 3);
  EXPECT_EQ(Stored("Gamma"), 40);
}

TEST_F(Form2Test, ColourChooserStartsFromTheLastConfirmedColourOfThisRun) {
  Store();
  TForm2& f = Open();
  ShowTab(2);
  chooserAnswer = QColor(10, 20, 30);
  Click(W<QPushButton>("Button1"));
  ASSERT_EQ(chooserOpenedWith.size(), 1u);
  EXPECT_EQ(chooserOpenedWith[0], QColor(0, 0, 0));
  EXPECT_EQ(f.WorkingCopy().ColorClock, RGBColor(10, 20, 30));
  EXPECT_EQ(W<QFrame>("PanelColor")->palette().color(QPalette::Window), QColor(10, 20, 30));

  chooserAnswer = QColor();  // cancelled
  QTest::mouseClick(W<QFrame>("PanelColor"), Qt::LeftButton);
  ASSERT_EQ(chooserOpenedWith.size(), 2u);
  EXPECT_EQ(chooserOpenedWith[1], QColor(10, 20, 30));
  EXPECT_EQ(f.WorkingCopy().ColorClock, RGBColor(10, 20, 30));
  Click(W<QPushButton>("Button1OK"));
  EXPECT_EQ(Stored("ColorClock"), 0x1E140A);
}

TEST_F(Form2Test, FailedLoadIsReportedAndOkMakesTheStoreWholeAgain) {
  Store({{"NumBirds", 4}, {"Gamma", 90}});
  registry.PutString(kKey, "flag_clock", "on");
  registry.Erase(kKey, "clockRad");
  TForm2& f = Open();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].text.contains("flag_clock")) << boxes[0].text.toStdString();
  EXPECT_EQ(boxes[0].caption, "Velmo Screensaver");
  EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
  // What was read before the failure is kept; the rest are usable defaults.
  EXPECT_EQ(Edit("Edit1Numbirds")->text(), "4");
  EXPECT_EQ(f.WorkingCopy().Gamma, 256);
  Click(W<QPushButton>("Button1OK"));
  // The unreadable and the missing value are written; what the dialog
  // could not read stays as stored.
  EXPECT_EQ(registry.WrittenNames(), (std::vector<std::string>{"flag_clock", "clockRad"}));
  EXPECT_EQ(Stored("NumBirds"), 4);
  EXPECT_EQ(Stored("flag_clock"), 1);
  EXPECT_EQ(Stored("Gamma"), 90);
  EXPECT_EQ(Stored("clockRad"), 119);  // the first run's default on 1280 x 1024
  EXPECT_EQ(Stored("ResHor"), 1024);  // while flag_defres holds, the stored mode is not rewritten
}

TEST_F(Form2Test, AStoreThatCannotBeWrittenKeepsTheDialogOpenWithAMessage) {
  Store();
  TForm2& f = Open();
  registry.createError = ERROR_ACCESS_DENIED;
  Click(W<QPushButton>("Button1OK"));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
  EXPECT_TRUE(f.isVisible());

  registry.createError = ERROR_SUCCESS;
  registry.setError = ERROR_ACCESS_DENIED;
  Click(W<QPushButton>("Button1OK"));
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_TRUE(boxes[1].text.contains("NumBirds")) << boxes[1].text.toStdString();
  EXPECT_TRUE(f.isVisible());
}

// ---- video modes ------------------------------------------------------------

TEST_F(Form2Test, ResolutionsAreJudgedAt16BitsAndDepthsAt800x600) {
  display.modes = {{800, 600, 16}, {1024, 768, 32}, {1152, 864, 16}, {1280, 1024, 16}, {1280, 1024, 32}};
  Store();
  TForm2& f = Open();
  ShowTab(1);
  EXPECT_FALSE(Radio("RadioButton71024x768")->isEnabled());
  EXPECT_TRUE(Radio("RadioButton6800x600")->isEnabled());
  // The stored mode that is not listed stays selected, and is stored as it was.
  EXPECT_TRUE(Radio("RadioButton71024x768")->isChecked());
  Click(Radio("RadioButton91280x1024"));
  EXPECT_TRUE(Radio("RadioButton10_16")->isEnabled());
  EXPECT_FALSE(Radio("RadioButton11_24")->isEnabled());
  EXPECT_FALSE(Radio("RadioButton12_32")->isEnabled());
  EXPECT_TRUE(f.IsModeSupported(1280, 1024, 32));
  Click(Radio("RadioButton71024x768"));  // disabled: nothing happens
  EXPECT_EQ(f.WorkingCopy().ResHor, 1280);
}

TEST_F(Form2Test, AStoredModeTheDriverDoesNotListIsStoredUnchanged) {
  display.modes = {{800, 600, 16}, {800, 600, 32}};
  Store({{"ResHor", 1152}, {"ResVert", 864}, {"ColorDepth", 24}});
  Open();
  EXPECT_TRUE(Radio("RadioButton81152x864")->isChecked());
  EXPECT_FALSE(Radio("RadioButton81152x864")->isEnabled());
  Click(W<QPushButton>("Button1OK"));
  EXPECT_EQ(Stored("ResHor"), 1152);
  EXPECT_EQ(Stored("ResVert"), 864);
  EXPECT_EQ(Stored("ColorDepth"), 24);
  EXPECT_EQ(Stored("flag_defres"), 0);
}

TEST_F(Form2Test, DesktopChoiceTurnsTheDepthsOffAndAFixedChoiceKeepsTheDesktopDepth) {
  Store();
  TForm2& f = Open();
  ShowTab(1);
  Click(Radio("RadioButton13desktop"));
  EXPECT_TRUE(f.WorkingCopy().flag_defres);
  EXPECT_EQ(f.WorkingCopy().ResHor, 1280);
  EXPECT_EQ(f.WorkingCopy().ColorDepth, 24);
  for (const char* name : {"RadioButton10_16", "RadioButton11_24", "RadioButton12_32"})
    EXPECT_FALSE(Radio(name)->isEnabled()) << name;
  Click(Radio("RadioButton6800x600"));
  EXPECT_FALSE(f.WorkingCopy().flag_defres);
  EXPECT_EQ(f.WorkingCopy().ResVert, 600);
  EXPECT_EQ(f.WorkingCopy().ColorDepth, 24);
  EXPECT_TRUE(Radio("RadioButton11_24")->isEnabled());
  Click(Radio("RadioButton10_16"));
  EXPECT_EQ(f.WorkingCopy().ColorDepth, 16);
  // The radio buttons exclude each other only within their group.
  for (const char* name : {"RadioButton6800x600", "RadioButton10_16", "RadioButton2Normal", "RadioButton3KeyMouse"})
    EXPECT_TRUE(Radio(name)->isChecked()) << name;
  EXPECT_FALSE(Radio("RadioButton71024x768")->isChecked());
}

TEST_F(Form2Test, MouseChoiceOfAVideoModeResetsTheClockButKeyboardChoiceDoesNot) {
  Store();
  TForm2& f = Open();
  ShowTab(2);
  TypeAndLeave(Edit("Edit3R"), "100");
  TypeAndLeave(Edit("Edit1X"), "500");
  ShowTab(1);
  // Keyboard: the mode changes, the clock stays.
  Radio("RadioButton81152x864")->setFocus();
  QTest::keyClick(Radio("RadioButton81152x864"), Qt::Key_Space);
  EXPECT_TRUE(Radio("RadioButton81152x864")->isChecked());
  EXPECT_EQ(f.WorkingCopy().ResHor, 1152);
  EXPECT_EQ(f.WorkingCopy().clockRad, 100);
  EXPECT_EQ(f.WorkingCopy().clockX, 500);
  // Mouse: placed for the new mode after the click took effect, where a
  // first run on that mode places it.
  Click(Radio("RadioButton91280x1024"));
  EXPECT_EQ(f.WorkingCopy().ResHor, 1280);
  TSaverSettings first;
  DefaultClockPlacement(1280, 1024, first.clockX, first.clockY, first.clockRad);
  EXPECT_EQ(f.WorkingCopy().clockX, first.clockX);
  EXPECT_EQ(f.WorkingCopy().clockY, first.clockY);
  EXPECT_EQ(f.WorkingCopy().clockRad, first.clockRad);
  EXPECT_EQ(Edit("Edit1X")->text(), QString::number(first.clockX));
  EXPECT_EQ(Edit("EditY")->text(), QString::number(first.clockY));
  EXPECT_EQ(Edit("Edit3R")->text(), QString::number(first.clockRad));
}

TEST_F(Form2Test, RightButtonReleaseOverTheSelectedModeOnlyResetsTheClockAndOverADisabledOneNothing) {
  Store({{"ResHor", 800}, {"ResVert", 600}, {"clockX", 300}, {"clockRad", 90}});
  TForm2& f = Open();
  ShowTab(1);
  const TSaverSettings before = f.WorkingCopy();
  Click(Radio("RadioButton6800x600"), Qt::RightButton);
  EXPECT_EQ(f.WorkingCopy().clockX, 710);
  EXPECT_EQ(f.WorkingCopy().clockY, 90);
  EXPECT_EQ(f.WorkingCopy().clockRad, 70);
  EXPECT_EQ(f.WorkingCopy().ResHor, before.ResHor);
  EXPECT_EQ(f.WorkingCopy().flag_defres, before.flag_defres);
  EXPECT_TRUE(Radio("RadioButton6800x600")->isChecked());
  // Neither button does anything over a mode the driver does not offer.
  form.reset();
  display.modes = {{800, 600, 16}, {1024, 768, 16}};
  Store({{"clockX", 500}});
  Open();
  ShowTab(1);
  ASSERT_FALSE(Radio("RadioButton91280x1024")->isEnabled());
  Click(Radio("RadioButton91280x1024"));
  Click(Radio("RadioButton91280x1024"), Qt::RightButton);
  EXPECT_EQ(form->WorkingCopy().clockX, 500);
  EXPECT_EQ(form->WorkingCopy().ResHor, 1024);
}

TEST_F(Form2Test, WithoutTheDisplayTheModeAndGammaControlsAreOffAndTheFailureIsShownTwice) {
  display.results.SetDefault("DirectDrawCreate", E_FAIL);
  Store({{"Gamma", 120}});
  TForm2& f = Open();
  ASSERT_EQ(boxes.size(), 2u);
  for (const Box& b : boxes) {
    EXPECT_EQ(b.text, "DirectDraw Init FAILED");
    EXPECT_EQ(b.caption, "Screen saver");
  }
  for (const char* name : {"RadioButton6800x600", "RadioButton71024x768", "RadioButton81152x864",
                           "RadioButton91280x1024", "RadioButton10_16", "RadioButton11_24", "RadioButton12_32"})
    EXPECT_FALSE(Radio(name)->isEnabled()) << name;
  EXPECT_FALSE(W<QSlider>("TrackBar1")->isEnabled());
  EXPECT_TRUE(Radio("RadioButton13desktop")->isEnabled());
  EXPECT_FALSE(f.GammaAvailable());
  EXPECT_EQ(f.WorkingCopy().Gamma, 120);
  EXPECT_TRUE(Check("CheckBox1PlaySound")->isEnabled());
  Click(W<QPushButton>("Button1OK"));
  EXPECT_EQ(Stored("Gamma"), 120);
}

TEST_F(Form2Test, NoGammaRampDisablesOnlyTheSlider) {
  display.caps.dwCaps2 = 0;
  Store();
  TForm2& f = Open();
  EXPECT_TRUE(boxes.empty());
  EXPECT_FALSE(f.GammaAvailable());
  EXPECT_FALSE(W<QSlider>("TrackBar1")->isEnabled());
  EXPECT_TRUE(Radio("RadioButton6800x600")->isEnabled());
  // The gamma texts take the inactive colour but stay readable controls.
  const QColor inactive = f.palette().color(QPalette::Disabled, QPalette::WindowText);
  EXPECT_EQ(W<QLabel>("Label8")->palette().color(QPalette::WindowText), inactive);
  EXPECT_EQ(W<QTextEdit>("Memo2")->palette().color(QPalette::Text), inactive);
  EXPECT_NE(W<QLabel>("Label10")->palette().color(QPalette::WindowText), inactive);
}


// The idle start: OK stores the check box and the delay (only when changed),
// writes the autostart entry and starts the watcher when the box was
// turned on, removes the entry when it was turned off.
TEST_F(Form2Test, IdleStartStoresItsValuesAndMakesTheAutostartEntryFollow) {
  const std::string config = ::testing::TempDir() + "/idle-config";
  std::filesystem::remove_all(config);
  const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config));
  const std::string entry = config + "/autostart/velmo.desktop";
  Store();
  std::vector<std::string> started;
  auto open = [&]() -> TForm2& {
    TForm2& f = Open();
    f.SetWatcherStart([&](const std::string& program, std::string*) {
      started.push_back(program);
      return true;
    });
    return f;
  };

  TForm2* f = &open();
  EXPECT_FALSE(Check("CheckBox4IdleStart")->isChecked()) << "an older file: off";
  EXPECT_EQ(Edit("Edit1IdleMinutes")->text(), "5");
  EXPECT_FALSE(Edit("Edit1IdleMinutes")->isEnabled());
  Click(W<QPushButton>("Button1OK"));
  EXPECT_TRUE(registry.WrittenNames().empty()) << "nothing changed, nothing stored";
  EXPECT_FALSE(std::filesystem::exists(entry));

  f = &open();
  Click(Check("CheckBox4IdleStart"));
  TypeAndLeave(Edit("Edit1IdleMinutes"), "500");  // beyond the range: its end
  EXPECT_EQ(Edit("Edit1IdleMinutes")->text(), "120");
  Click(W<QPushButton>("Button1OK"));
  EXPECT_FALSE(f->isVisible());
  EXPECT_EQ(Stored("IdleStart"), 1);
  EXPECT_EQ(Stored("IdleMinutes"), 120);
  EXPECT_EQ(started.size(), 1u);
  std::ifstream in(entry);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(text.find("Type=Application\n"), std::string::npos) << text;
  EXPECT_NE(text.find(" --idle\n"), std::string::npos) << text;
  EXPECT_NE(text.find("NoDisplay=true\n"), std::string::npos) << text;

  // On again: the entry stays, no second watcher; off: the entry goes.
  f = &open();
  EXPECT_TRUE(Check("CheckBox4IdleStart")->isChecked());
  Click(W<QPushButton>("Button1OK"));
  EXPECT_EQ(started.size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(entry));
  f = &open();
  Click(Check("CheckBox4IdleStart"));
  Click(W<QPushButton>("Button1OK"));
  EXPECT_EQ(Stored("IdleStart"), 0);
  EXPECT_EQ(Stored("IdleMinutes"), 120);
  EXPECT_FALSE(std::filesystem::exists(entry));
  qputenv("XDG_CONFIG_HOME", oldConfig);
}

// A program path a desktop entry must quote, and one it need not.
TEST(AutostartEntry, QuotesTheProgramAsDesktopEntriesAsk) {
  EXPECT_NE(AutostartEntryText("velmo").find("\nExec=velmo --idle\n"), std::string::npos);
  EXPECT_NE(AutostartEntryText("/home/a b/build/velmo").find("\nExec=\"/home/a b/build/velmo\" --idle\n"),
            std::string::npos);
  EXPECT_NE(AutostartEntryText("/tmp/100%$x/velmo").find("\nExec=\"/tmp/100%%\\\\$x/velmo\" --idle\n"),
            std::string::npos);
  EXPECT_EQ(ProgramForExec(""), "velmo");
}

}  // namespace
}  // namespace velmo
