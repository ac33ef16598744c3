#include "options/FoSettingsComm.h"
#include "ui/SettingsUi.h"

#include "ui/HelpViewer.h"
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "ui/TranslateForm.h"
#include "ui_FoSettingsComm.h"
#include "ui/PlainText.h"
#include "options/PortList.h"
#include "ui_FoSettingsComm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QMessageBox>

namespace korvul {

namespace {
constexpr uint16_t kSettingsCommBase = 600;
constexpr uint16_t kTextModemLabelRemote = 613;
constexpr uint16_t kTextModemLabelLocal = 618;

// Enabled fields in the window colour, disabled ones in the button face colour, both of the palette
// the application uses (a dark theme's, not the style's built-in light one).
void EnableField(QLineEdit *edit, bool enabled) {
    edit->setEnabled(enabled);
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, QApplication::palette(edit).color(enabled ? QPalette::Base : QPalette::Button));
    edit->setPalette(p);
}
} // namespace

std::function<std::vector<TListedPort>()> &TFoSettingsComm::PortEnumeration() {
    static std::function<std::vector<TListedPort>()> enumeration = [] { return ListPorts(TSystemSerialPorts()); };
    return enumeration;
}

TFoSettingsComm::TFoSettingsComm(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFoSettingsComm>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    TranslateForm(this, kSettingsCommBase);
    ports_ = new TPortChooser(ui->ComboBox1, PortEnumeration(), Settings().COM, this);
    // Explicit groups: the exclusive choice must hold whether or not the dialog is on screen.
    auto *connection = new QButtonGroup(this);
    connection->addButton(ui->rbLocal);
    connection->addButton(ui->rbRemote);
    auto *localDevice = new QButtonGroup(this);
    localDevice->addButton(ui->rbLocalQT);
    localDevice->addButton(ui->rbLocalCLM);
    const TSettings &s = Settings();
    ui->rbRemote->setChecked(s.VIAMODEM);
    ui->rbLocal->setChecked(!s.VIAMODEM);
    ui->rbLocalCLM->setChecked(s.CLM300);
    ui->rbLocalQT->setChecked(!s.CLM300);
    RadioRule();
    ui->Edit1->setText(s.NORMAL);
    ui->Edit2->setText(s.RELIABLE);
    ui->Edit3->setText(s.PREFIX);
    ui->ComboBox2->setCurrentIndex(ui->ComboBox2->findText(InitSpeed(s.INIT)));  // no match: -1
    for (QRadioButton *rb : {ui->rbLocal, ui->rbRemote, ui->rbLocalQT, ui->rbLocalCLM})
        connect(rb, &QRadioButton::clicked, this, &TFoSettingsComm::RadioRule);
    connect(ui->Button1, &QPushButton::clicked, this, &TFoSettingsComm::accept);
    connect(ui->Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->Button3, &QPushButton::clicked, this, [] { ShowHelpTopic(QStringLiteral("InterfaceOptions")); });
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

TFoSettingsComm::~TFoSettingsComm() = default;

// Runs after every radio click (and once at creation, before the speed list takes INIT's speed).
void TFoSettingsComm::RadioRule() {
    const bool remote = ui->rbRemote->isChecked();
    for (QLineEdit *edit : {ui->Edit1, ui->Edit2, ui->Edit3}) EnableField(edit, remote);
    ui->rbLocalQT->setEnabled(!remote);
    ui->rbLocalCLM->setEnabled(!remote);
    ui->ComboBox2->setCurrentIndex(ui->ComboBox2->findText(SpeedForConnection(remote, ui->rbLocalCLM->isChecked())));
    ui->Label3->setText(LanguageText(remote ? kTextModemLabelRemote : kTextModemLabelLocal));
}

void TFoSettingsComm::accept() {
    QString error;
    const int com = ports_->ChosenCom(&error);
    if (com == 0) {
        ShowPlainBox(this, QMessageBox::Warning, windowTitle(), error);
        return;
    }
    TSettings &s = Settings();
    if (com > 0) s.COM = com;
    s.VIAMODEM = ui->rbRemote->isChecked();
    s.NORMAL = ui->Edit1->text().trimmed();
    s.RELIABLE = ui->Edit2->text().trimmed();
    s.PREFIX = ui->Edit3->text().trimmed();
    s.CLM300 = ui->rbLocalCLM->isChecked();
    if (ui->ComboBox2->currentIndex() >= 0) s.INIT = ReplaceInitSpeed(s.INIT, ui->ComboBox2->currentText());
    if (!TrySaveSettings(this)) return;
    QDialog::accept();
}

bool ShowSettingsComm(QWidget *parent) {
    TFoSettingsComm dlg(parent);
    return dlg.exec() == QDialog::Accepted;
}

} // namespace korvul
