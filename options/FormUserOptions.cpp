#include "options/FormUserOptions.h"
#include "ui/SettingsUi.h"

#include "ui/HelpViewer.h"
#include "base/LangSupp.h"
#include "ui/PlainText.h"
#include "options/OptionRules.h"
#include "base/Settings.h"
#include "ui/TranslateForm.h"
#include "ui_FormUserOptions.h"

#include <QButtonGroup>
#include <QDir>
#include <QKeyEvent>
#include <QFileDialog>
#include <QFocusEvent>
#include <QMessageBox>

namespace korvul {

namespace {
constexpr uint16_t kUserOptionsBase = 400;
constexpr uint16_t kTextChooseDirectory = 423;
constexpr uint16_t kTextCannotCreate = 424;
constexpr uint16_t kTextCreateCaption = 425;
constexpr uint16_t kTextCreateQuestion = 426;
constexpr uint16_t kTextFirstMode = 450;
} // namespace

TFormUserOptions::TFormUserOptions(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFormUserOptions>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    TranslateForm(this, kUserOptionsBase);
    // The browse button shows dots; a screen reader says what it does: the chooser's own caption.
    ui->Button4->setAccessibleName(LanguageText(kTextChooseDirectory));
    ui->ComboBox1->clear();
    for (int i = 0; i < 4; ++i) ui->ComboBox1->addItem(LanguageText(TextNumber(kTextFirstMode, i)));
    auto *channels = new QButtonGroup(this);  // exclusive whether or not the dialog is on screen
    channels->addButton(ui->rbCurrent);
    channels->addButton(ui->rbAll);
    LoadFromSettings();
    connect(ui->ComboBox1, &QComboBox::currentIndexChanged, this, &TFormUserOptions::ModeChanged);
    connect(ui->Button1, &QPushButton::clicked, this, &TFormUserOptions::accept);
    connect(ui->Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->Button3, &QPushButton::clicked, this, [] { ShowHelpTopic(QStringLiteral("UserOptions")); });
    connect(ui->Button4, &QPushButton::clicked, this, &TFormUserOptions::Button4Click);
    connect(ui->btAccessCode, &QPushButton::clicked, this, [this] {
        if (AccessCodeDialog()) AccessCodeDialog()(this);
    });
    ui->Edit2->installEventFilter(this);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

TFormUserOptions::~TFormUserOptions() = default;

std::function<void(QWidget *)> &TFormUserOptions::AccessCodeDialog() {
    static std::function<void(QWidget *)> dialog;
    return dialog;
}

void TFormUserOptions::LoadFromSettings() {
    const TSettings &s = Settings();
    ui->Edit1->setText(s.READER);
    ui->Edit2->setText(s.TempFilePath);
    (ChannelModeIndex(s.CHANNELMODE) == 1 ? ui->rbAll : ui->rbCurrent)->setChecked(true);
    ui->SpinEdit1->setValue(s.CODEMARK);
    ui->SpinEdit2->setValue(s.TempFileNo);
    ui->ComboBox1->setCurrentIndex(ReadoutModeIndex(s.READOUTMODE));
    ModeChanged(ui->ComboBox1->currentIndex());
}

// While "codemark" is chosen a code mark of 0 makes no sense: the spin box's minimum lifts it to 1.
void TFormUserOptions::ModeChanged(int index) { ui->SpinEdit1->setMinimum(CodeMarkMinimum(index)); }

void TFormUserOptions::Button4Click() {
    const QString dir = QFileDialog::getExistingDirectory(this, LanguageText(kTextChooseDirectory));
    if (dir.isEmpty()) return;
    ui->Edit2->setText(dir);
    Settings().TempFilePath = dir;
}

bool TFormUserOptions::CheckDirectory() {
    const QString path = ui->Edit2->text();
    if (path.isEmpty() || QFileInfo(path).isDir() || checking_) return true;
    checking_ = true;
    const auto answer = ShowPlainBox(this, QMessageBox::Question, LanguageText(kTextCreateCaption),
                                     LanguageText(kTextCreateQuestion), QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::Yes);
    bool ok = true;
    if (answer == QMessageBox::Yes && !CreateDirectoryPath(path)) {
        ShowPlainBox(this, QMessageBox::Critical, windowTitle(), LanguageFormat(kTextCannotCreate, {path}));
        ok = false;
    }
    checking_ = false;
    return ok;
}

// Leaving the directory field for another control of this dialog checks it; focus moving to another
// window (the question box itself) does not.
// Enter in the directory field checks it and then presses OK (and goes no further: the dialog's
// default button must not press OK a second time after a failed check).
bool TFormUserOptions::eventFilter(QObject *watched, QEvent *event) {
    if (watched == ui->Edit2 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (CheckDirectory()) ui->Button1->click();
            return true;
        }
    }
    if (watched == ui->Edit2 && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && isVisible()) CheckDirectory();
    }
    return QDialog::eventFilter(watched, event);
}

void TFormUserOptions::accept() {
    TSettings &s = Settings();
    const int mode = ui->ComboBox1->currentIndex();
    if (mode >= 0) s.READOUTMODE = ReadoutModeKeywords()[mode];
    s.TempFilePath = ui->Edit2->text();
    s.TempFileNo = ui->SpinEdit2->value();
    s.READER = ui->Edit1->text();
    s.CODEMARK = ui->SpinEdit1->value();
    s.CHANNELMODE = ChannelModeKeyword(ui->rbAll->isChecked() ? 1 : 0);
    if (!TrySaveSettings(this)) return;
    QDialog::accept();
}

bool ShowUserOptions(QWidget *parent) {
    TFormUserOptions dlg(parent);
    return dlg.exec() == QDialog::Accepted;
}

} // namespace korvul
