#pragma once
// Fits a window laid out at fixed positions to the font it is shown in. The
// layout keeps its arrangement; a control whose text would be cut grows to
// its text, and whatever stands to its right or below moves along, so that
// groups, tab pages and at last the window grow rather than clip.
#include <QString>

class QWidget;

namespace velmo {

// Sizes every text control of window from its font's metrics: labels, check
// boxes, radio buttons, buttons, group titles, number fields and read-only
// notes (word-wrapped at their width). A group box with no children of its
// own is a frame for the siblings drawn over it and grows around them.
// Call once, after the fonts are set, as the window is first shown (tab
// widgets give their pages room only then) and before it is painted.
void FitToText(QWidget* window);

// The text a note shows, less the empty lines it ends with.
QString ShownNoteText(const QString& text);

}  // namespace velmo
