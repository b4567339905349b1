#pragma once
// TUpDown: a pair of arrow buttons attached to a line edit (its buddy). The
// buddy holds the number; each step reads it, announces the change, moves the
// position by one within the range (no wrap-around) and writes it back.
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace velmo {

class TUpDown : public QWidget {
  Q_OBJECT
 public:
  explicit TUpDown(QWidget* parent = nullptr);

  // The buddy's Up and Down keys step the spinner too.
  void SetAssociate(QLineEdit* buddy);
  QLineEdit* Associate() const { return buddy_; }
  void SetRange(int min, int max);
  int Min() const { return min_; }
  int Max() const { return max_; }

  // The position as the buddy shows it: its text when that is a whole number
  // within the range, otherwise the last good position.
  int Position();
  // Clamps to the range and writes the number into the buddy.
  void SetPosition(int position);
  // One step up (+1) or down (-1).
  void Step(int delta);

 signals:
  // Raised before a step is applied.
  void Changing();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void WriteBuddy();

  QToolButton* up_;
  QToolButton* down_;
  QLineEdit* buddy_ = nullptr;
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
};

}  // namespace velmo
