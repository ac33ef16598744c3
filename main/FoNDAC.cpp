#include "main/FoNDAC.h"
#include "ui/SettingsUi.h"

#include "ui/HelpViewer.h"
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "ui/TranslateForm.h"
#include "base/Wait.h"
#include "comm/CommState.h"
#include "comm/Drivers.h"
#include "comm/Items.h"
#include "comm/CommClass.h"
#include "main/ClockActions.h"
#include "comm/DeviceFailure.h"
#include "main/FormMain.h"
#include "ui/MainDialogs.h"
#include "ui/MainMessages.h"
#include "ui_FoNDAC.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace korvul {

namespace {
constexpr int kSignOffValue = 100;
constexpr int kSignOnDelayMs = 2000;  // between sign-off and sign-on, no events processed
} // namespace

TfoNDAC::TfoNDAC(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TfoNDAC>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    TranslateForm(this, kTextBase);
    for (QLineEdit *edit : {ui->edAccCode, ui->edVerCode}) {
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textChanged, this, &TfoNDAC::FieldsChanged);
        // Pasted or dropped text is filtered like typed text.
        connect(edit, &QLineEdit::textEdited, this, [edit](const QString &text) {
            QString kept;
            for (QChar c : text)
                if (IsAccessCodeChar(c)) kept += c;
            if (kept != text) edit->setText(kept);
        });
    }
    connect(ui->Button1, &QPushButton::clicked, this, &TfoNDAC::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->Button3, &QPushButton::clicked, this, [] { ShowHelpTopic(QStringLiteral("ChangeAccessCode")); });
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    FieldsChanged();
}

TfoNDAC::~TfoNDAC() = default;

void TfoNDAC::FieldsChanged() {
    const TNdacEnabling e = NdacEnabling(ui->edAccCode->text(), ui->edVerCode->text());
    ui->edVerCode->setEnabled(e.verifyEnabled);
    ui->Button1->setEnabled(e.setEnabled);
}

// Enter moves from the first field to the second (or sets when the second cannot take the focus) and
// sets from the second; characters outside 32..125 are dropped; keys without text keep their work.
bool TfoNDAC::eventFilter(QObject *watched, QEvent *event) {
    if ((watched != ui->edAccCode && watched != ui->edVerCode) || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (watched == ui->edAccCode && ui->edVerCode->isEnabled()) ui->edVerCode->setFocus();
        else Button1Click();
        return true;
    }
    if (key->key() == Qt::Key_Backspace) return false;
    const QString text = key->text();
    if (text.isEmpty() || (key->modifiers() & Qt::ControlModifier)) return false;
    return !(text.size() == 1 && IsAccessCodeChar(text[0]));
}

// True when the device took the code (or no device is to be told); false after a refusal or a broken
// connection, which are reported here.
bool TfoNDAC::WriteToDevice(const QString &code) {
    TFormMain *main = FormMain();
    TCommClass &comm = CommObject();
    if (!main || !main->isVisible() || !comm.Connected() || !DeviceInfo().WriteAccess) return true;
    const uint8_t options = comm.Options();
    comm.SetOptions(options & ~uint8_t(2));  // without the poll timer bit (2) the poll pauses
    try {
        if (WriteItem('d', QStringLiteral("c"), code, main->CommonData()) > 0) {
            comm.SetOptions(options);
            ShowMessageText(this, LanguageText(kNotAcceptedText));
            return false;
        }
        int32_t arg3 = kSignOffValue, arg4 = 0;
        comm.CallProtocol(dpClose, nullptr, &arg3, &arg4);
        SleepMs(kSignOnDelayMs);
        arg3 = arg4 = 0;
        const int32_t result = comm.CallProtocol(dpOpen, nullptr, &arg3, &arg4);
        if (result < 0) throw TCommClassException::Result(result);
    } catch (const TCommClassException &e) {
        if (ClassifyDeviceFailure(e) != TDeviceFailure::ConnectionBroken) {
            ShowMessageText(this, e.Message());
            return false;
        }
        PostConnectionBroken(this);
        // Opened from the user options: that window closes too.
        if (parentWidget() && parentWidget() != main) QCoreApplication::postEvent(parentWidget(), new QEvent(QEvent::Close));
        return false;
    }
    ShowMessageText(this, LanguageText(kWrittenText));
    comm.SetOptions(options);
    return true;
}

void TfoNDAC::Button1Click() {
    const QString code = ui->edAccCode->text();
    if (const uint16_t refusal = NdacRefusal(code, ui->edVerCode->text()))
        return ShowMessageText(this, LanguageText(refusal));
    if (!WriteToDevice(code)) return;
    Settings().ACCESSCODE = code;
    TrySaveSettings(this);   // the device has the code already; the dialog closes either way
    accept();
}

bool ShowNewAccessCodeDialog(QWidget *parent) {
    TfoNDAC dialog(parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace korvul
