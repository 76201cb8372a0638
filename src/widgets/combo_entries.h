#pragma once

#include <QStringList>

class QComboBox;

namespace tarvolin {

// Gives a combo box a plain string list model and a popup whose rows all have the height of
// the first. The standard item model makes one item object per entry and the popup measures
// every row, which on lists of hundreds of thousands of names costs far more than the file
// they came from.
void useStringListModel(QComboBox *combo);

// The texts of a combo box's entries in list order, without a copy when the model is a string
// list.
QStringList entryTexts(const QComboBox *combo);

// Appends items at the end of a combo box's list without choosing any of them. QComboBox
// makes the first entry current when an empty list receives items; a list filled by the
// program must show no choice until the user makes one (the pool's "chosen entry" is what
// "Add key to form" takes).
void appendEntries(QComboBox *combo, const QStringList &items);

// Replaces a combo box's list with items, showing what clear() followed by appendEntries
// shows (no entry chosen; typed text kept, a chosen entry's text gone) but changing the list
// once: a model reset instead of removing every row and then resetting, or, when the list
// keeps its length and a few entries change, those entries alone.
void replaceEntries(QComboBox *combo, const QStringList &items);

// Removes the first entry of that text, if any. When it was the chosen entry, no entry is
// chosen afterwards and its text leaves the edit field, rather than a neighbour taking its place.
void removeEntry(QComboBox *combo, const QString &text);

} // namespace tarvolin
