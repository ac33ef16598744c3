#include "config/FoConfigNX17S.h"

#include "base/HelpFile.h"
#include "ui/HelpViewer.h"
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "ui/SettingsUi.h"
#include "ui/TranslateForm.h"
#include "base/Wait.h"
#include "comm/Connection.h"
#include "comm/CommClass.h"
#include "ui/DeviceAction.h"
#include "ui/FoInput.h"
#include "comm/DeviceFailure.h"
#include "ui/MainDialogs.h"
#include "ui/MainMessages.h"
#include "ui/MainState.h"
#include "ui_FoConfigNX17S.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <algorithm>

namespace korvul {

namespace {
constexpr uint16_t kChooseCaption = 1408;
constexpr uint16_t kInputCancelled = 1411, kRunOk = 1412, kRunFailed = 1413;
constexpr uint16_t kRefused = 1289;

// Control bytes of the log are shown in caret notation (CR as ^M, ETX as ^C), as the scripts write
// them, so that every log entry stays one line of Memo1 (a CR would start a new one).
QString Visible(const QString &line) {
    QString shown;
    for (QChar c : line) {
        if (c.unicode() < 0x20) shown += QLatin1Char('^') + QChar(c.unicode() + 0x40);
        else shown += c;
    }
    return shown;
}

QString WithSlash(const QString &directory) {
    return directory.endsWith(u'/') ? directory : directory + u'/';
}

// The platform's file error, shown as it stands.
class TScriptFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
} // namespace

TFoConfigNX17S::TChooseDirectory &TFoConfigNX17S::ChooseDirectory() {
    static TChooseDirectory choose = [](QWidget *parent, const QString &caption) {
        return QFileDialog::getExistingDirectory(parent, caption, QString(), QFileDialog::ShowDirsOnly);
    };
    return choose;
}

TFoConfigNX17S::TFoConfigNX17S(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFoConfigNX17S>()) {
    ui->setupUi(this);
    TranslateForm(this, kTextBase);
    // The browse button shows dots; a screen reader says what it does: the chooser's own caption.
    ui->Button1->setAccessibleName(LanguageText(kChooseCaption));
    connect(ui->Button1, &QPushButton::clicked, this, &TFoConfigNX17S::Button1Click);
    connect(ui->btSend, &QPushButton::clicked, this, &TFoConfigNX17S::btSendClick);
    connect(ui->btExit, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btHelp, &QPushButton::clicked, this, [] { ShowHelpTopic(QLatin1String(HelpTopic::ConfigNX17S)); });
    ui->jeDirectory->installEventFilter(this);
    const QString directory = Settings().CMD_DIRECTORY.trimmed();
    if (directory.isEmpty()) {
        Button1Click();
        return;
    }
    ui->jeDirectory->setText(directory);
    FillFileList(directory);
}

TFoConfigNX17S::~TFoConfigNX17S() = default;

void TFoConfigNX17S::FillFileList(const QString &directory) {
    const QDir dir(WithSlash(directory));
    const QStringList names = dir.entryList({QStringLiteral("*.cmd")}, QDir::Files | QDir::Hidden | QDir::System,
                                            QDir::Name | QDir::IgnoreCase);
    // Shown in lower case; each entry opens the file as it is named on disk.
    for (const TNxScriptEntry &entry : NxScriptListEntries(names)) ui->cbFileList->addItem(entry.Shown, entry.File);
    if (ui->cbFileList->count() > 0) ui->cbFileList->setCurrentIndex(0);
}

// The chosen or typed directory becomes the setting (saved at once) and fills the list anew.
void TFoConfigNX17S::UseDirectory(const QString &directory) {
    ui->jeDirectory->setText(directory);
    Settings().CMD_DIRECTORY = directory;
    TrySaveSettings(this);
    ui->cbFileList->clear();
    FillFileList(directory);
}

void TFoConfigNX17S::Button1Click() {
    const QString directory = ChooseDirectory()(this, LanguageText(kChooseCaption));
    if (!directory.isEmpty()) UseDirectory(directory);
}

bool TFoConfigNX17S::eventFilter(QObject *watched, QEvent *event) {
    if (watched == ui->jeDirectory && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            UseDirectory(ui->jeDirectory->text());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// A running script is not interrupted: Exit, Escape and the window's close wait for its end.
void TFoConfigNX17S::reject() {
    if (!running_) QDialog::reject();
}

void TFoConfigNX17S::closeEvent(QCloseEvent *event) {
    if (running_) return event->ignore();
    QDialog::closeEvent(event);
}

void TFoConfigNX17S::AddLogLine(const QString &line) {
    log_ << line;
    ui->Memo1->appendPlainText(Visible(line));
}

TNxScriptIo TFoConfigNX17S::ScriptIo() {
    TNxScriptIo io;
    io.Write = NxLineWrite;
    io.ReadAnswer = NxLineReadAnswer;
    io.Pause = [](int seconds) { WaitMs(static_cast<int>(std::clamp<int64_t>(int64_t(seconds) * 1000, 0, INT32_MAX))); };
    io.AskInput = [this](const QString &prompt, const QString &pattern, int count) {
        QApplication::restoreOverrideCursor();
        std::optional<QString> text = AskScriptInput(this, prompt, pattern, count);
        if (!text) ShowMessageText(this, LanguageText(kInputCancelled));
        QApplication::setOverrideCursor(Qt::WaitCursor);
        return text;
    };
    io.ShowNotice = [this](const QString &text) { ShowMessageText(this, text); };
    io.Log = [this](const QString &line) { AddLogLine(line); };
    return io;
}

TNxRunEnd TFoConfigNX17S::RunScript() {
    DisconnectDevice();
    const QString name = ui->cbFileList->currentData().toString();
    const QString path = WithSlash(ui->jeDirectory->text()) + name;
    QFile file(path);
    if (name.isEmpty() || !file.open(QIODevice::ReadOnly))
        throw TScriptFileError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()).toStdString());
    const QStringList lines = NxScriptLines(file.readAll());
    TNxScriptRun run(ScriptIo());
    return run.Run(lines);
}

void TFoConfigNX17S::ReportEnd(TNxRunEnd end) {
    if (end == TNxRunEnd::Cancelled) return;
    QApplication::restoreOverrideCursor();
    if (!NxLogHasErrorMarker(log_)) ShowMessageText(this, LanguageText(kRunOk));
    else ShowErrorText(this, LanguageText(kRunFailed), windowTitle());
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

// Always after a run: polling back on and signed on again. A failure here is reported once.
void TFoConfigNX17S::SignOnAgain() {
    TCommClass &comm = CommObject();
    comm.Period = static_cast<uint16_t>(std::clamp(Settings().CHECKTIME, 0, 65535));
    comm.SetOptions(coPollOn);
    try {
        comm.SetConnected(true);
    } catch (const TCommClassException &e) {
        if (!brokenReported_) ReportDeviceFailure(this, kRefused, e);
        brokenReported_ = true;
    }
}

void TFoConfigNX17S::btSendClick() {
    if (running_) return;
    const bool savedActive = OperationActive;
    OperationActive = running_ = true;
    for (QWidget *w : {static_cast<QWidget *>(ui->btSend), static_cast<QWidget *>(ui->btExit)}) w->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    log_.clear();
    ui->Memo1->clear();
    brokenReported_ = false;
    try {
        ReportEnd(RunScript());
    } catch (const TCommClassException &e) {
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        ReportDeviceFailure(this, kRefused, e);
        brokenReported_ = ClassifyDeviceFailure(e) == TDeviceFailure::ConnectionBroken;
    } catch (const std::exception &e) {
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        ShowMessageText(this, QString::fromStdString(e.what()));
    }
    SignOnAgain();
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    for (QWidget *w : {static_cast<QWidget *>(ui->btSend), static_cast<QWidget *>(ui->btExit)}) w->setEnabled(true);
    OperationActive = savedActive;
    running_ = false;
}

void ShowConfigNX17S(QWidget *parent) {
    TFoConfigNX17S dialog(parent);
    dialog.exec();
}


std::optional<QString> AskScriptInput(QWidget *parent, const QString &prompt, const QString &pattern, int count) {
    return TfoInput::AskCheckedInput(parent, prompt, count, [&](const QString &value) {
        return static_cast<int>(NxPatternMismatches(value, pattern, count).size());
    });
}

} // namespace korvul
