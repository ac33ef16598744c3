#include "config/DeviceAction.h"

#include "app/LangSupp.h"
#include "main/DeviceFailure.h"
#include "main/MainDialogs.h"
#include "main/MainMessages.h"

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

} // namespace korvul
