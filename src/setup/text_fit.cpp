#include "setup/text_fit.h"

#include <QCheckBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOption>
#include <QTabWidget>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <cmath>
#include <vector>

namespace velmo {

namespace {

// The most room kept between neighbours, and between a child and the edge of
// its container, when a control grows into a wider gap.
constexpr int kGap = 6;

// Room a number field keeps for its text: the widest screen coordinate.
constexpr const char* kWidestNumber = "0000";

int Up(qreal v) { return static_cast<int>(std::ceil(v - 1e-3)); }

qreal TextWidth(const QWidget* w, const QString& text) {
  return QFontMetricsF(w->font()).size(Qt::TextShowMnemonic, text).width();
}

QString LabelText(const QWidget* w) {
  auto* label = qobject_cast<const QLabel*>(w);
  return label ? label->text() : QString();
}

QSize ButtonNeed(QAbstractButton* b, QStyle::SubElement contents) {
  QStyleOptionButton opt;
  opt.initFrom(b);
  opt.text = b->text();
  const QRect text = b->style()->subElementRect(contents, &opt, b);
  const QFontMetricsF fm(b->font());
  if (contents == QStyle::SE_PushButtonContents) {
    // A space's room either side of the caption, inside the button's frame.
    const int frame = b->width() - text.width();
    return {frame + Up(TextWidth(b, b->text()) + 2 * fm.horizontalAdvance(u' ')),
            b->height() - text.height() + Up(fm.height())};
  }
  // A check box or radio button is as wide as its mark and caption, so that
  // only they answer clicks.
  return {text.left() + Up(TextWidth(b, b->text())) + 1, std::max(b->height(), Up(fm.height()))};
}

// The size a control needs to show its text whole; never less than it has,
// except that check boxes and radio buttons take their caption's width.
QSize LeafNeed(QWidget* w) {
  const QFontMetricsF fm(w->font());
  if (qobject_cast<QCheckBox*>(w))
    return ButtonNeed(static_cast<QAbstractButton*>(w), QStyle::SE_CheckBoxContents);
  if (qobject_cast<QRadioButton*>(w))
    return ButtonNeed(static_cast<QAbstractButton*>(w), QStyle::SE_RadioButtonContents);
  QSize need = w->size();
  if (auto* button = qobject_cast<QPushButton*>(w)) {
    need = need.expandedTo(ButtonNeed(button, QStyle::SE_PushButtonContents));
  } else if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty()) {
    const QMargins m = label->contentsMargins();
    need = need.expandedTo(QSize(m.left() + m.right() + 2 * label->margin() + Up(TextWidth(w, label->text())),
                                 m.top() + m.bottom() + 2 * label->margin() + Up(fm.height())));
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    // The edit's own size hint is its frame and margins around 17 "x".
    const int chrome = edit->sizeHint().width() - 17 * QFontMetrics(w->font()).horizontalAdvance(u'x');
    const qreal text = std::max(TextWidth(w, QString::fromLatin1(kWidestNumber)), TextWidth(w, edit->text()));
    need = need.expandedTo(QSize(chrome + Up(text) + 1, edit->minimumSizeHint().height()));
  } else if (auto* note = qobject_cast<QTextEdit*>(w)) {
    const int frame = 2 * note->frameWidth();
    const qreal margin = 2 * note->document()->documentMargin();
    const QRectF text = fm.boundingRect(QRectF(0, 0, note->width() - frame - margin, 1e6), Qt::TextWordWrap,
                                        ShownNoteText(note->toPlainText()));
    need.setHeight(std::max(need.height(), frame + Up(margin + text.height())));
  }
  return need;
}

// Room a group box needs for its title: as much after it as before it.
int TitleWidth(QGroupBox* box) {
  if (box->title().isEmpty()) return 0;
  QStyleOptionGroupBox opt;
  opt.initFrom(box);
  opt.text = box->title();
  opt.textAlignment = box->alignment();
  opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
  opt.rect.setWidth(1 << 16);
  const QRect title = box->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, box);
  return title.right() + 1 + title.left();
}

struct Item {
  QWidget* w;
  QRect was;  // where the layout put it
  QSize need;
  QPoint shift;
};

bool RowsMeet(const QRect& a, const QRect& b) { return a.top() <= b.bottom() && b.top() <= a.bottom(); }
bool ColumnsMeet(const QRect& a, const QRect& b) { return a.left() <= b.right() && b.left() <= a.right(); }

