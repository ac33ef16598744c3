#include "ui/DeviceAction.h"

#include "base/LangSupp.h"
#include "comm/DeviceFailure.h"
#include "ui/MainDialogs.h"
#include "ui/MainMessages.h"

#include <QAbstractButton>
#include <QApplication>

namespace korvul {

void ReportDeviceFailure(QWidget *dialog, uint16_t refusedText, const TCommClassException &e) {
    switch (ClassifyDeviceFailure(e)) {
    case TDeviceFailure::ConnectionBroken: PostConnectionBroken(dialog); break;
    case TDeviceFailure::DeviceRefusal: ShowMessageText(dialog, LanguageText(refusedText)); break;
    case TDeviceFailure::Other: ShowMessageText(dialog, e.Message()); break;
    }
}

bool RunDeviceAction(QWidget *dialog, uint16_t refusedText, const std::function<void()> &action) {
    struct CursorGuard {
        ~CursorGuard() {
            while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        }
    } guard;
    try {
        action();
        return true;
    } catch (const TCommClassException &e) {
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        ReportDeviceFailure(dialog, refusedText, e);
        return false;
    }
}

void OfferSaveBeforeLeaving(QWidget *dialog, QAbstractButton *btSet, bool connectionBroken, bool &leaving,
                            uint16_t question, int helpContext, const std::function<void()> &save) {
    if (leaving || connectionBroken || !btSet->isEnabled()) return;
    leaving = true;
    if (AskYesNo(dialog, LanguageText(question), helpContext)) save();
    else btSet->setEnabled(false);
    leaving = false;
}

} // namespace korvul
