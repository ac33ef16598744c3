#include "config/FoInitDevice.h"

#include "base/HelpFile.h"
#include "ui/HelpViewer.h"
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "ui/TranslateForm.h"
#include "base/Wait.h"
#include "comm/DeviceTypes.h"
#include "comm/Drivers.h"
#include "ui/FormMeldung.h"
#include "comm/Items.h"
#include "comm/CommClass.h"
#include "ui/DeviceAction.h"
#include "config/InitMaxima.h"
#include "ui/MainWindowAccess.h"
#include "ui/MainMessages.h"
#include "ui_FoInitDevice.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QSignalBlocker>
#include <QTabBar>
#include <optional>

namespace korvul {

namespace {

constexpr uint8_t kAccessItem = 'c', kSerialItem = 'm', kCounterItem = 'k', kCustomerItem = 'i',
                  kPeriodItem = 'q', kClockItem = '{';
// An answer of item 'Y' that names no channel of the device ends the run like a refusal: writing on
// would put numbers into a channel nobody chose.
constexpr int32_t kNoChannelResult = 1;

// Undoes what a run changed outside the dialog, also when the run is left by an exception.
struct TRunCleanup {
    std::unique_ptr<TFormMeldung> wait;
    QWidget *dialog;
    ~TRunCleanup() {
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        dialog->setEnabled(true);
        if (IMainWindow *main = MainWindow()) main->DisableSetData();
    }
};

} // namespace

TFoInitDevice::TFoInitDevice(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFoInitDevice>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    TranslateForm(this, kTextBase);
    for (QLineEdit *edit : {ui->jeSerNumber, ui->jeCntNumber, ui->jeCustNumber, ui->jePeriod})
        connect(edit, &QLineEdit::textChanged, this, &TFoInitDevice::EnableSetButton);
    connect(ui->btSet, &QPushButton::clicked, this, &TFoInitDevice::btSetClick);
    connect(ui->btCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->btHelp, &QPushButton::clicked, this, [] { ShowHelpTopic(QString::fromLatin1(HelpTopic::InitDevice)); });
    ui->btSet->setEnabled(false);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

TFoInitDevice::~TFoInitDevice() = default;

void TFoInitDevice::EnableSetButton() { ui->btSet->setEnabled(true); }

void TFoInitDevice::btSetClick() {
    NoticeText = LanguageText(kWaitText);
    NoticeCaption = QString::fromLatin1(TFormMeldung::kCaption);
    std::optional<TCommClassException> failure;
    {
        TRunCleanup cleanup{std::make_unique<TFormMeldung>(this), this};
        cleanup.wait->ShowCentredOn(this);
        QCoreApplication::processEvents();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        setEnabled(false);  // the run lets events through: no second run, no Cancel in the middle of one
        try {
            for (int pass = 1; pass <= DeviceInfo().ChannelCount; ++pass) RunPass();
        } catch (const TCommClassException &e) {
            failure = e;
        }
        ui->btSet->setEnabled(false);
    }
    if (failure) return ReportDeviceFailure(this, kRefusedText, *failure);
    ShowMessageText(this, LanguageText(kDoneText));
    accept();
}

// One channel: the device answers for the channel it was left on by the previous pass's sign-off.
void TFoInitDevice::RunPass() {
    const int channels = DeviceInfo().ChannelCount;
    WriteItemOrRaise(kAccessItem, AccessCodeBytes(Settings().ACCESSCODE));
    int index = 0;
    if (channels > 1) {
        const std::optional<int> named = ChannelIndexFromY(ReadChannelItem(), channels);
        if (!named) throw TCommClassException::Result(kNoChannelResult);
        index = *named;
    }
    if (IMainWindow *main = MainWindow()) main->SelectChannelQuietly(index);
    WriteNumber(kSerialItem, ChannelSerialNumber(ui->jeSerNumber->text(), index, channels), TMainField::DeviceNumber);
    WriteNumber(kCounterItem, FitNumber(ui->jeCntNumber->text(), 12), TMainField::CounterNumber);
    WriteNumber(kCustomerItem, FitNumber(ui->jeCustNumber->text(), 12), TMainField::CustomerNumber);
    const QString period = FitNumber(ui->jePeriod->text(), 2);
    WriteItemOrRaise(kPeriodItem, period.toLatin1());
    ShowPeriodInMain(period);
    TStrList scratch;
    TStrList &commonData = MainWindow() ? MainWindow()->CommonData() : scratch;
    // Negative results raise inside WriteItem; a refused clock does not stop the run.
    WriteItem(kClockItem, QStringLiteral("z"), ClockTextOf(QDateTime::currentDateTime()), commonData);
    QCoreApplication::processEvents();
    SignOffAndOn();
}

void TFoInitDevice::WriteNumber(uint8_t item, const QString &value, TMainField mainField) {
    WriteItemOrRaise(item, value.toLatin1());
    if (IMainWindow *main = MainWindow()) main->SetFieldText(mainField, value);
}

// The main window shows the period as its period box does.
void TFoInitDevice::ShowPeriodInMain(const QString &period) {
    if (IMainWindow *main = MainWindow()) main->ShowPeriod(period);
}

// The results are not looked at: a failed sign-on shows in the next pass's first write.
void TFoInitDevice::SignOffAndOn() {
    TCommClass &comm = CommObject();
    int32_t arg3 = 100, arg4 = 0;
    comm.CallProtocol(dpClose, nullptr, &arg3, &arg4);
    SleepMs(kSignOnPauseMs);
    arg3 = arg4 = 0;
    comm.CallProtocol(dpOpen, nullptr, &arg3, &arg4);
}

bool ShowInitDeviceDialog(QWidget *parent) {
    TCommClass &comm = CommObject();
    comm.SetOptions(coPollOff);  // the poll would find the device signed off between two passes
    bool accepted = false;
    {
        TFoInitDevice dialog(parent);
        accepted = dialog.exec() == QDialog::Accepted;
    }
    if (comm.Connected()) comm.SetOptions(coPollOn);
    return accepted;
}

} // namespace korvul
