#include "config/FoConfigQT700A.h"

#include "ui/HelpViewer.h"
#include "base/LangSupp.h"
#include "ui/TranslateForm.h"
#include "comm/DeviceTypes.h"
#include "comm/Items.h"
#include "comm/StrList.h"
#include "ui/DeviceAction.h"
#include "config/QT700AConfig.h"
#include "comm/DeviceFailure.h"
#include "ui/MainWindowAccess.h"
#include "ui/MainMessages.h"
#include "ui_FoConfigQT700A.h"

#include <QApplication>
#include <QSignalBlocker>
#include <QTabBar>

namespace korvul {

namespace {
constexpr uint8_t kConfigRead = 'Z', kConfigWrite = '[';
} // namespace

TFoConfigQT700A::TFoConfigQT700A(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFoConfigQT700A>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    TranslateForm(this, kTextBase);
    for (QCheckBox *box : {ui->cbSumCh, ui->cbStCh3, ui->cbStCh4})
        connect(box, &QCheckBox::clicked, this, &TFoConfigQT700A::cbStCh3Click);
    connect(ui->btSet, &QPushButton::clicked, this, [this] { btSetClick(); });
    connect(ui->btExit, &QPushButton::clicked, this, &TFoConfigQT700A::btExitClick);
    connect(ui->btHelp, &QPushButton::clicked, this, [] { ShowHelpTopic(QStringLiteral("ConfigQT700A")); });
    ReadDevice();
    ui->btSet->setEnabled(false);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

TFoConfigQT700A::~TFoConfigQT700A() = default;

void TFoConfigQT700A::ReadDevice() {
    RunDeviceAction(this, kReadRefusedText, [this] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QString text;
        try {
            ReadItem(kConfigRead, text);
        } catch (const TCommClassException &e) {
            connectionBroken_ = ClassifyDeviceFailure(e) == TDeviceFailure::ConnectionBroken;
            throw;
        }
        config_ = KeepAConfig(text);
    });
    const TAConfig read = ParseAConfig(config_);
    ShowChecks(read.sumChannel, read.statusCh3, read.statusCh4);
}

void TFoConfigQT700A::ShowChecks(bool sum, bool statusCh3, bool statusCh4) {
    const TAEnabling e = AEnabling(TAConfig{sum, statusCh3, statusCh4});
    ui->cbSumCh->setChecked(sum);
    ui->cbSumCh->setEnabled(e.sumEnabled);
    ui->cbStCh3->setChecked(e.statusCh3);
    ui->cbStCh4->setChecked(e.statusCh4);
    ui->cbStCh3->setEnabled(e.statusEnabled);
    ui->cbStCh4->setEnabled(e.statusEnabled);
}

void TFoConfigQT700A::cbStCh3Click() {
    ui->btSet->setEnabled(true);
    ShowChecks(ui->cbSumCh->isChecked(), ui->cbStCh3->isChecked(), ui->cbStCh4->isChecked());
}

// False when the exchange failed (already reported); a refusal leaves its result in refusal.
bool TFoConfigQT700A::WriteDevice(int32_t &refusal) {
    const QString text =
        RebuildAConfig(config_, TAConfig{ui->cbSumCh->isChecked(), ui->cbStCh3->isChecked(), ui->cbStCh4->isChecked()});
    return RunDeviceAction(this, kSetRefusedText, [this, &text, &refusal] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        TStrList untouched;
        try {
            refusal = WriteItem(kConfigWrite, QString(QChar(20)), text, untouched);
        } catch (const TCommClassException &e) {
            connectionBroken_ = ClassifyDeviceFailure(e) == TDeviceFailure::ConnectionBroken;
            if (connectionBroken_) ui->btSet->setEnabled(false);
            throw;
        }
        if (refusal == 0) config_ = text;
    });
}

// The main window shows the next channel (after the last the first) with its common data read anew.
void TFoConfigQT700A::NextChannelCommonData() {
    IMainWindow *main = MainWindow();
    if (!main) return;
    const int channels = DeviceInfo().ChannelCount;
    if (channels > 0) main->SelectChannelQuietly((main->CurrentChannel() + 1) % channels);
    main->ReReadCommonData();
}

bool TFoConfigQT700A::btSetClick() {
    int32_t refusal = 0;
    if (!WriteDevice(refusal)) return false;
    if (refusal > 0) {
        if (!AskOkNo(this, LanguageText(kSetRefusedText))) {
            ui->btSet->setEnabled(false);
            done(QDialog::Rejected);
        }
        return false;
    }
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        NextChannelCommonData();
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    }
    ui->btSet->setEnabled(false);
    ShowMessageText(this, LanguageText(kWrittenText));
    done(QDialog::Accepted);
    return true;
}

void TFoConfigQT700A::btExitClick() { done(QDialog::Rejected); }

// Every way out (Exit, the close box, Escape) offers unsaved changes for saving first.
void TFoConfigQT700A::done(int result) {
    OfferSaveBeforeLeaving(this, ui->btSet, connectionBroken_, leaving_, kSaveQuestionText, kSaveQuestionHelp,
                           [this] { btSetClick(); });
    QDialog::done(result);
}

void ShowConfigQT700A(QWidget *parent) {
    TFoConfigQT700A dialog(parent);
    dialog.exec();
}

} // namespace korvul
