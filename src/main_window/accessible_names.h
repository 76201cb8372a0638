#pragma once

namespace tarvolin {

class frmMain;

// Names a screen reader speaks for the main window's controls that have no caption of their
// own, or whose caption says nothing (the rows' "Option1" buttons).
//
// nameControls names every control once after the window is built and ties each caption label
// to its control (QLabel::setBuddy), so that a screen reader reads the two together. nameKeyRows
// names the 20 rows after what they hold: "value of row 3" while row 3 is free, "value of row 3,
// key hl=" once it shows "hl=" (likewise "key name of", "clear" and "remembered values of"), and
// ties each key label to its value box unless the key holds "&" (a tied label would take it for
// a mnemonic). It must run after every change of the rows' key names. UpdateAvailKeysMenu runs
// it, so a handler that ends there (a parse, adding or clearing a key) names the rows once,
// however often it changed them.
void nameControls(frmMain &window);
void nameKeyRows(frmMain &window);

} // namespace tarvolin
