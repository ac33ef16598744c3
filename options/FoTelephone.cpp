#include "options/FoTelephone.h"
#include "ui/SettingsUi.h"

#include "options/OptionRules.h"
#include "base/Settings.h"
#include "ui/TranslateForm.h"
#include "ui_FoTelephone.h"

#include <QButtonGroup>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>

namespace korvul {

namespace {
constexpr uint16_t kTelephoneBase = 700;

// Index of the last list entry: PHCOUNT held to 0..49, so that Dial always stores the number in Ph0.
int PhoneListLast(const TSettings &s) { return qBound(0, s.PHCOUNT, kPhoneListSize - 1); }
} // namespace

TFoTelephone::TFoTelephone(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFoTelephone>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    TranslateForm(this, kTelephoneBase);
    auto *kind = new QButtonGroup(this);  // exclusive whether or not the dialog is on screen
    for (QRadioButton *rb : {ui->rbGX500, ui->rbCLM300, ui->rbOther}) kind->addButton(rb);
    const TSettings &s = Settings();
    for (int i = 0; i <= PhoneListLast(s); ++i) ui->ComboBox1->addItem(s.Ph[i]);
    ui->ComboBox1->setCurrentIndex(0);
    ui->CheckBox1->setChecked(s.RLBMODE);
    if (s.CLM300) ui->rbCLM300->setChecked(true);
    else if (s.GX500) ui->rbGX500->setChecked(true);
    connect(ui->CheckBox1, &QCheckBox::clicked, this, [](bool checked) { Settings().RLBMODE = checked; });
    connect(ui->Button1, &QPushButton::clicked, this, &TFoTelephone::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &QDialog::reject);
    // The combo box is the focus proxy of its line edit: typed keys reach the combo box, which hands
    // them to the line edit directly, past any filter of the line edit. Both are filtered.
    ui->ComboBox1->installEventFilter(this);
    ui->ComboBox1->lineEdit()->installEventFilter(this);
    ui->ComboBox1->lineEdit()->setMaxLength(kPhonePasteLimit);
    // Text that arrives other than by typing (drag and drop, the context menu) is filtered the same way.
    connect(ui->ComboBox1->lineEdit(), &QLineEdit::textEdited, this, [this](const QString &text) {
        const QString filtered = FilterPhoneText(text);
        if (filtered != text) ui->ComboBox1->lineEdit()->setText(filtered);
    });
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

TFoTelephone::~TFoTelephone() = default;

void TFoTelephone::PasteFiltered() {
    const QClipboard *clipboard = QGuiApplication::clipboard();
    ui->ComboBox1->setEditText(PastedPhoneText(clipboard ? clipboard->text() : QString()));
}

// Typing: accepted characters and Backspace pass, Enter dials, Ctrl+V pastes filtered, any other
// character is dropped. Keys without text (arrows, Delete, Home) keep their usual work.
bool TFoTelephone::eventFilter(QObject *watched, QEvent *event) {
    const bool numberField = watched == ui->ComboBox1 || watched == ui->ComboBox1->lineEdit();
    if (!numberField || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->matches(QKeySequence::Paste) || (key->key() == Qt::Key_V && (key->modifiers() & Qt::ControlModifier))) {
        PasteFiltered();
        return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->text() == QLatin1String("\r") ||
        key->text() == QLatin1String("\n")) {  // carriage return or line feed (Ctrl+J)
        Button1Click();
        return true;
    }
    if (key->key() == Qt::Key_Backspace) return false;
    const QString text = key->text();
    if (text.isEmpty() || !text[0].isPrint()) return false;
    return !(text.size() == 1 && IsPhoneChar(text[0]));
}

void TFoTelephone::Button1Click() {
    const QString number = WithoutBlanks(ui->ComboBox1->currentText());
    if (number.isEmpty()) return reject();
    TSettings &s = Settings();
    MoveNumberToFront(s.Ph.data(), PhoneListLast(s), number);
    s.CLM300 = ui->rbCLM300->isChecked();
    s.GX500 = ui->rbGX500->isChecked();
    if (!TrySaveSettings(this)) return;
    accept();
}

bool ShowTelephoneDialog(QWidget *parent) {
    TFoTelephone dlg(parent);
    return dlg.exec() == QDialog::Accepted;
}

} // namespace korvul
