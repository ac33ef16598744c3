#pragma once
// The failure rule every configuration dialog shares. A dialog runs each device action through
// RunDeviceAction; inside, every data-item call whose result is not 0 ends the action with
// TCommClassException carrying the result in decimal (RaiseOnResult for positive results; the item
// routines raise negative ones themselves; the CommObject raises "ERROR" when the line fails).
//
//   "ERROR" or a negative number -> message 1127 to the main window for this dialog (the main window
//                                   closes the dialog, shows 2207 and ends the connection);
//   a positive number            -> the dialog's own text for a refused request (refusedText);
//   any other text               -> shown as it stands.
#include "comm/Drivers.h"

#include <cstdint>
#include <functional>

class QAbstractButton;
class QWidget;

namespace korvul {

// Raises TCommClassException with the result in decimal when result is not 0.
inline void RaiseOnResult(int32_t result) {
    if (result != 0) throw TCommClassException::Result(result);
}

// Runs action; true when it ran to its end. A TCommClassException it throws is handled as above and
// gives false; other exceptions pass on. The normal cursor is restored either way.
bool RunDeviceAction(QWidget *dialog, uint16_t refusedText, const std::function<void()> &action);

// The handling of one caught exception (for actions that must clean up before reporting).
void ReportDeviceFailure(QWidget *dialog, uint16_t refusedText, const TCommClassException &e);

// Every way out of a configuration dialog offers unsaved changes for saving: when btSet is enabled and
// the line is up, asks `question` (Yes/No with helpContext); Yes runs save, No disables btSet so the
// changes are dropped. `leaving` keeps a close from within save from asking again.
void OfferSaveBeforeLeaving(QWidget *dialog, QAbstractButton *btSet, bool connectionBroken, bool &leaving,
                            uint16_t question, int helpContext, const std::function<void()> &save);

} // namespace korvul
