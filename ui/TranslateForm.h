#pragma once
// Translates a window in one call from the "tag" properties of its components (dynamic int property
// "tag", set in the .ui). Text number of a component = base + low 16 bits of its tag, wrapping at 65536.
//   window (tag > 0)            -> window title
//   QAction / QMenu             -> text / title
//   QLabel, QAbstractButton, QGroupBox (not a radio group) -> text / title
//   QTabWidget                  -> tab j gets base + id + j   (tabbed notebook)
//   page widget of a QTabWidget -> its own tab text          (tab sheet)
//   QTabBar                     -> tab j gets base + id + j   (tab set, tab control)
//   QGroupBox with property radioGroup=true -> its j-th radio button gets base + id + j
//   QTableWidget                -> header of column j gets base + id + j (string grid)
//   QComboBox                   -> text at id is the count n; items 1..n are id+1..id+n; a count that is
//                                  not an integer leaves the box as designed
// Components with tag 0 keep their designer text. Every QLabel of the window shows plain text from then on
// (UsePlainText in ui/PlainText.h), whatever a device, a file or the user later puts into it.
#include <cstdint>

class QWidget;

namespace korvul {

void TranslateForm(QWidget *form, uint16_t base);

} // namespace korvul