// Moves items right, then down, so that each keeps its distance (at most
// kGap) from whatever stood before it in its row or column and has grown.
// A label keeps a space between its text and whatever follows it in its row.
void Push(std::vector<Item*>& items) {
  std::vector<Item*> order = items;
  std::stable_sort(order.begin(), order.end(), [](Item* a, Item* b) { return a->was.left() < b->was.left(); });
  for (size_t i = 0; i < order.size(); ++i) {
    Item* s = order[i];
    for (size_t j = 0; j < i; ++j) {
      const Item* c = order[j];
      if (c->was.left() >= s->was.left() || !RowsMeet(c->was, s->was)) continue;
      const int left = c->was.left() + c->shift.x();
      int edge = left + c->need.width() + std::min(s->was.left() - c->was.right() - 1, kGap);
      const QString words = LabelText(c->w);
      if (!words.isEmpty()) edge = std::max(edge, left + Up(TextWidth(c->w, words + u' ')));
      s->shift.setX(std::max(s->shift.x(), edge - s->was.left()));
    }
  }
  std::stable_sort(order.begin(), order.end(), [](Item* a, Item* b) { return a->was.top() < b->was.top(); });
  for (size_t i = 0; i < order.size(); ++i) {
    Item* s = order[i];
    for (size_t j = 0; j < i; ++j) {
      const Item* c = order[j];
      if (c->was.top() >= s->was.top() || !ColumnsMeet(c->was, s->was)) continue;
      const int edge = c->was.top() + c->shift.y() + c->need.height() +
                       std::min(s->was.top() - c->was.bottom() - 1, kGap);
      s->shift.setY(std::max(s->shift.y(), edge - s->was.top()));
    }
  }
}

// The size that holds items as they now stand, keeping the room they had to
// the right and bottom edges of a container of size `size` (at most kGap).
QSize Enclose(const std::vector<Item*>& items, QPoint origin, QSize size) {
  QRect was, now;
  for (const Item* i : items) {
    was |= i->was;
    now |= QRect(i->was.topLeft() + i->shift, i->need);
  }
  if (items.empty()) return size;
  const int right = std::clamp(origin.x() + size.width() - was.right() - 1, 0, kGap);
  const int bottom = std::clamp(origin.y() + size.height() - was.bottom() - 1, 0, kGap);
  return size.expandedTo(QSize(now.right() + 1 + right - origin.x(), now.bottom() + 1 + bottom - origin.y()));
}

QSize Fit(QWidget* w);

// Fits the children of container (of size `size`) and places them; returns
// the size the container needs.
QSize Arrange(QWidget* container, QSize size) {
  std::vector<Item> all;
  for (QWidget* child : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (!child->isWindow()) all.push_back({child, child->geometry(), Fit(child), {}});

  // An empty group box is a frame for the siblings drawn over it: they
  // arrange among themselves, the frame grows around them and carries them.
  std::vector<std::pair<Item*, std::vector<Item*>>> frames;
  std::vector<Item*> free;
  for (Item& f : all) {
    auto* box = qobject_cast<QGroupBox*>(f.w);
    if (!box || !box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty()) continue;
    std::vector<Item*> over;
    for (Item& s : all)
      if (&s != &f && f.was.contains(s.was)) over.push_back(&s);
    if (over.empty()) continue;
    Push(over);
    f.need = f.need.expandedTo(Enclose(over, f.was.topLeft(), f.was.size()));
    frames.emplace_back(&f, std::move(over));
  }
  for (Item& i : all) {
    const bool over = std::any_of(frames.begin(), frames.end(), [&](const auto& f) {
      return std::find(f.second.begin(), f.second.end(), &i) != f.second.end();
    });
    if (!over) free.push_back(&i);
  }
  Push(free);
  for (auto& [frame, over] : frames)
    for (Item* s : over) s->shift += frame->shift;

  for (const Item& i : all) i.w->setGeometry(QRect(i.was.topLeft() + i.shift, i.need));
  std::vector<Item*> placed;
  for (Item& i : all) placed.push_back(&i);
  return Enclose(placed, {}, size);
}

// The room the tab widget gives its pages, as its own layout would.
QSize PageSize(QTabWidget* tabs) {
  auto* stack = tabs->findChild<QStackedWidget*>();
  return stack ? stack->contentsRect().size() : tabs->size();
}

QSize Fit(QWidget* w) {
  if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
    const QSize page = PageSize(tabs);
    QSize grow(0, 0);
    for (int i = 0; i < tabs->count(); ++i) grow = grow.expandedTo(Arrange(tabs->widget(i), page) - page);
    return tabs->size() + grow;
  }
  if (auto* box = qobject_cast<QGroupBox*>(w))
    return Arrange(box, box->size()).expandedTo(QSize(TitleWidth(box), 0));
  // A plain frame holding a row of controls grows around them as a group
  // box does (a label or a note is a frame too, but a leaf).
  if (w->metaObject() == &QFrame::staticMetaObject && !w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty())
    return Arrange(w, w->size());
  return LeafNeed(w);
}

}  // namespace

QString ShownNoteText(const QString& text) {
  qsizetype end = text.size();
  while (end > 0 && text[end - 1] == u'\n') --end;
  return text.left(end);
}

void FitToText(QWidget* window) {
  window->ensurePolished();
  window->resize(Arrange(window, window->size()));
}

}  // namespace velmo
