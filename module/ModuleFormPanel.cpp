#include "module/ModuleFormPanel.h"

#include "ui/JEdit.h"
#include "base/LangSupp.h"
#include "comm/CommState.h"
#include "comm/Conversions.h"
#include "comm/StrList.h"
#include "ui/MainMessages.h"
#include "ui_FoCLM300.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>

namespace korvul {

namespace {

const char *const kLevelStems[4] = {"cbLow", "cbUndef", "cbHigh", "cbBreak"};

// The menu entry of channel r (1..4) under "Connect with end device".
QAction *ChannelMenuEntry(const Ui::TFoCLM300 &ui, int r) {
    const std::array<QAction *, kModuleUnits> entries{ui.miChannel1, ui.miChannel2, ui.miChannel3, ui.miChannel4};
    return entries[static_cast<std::size_t>(r - 1)];
}

// Date and time of a module clock text in the local formats; empty for a malformed text.
QString ClockDate(const QString &clock) {
    try {
        return DeviceDateToText(clock.left(6), 2);
    } catch (const TConversionError &) {
        return {};
    }
}
QString ClockTime(const QString &clock) {
    try {
        return DeviceTimeToText(clock.mid(6, 6), 2);
    } catch (const TConversionError &) {
        return {};
    }
}

// Selects a list entry; an index outside the list selects nothing.
void Select(QComboBox *box, int index) { box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1); }
// A spin value that did not parse leaves the spin box as it was.
void SetSpin(QSpinBox *spin, int value) {
    if (value >= 0) spin->setValue(value);
}
QChar LetterAt(const char *letters, int index) {
    return index >= 0 && index < static_cast<int>(qstrlen(letters)) ? QChar::fromLatin1(letters[index]) : QChar();
}
int ValueAt(const std::vector<int> &list, int index, int fallback) {
    return index >= 0 && index < static_cast<int>(list.size()) ? list[static_cast<std::size_t>(index)] : fallback;
}

// The controls of the data that the enabling pass switches: fields, lists, spin boxes and buttons.
// Panels, pages, labels, menus and the help buttons are left alone, and so are the inner parts of the
// composite controls (the edit of a spin box, the scroll buttons of a tab bar).
bool EnabledByAccess(QWidget *w, const QWidget *window) {
    if (qobject_cast<QLabel *>(w) || w->window() != window) return false;  // not the wait window's parts
    QWidget *parent = w->parentWidget();
    if (qobject_cast<QAbstractSpinBox *>(parent) || qobject_cast<QComboBox *>(parent) || qobject_cast<QTabBar *>(parent) ||
        qobject_cast<QMenuBar *>(parent))
        return false;
    const QString name = w->objectName();
    if (name.startsWith(QLatin1String("btHelp"))) return false;
    // Disconnect stays usable in a read-only window: it is the way out that saves nothing.
    if (name == QLatin1String("btDisconnect")) return false;
    return qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractSpinBox *>(w) ||
           qobject_cast<QAbstractButton *>(w);
}

void ClearMark(QWidget *w) {
    if (auto *edit = qobject_cast<QLineEdit *>(w)) edit->setModified(false);
    else w->setProperty("changed", false);
}

} // namespace

TModuleFormPanel::TModuleFormPanel(Ui::TFoCLM300 &form, QWidget &window, const TStrList &moduleData)
    : ui(form), window_(window), moduleData_(moduleData) {}

template <class T>
T *TModuleFormPanel::Field(const char *stem, int r) const {
    return ui.pnlMain->findChild<T *>(QString::fromLatin1(stem) + QString::number(r));
}

QString TModuleFormPanel::Item(char letter) const { return items_[static_cast<std::size_t>(letter - 'a')]; }

bool TModuleFormPanel::IsMarked(const QObject *control) { return control && control->property("changed").toBool(); }

// ---- the display ----

void TModuleFormPanel::Display() {
    displaying_ = true;
    CopyItems();
    ShowCommon();
    ShowChannels();
    ShowModem();
    ShowUnits();
    EnableByAccess();
    EnableChannels();
    EnableReceiverRows();
    ui.btSet->setEnabled(false);
    ui.btReject->setEnabled(false);
    displaying_ = false;
}

void TModuleFormPanel::CopyItems() {
    for (char letter = 'a'; letter <= 'o'; ++letter)
        items_[static_cast<std::size_t>(letter - 'a')] = moduleData_.GetValue(QString(QChar::fromLatin1(letter)));
}

void TModuleFormPanel::ShowCommon() {
    const TModuleCommon common = ParseModuleCommon(moduleData_);
    ui.edSw->setText(common.Sw);
    ui.edDevType->setText(common.DevType);
    ui.edDevNo->setText(common.DevNo);
    ui.jeDevNo->setText(common.DevNo);
    ui.edDevName->setText(common.DevName);
    ui.jeDevName->setText(common.DevName);
    const QString clock = common.Date + common.Time;
    for (QLineEdit *date : {static_cast<QLineEdit *>(ui.edDate), static_cast<QLineEdit *>(ui.jeDate)})
        date->setText(ClockDate(clock));
    for (QLineEdit *time : {static_cast<QLineEdit *>(ui.edTime), static_cast<QLineEdit *>(ui.jeTime)})
        time->setText(ClockTime(clock));
    ui.jeSR->setText(common.Status);
    const int hint = StatusHintText(common.Status);
    ui.jeSR->setToolTip(hint ? LanguageText(static_cast<uint16_t>(hint)) : QString());
    ui.jeOHC->setText(common.WorkingHours);
}

void TModuleFormPanel::ShowChannels() {
    const QString itemH = Item('h');
    for (int r = 1; r <= kModuleUnits; ++r) {
        const TModuleChannel ch = ParseChannel(itemH, r);
        Field<TJEdit>("jeIntName", r)->setText(TrimRight(ch.Designation));
        Field<QLineEdit>("jeDevType", r)->setText(ch.TypeName);
        Field<QLineEdit>("jeSW", r)->setText(ch.Version);
        Field<QCheckBox>("chbConfSwitch", r)->setChecked(ch.ConfSwitch);
        Field<QCheckBox>("chbCTS", r)->setChecked(ch.Cts);
        Select(Field<QComboBox>("cbProtocol", r), LetterIndex(kProtocolLetters, ch.Protocol));
        Select(Field<QComboBox>("cbBaudrate", r), ListIndex(ChannelBaudRates(), ch.Baud));
        Select(Field<QComboBox>("cbParity", r), LetterIndex(kParityLetters, ch.Parity));
        Select(Field<QComboBox>("cbDatabits", r), ch.DataBits < 0 ? -1 : ch.DataBits - 7);
        Select(Field<QComboBox>("cbStopBits", r), ch.StopBits < 0 ? -1 : ch.StopBits - 1);
        SetSpin(Field<QSpinBox>("speTimeout", r), ch.Timeout);
        ChannelMenuEntry(ui, r)->setText(LanguageFormat(kChannelMenuText, {r, ch.TypeName}));
    }
}

void TModuleFormPanel::ShowModem() {
    const TModuleModem m = ParseModem(Item('i'));
    Select(ui.cbCSIBaudrate, ListIndex(ModemBaudRates(), m.Baud));
    Select(ui.cbCSIParity, LetterIndex(kParityLetters, m.Parity));
    Select(ui.cbCSIDataBits, m.DataBits < 0 ? -1 : m.DataBits - 7);
    Select(ui.cbCSIStopBits, m.StopBits < 0 ? -1 : m.StopBits - 1);
    SetSpin(ui.spe2CharTo, m.CharTimeout);
    SetSpin(ui.speRespTo, m.ResponseTimeout);
    SetSpin(ui.speCDTo, m.CarrierTimeout);
    SetSpin(ui.speAtmptNo, m.Attempts);
    SetSpin(ui.speRingsNo, m.Rings);
    SetSpin(ui.spe2CallTo, m.CycleMinutes);
    ui.jeCAW1Begin->setText(CallWindowText(m.Caw1Begin));
    ui.jeCAW1end->setText(CallWindowText(m.Caw1End));
    ui.jeCAW2begin->setText(CallWindowText(m.Caw2Begin));
    ui.jeCAW2end->setText(CallWindowText(m.Caw2End));
    Select(ui.cbDialMth, LetterIndex(kDialLetters, m.DialMethod));
}

void TModuleFormPanel::ShowUnits() {
    for (int r = 1; r <= kModuleUnits; ++r) {
        const TModuleHq hq = ParseHq(Item('j'), r);
        Field<TJEdit>("jeHQ", r)->setText(hq.Designation);
        Field<TJEdit>("jeHQPhone", r)->setText(hq.Phone);
        const TModuleEvent ev = ParseEvent(Item('m'), r);
        Field<TJEdit>("jeCrntLvl", r)->setText(ev.CurrentLevel);
        Field<TJEdit>("jeBLvl", r)->setText(ev.LevelBefore);
        Field<TJEdit>("jeALvl", r)->setText(ev.LevelAfter);
        Field<TJEdit>("jeFrstDT", r)->setText(EventDateTimeText(ev.FirstDate, ev.FirstTime));
        Field<TJEdit>("jeLstDT", r)->setText(EventDateTimeText(ev.LastDate, ev.LastTime));
        Field<TJEdit>("jeEvntCntr", r)->setText(ev.Counter);
        ShowInput(r);
        const TModuleReceiver rec = ParseReceiver(Item('o'), r);
        Select(Field<QComboBox>("cbService", r), rec.Service);
        Field<TJEdit>("jeFaxNo", r)->setText(rec.FaxNumber);
        Field<TJEdit>("jeDesignation", r)->setText(rec.Designation);
        const QChar state = OutputState(Item('l'), r);
        Field<TJEdit>("jeCrntState", r)->setText(state == u'0'   ? LanguageText(kOutputOffText)
                                                 : state == u'1' ? LanguageText(kOutputOnText)
                                                                 : QString());
        Field<QCheckBox>("chbSwitch", r)->setChecked(false);
    }
}

void TModuleFormPanel::ShowInput(int r) {
    const TModuleInput in = ParseInput(Item('n'), r);
    Select(Field<QComboBox>("cbLvlNo", r), in.LevelsIndex);
    for (int k = 0; k < 4; ++k) Select(Field<QComboBox>(kLevelStems[k], r), in.Levels[static_cast<std::size_t>(k)]);
    ShowReceiverLists(r, in.FirstReceiver, in.SubstituteReceiver);
    Field<TJEdit>("jeMsg", r)->setText(in.Message);
}

// Both lists: "no fax receiver", then every receiver with a designation; each entry carries its
// receiver number.
void TModuleFormPanel::ShowReceiverLists(int r, int first, int substitute) {
    const std::vector<TReceiverChoice> choices = ReceiverChoices(Item('o'), LanguageText(kNoReceiverText));
    for (auto [box, receiver] : {std::pair{Field<QComboBox>("cbFaxRecF", r), first},
                                 std::pair{Field<QComboBox>("cbFaxRecS", r), substitute}}) {
        box->clear();
        for (const TReceiverChoice &c : choices) box->addItem(c.Text, c.Receiver);
        box->setCurrentIndex(ReceiverChoiceIndex(choices, receiver));
    }
}

// ---- enabling ----

void TModuleFormPanel::EnableByAccess() {
    for (QWidget *w : ui.pnlMain->findChildren<QWidget *>()) {
        if (!EnabledByAccess(w, &window_)) continue;
        w->setEnabled(ModuleAccess);
        ClearMark(w);
    }
    for (QAction *a : {ui.acConnect, ui.acPCTime, ui.acAdjustRTC, ui.acChangeAccessCode,
                       ui.acChangeHQPasswords, ui.acChangeQTAccessCode})
        a->setEnabled(ModuleAccess);
}

// Only channels with an end device (version before the point above 0) can be switched through to.
void TModuleFormPanel::EnableChannels() {
    const QString itemH = Item('h');
    for (int r = 1; r <= kModuleUnits; ++r) {
        const bool connectable = ChannelConnectable(ParseChannel(itemH, r));
        Field<QPushButton>("btConnect", r)->setEnabled(connectable);
        ChannelMenuEntry(ui, r)->setEnabled(connectable);
        Field<QCheckBox>("chbConfSwitch", r)->setEnabled(false);
        Field<QCheckBox>("chbCTS", r)->setEnabled(false);
    }
}

void TModuleFormPanel::EnableReceiverRows() {
    for (int r = 1; r <= kModuleUnits; ++r) {
        const bool on = ReceiverRowEnabled(Field<QComboBox>("cbService", r)->currentIndex(), ModuleAccess);
        for (TJEdit *edit : {Field<TJEdit>("jeDesignation", r), Field<TJEdit>("jeFaxNo", r)}) {
            edit->setEnabled(on);
            QPalette pal = edit->palette();
            pal.setColor(QPalette::Base, window_.palette().color(on ? QPalette::Base : QPalette::Button));
            edit->setPalette(pal);
        }
        Field<QPushButton>("btTest", r)->setEnabled(on);
    }
}

// ---- change marks ----

void TModuleFormPanel::MarkChanged(QObject *sender) {
    if (!sender || displaying_ || !ModuleAccess) return;
    ui.btSet->setEnabled(true);
    ui.btReject->setEnabled(true);
    if (auto *edit = qobject_cast<QLineEdit *>(sender)) edit->setModified(true);
    else sender->setProperty("changed", true);
}

// Two levels have no "undef" and no "break": those become "low" and "high".
void TModuleFormPanel::LevelsChanged(int r) {
    QComboBox *levels = Field<QComboBox>("cbLvlNo", r);
    if (!ModuleAccess) return;
    if (levels->currentIndex() == 0) {
        TModuleInput input;
        for (int k = 0; k < 4; ++k) input.Levels[static_cast<std::size_t>(k)] = Field<QComboBox>(kLevelStems[k], r)->currentIndex();
        ApplyTwoLevels(input);
        for (int k = 0; k < 4; ++k) Select(Field<QComboBox>(kLevelStems[k], r), input.Levels[static_cast<std::size_t>(k)]);
    }
    MarkChanged(levels);
}

void TModuleFormPanel::ServiceChanged(int r) {
    EnableReceiverRows();
    MarkChanged(Field<QComboBox>("cbService", r));
}

// A call acceptance time the operator changed must be a time of day; otherwise the window goes back to
// the values last read and the field keeps the focus.
void TModuleFormPanel::CallWindowLeft(TJEdit *field) {
    if (!field->isModified() || CallWindowField(field->text())) return;
    ShowMessageText(&window_, LanguageText(TModuleSession::kInvalidTimeText));
    Display();
    field->setFocus();
}

void TModuleFormPanel::RefreshClock(const QString &clock) {
    ui.edDate->setText(ClockDate(clock));
    ui.edTime->setText(ClockTime(clock));
    // The operator's own date or time entry is not overwritten before Set or Reject.
    if (ui.jeDate->isModified() || ui.jeTime->isModified()) return;
    ui.jeDate->setText(ui.edDate->text());
    ui.jeTime->setText(ui.edTime->text());
    ui.jeDate->setModified(false);
    ui.jeTime->setModified(false);
}

bool TModuleFormPanel::SetEnabled() const { return ui.btSet->isEnabled(); }

void TModuleFormPanel::DisableSet() { ui.btSet->setEnabled(false); }

std::optional<TModuleClockEntry> TModuleFormPanel::EditedClock() const {
    if (!ui.jeDate->isModified() && !ui.jeTime->isModified()) return std::nullopt;
    return TModuleClockEntry{ui.jeDate->text(), ui.jeTime->text()};
}

// ---- what Set sends ----

TModuleSetForm TModuleFormPanel::CollectSetForm() const {
    TModuleSetForm form;
    for (int r = 1; r <= kModuleUnits; ++r) CollectUnit(r, form.Units[static_cast<std::size_t>(r - 1)]);
    form.ModemMarked = ui.jeCAW1Begin->isModified() || ui.jeCAW1end->isModified() || ui.jeCAW2begin->isModified() ||
                       ui.jeCAW2end->isModified();
    for (const QWidget *w : std::initializer_list<const QWidget *>{
             ui.cbCSIBaudrate, ui.cbCSIParity, ui.cbCSIDataBits, ui.cbCSIStopBits, ui.spe2CharTo, ui.speRespTo,
             ui.speCDTo, ui.cbDialMth, ui.speAtmptNo, ui.speRingsNo, ui.spe2CallTo})
        form.ModemMarked = form.ModemMarked || IsMarked(w);
    form.Modem = CollectModem();
    form.DevNameModified = ui.jeDevName->isModified();
    form.DevName = ui.jeDevName->text();
    form.DevNoModified = ui.jeDevNo->isModified();
    form.DevNo = ui.jeDevNo->text();
    form.ItemL = Item('l');
    return form;
}

// A list without a selection sends the value as last read, so every record keeps its layout.
void TModuleFormPanel::CollectUnit(int r, TModuleSetUnit &u) const {
    const QCheckBox *toggle = Field<QCheckBox>("chbSwitch", r);
    u.OutputSwitch = IsMarked(toggle) && toggle->isChecked();

    const QComboBox *service = Field<QComboBox>("cbService", r);
    u.Receiver = ParseReceiver(Item('o'), r);
    u.ReceiverMarked = Field<TJEdit>("jeDesignation", r)->isModified() || Field<TJEdit>("jeFaxNo", r)->isModified() ||
                       IsMarked(service);
    if (service->currentIndex() >= 0) u.Receiver.Service = service->currentIndex();
    u.Receiver.FaxNumber = Field<TJEdit>("jeFaxNo", r)->text();
    u.Receiver.Designation = Field<TJEdit>("jeDesignation", r)->text();

    u.Input = ParseInput(Item('n'), r);
    u.InputMarked = Field<TJEdit>("jeMsg", r)->isModified();
    for (const char *stem : {"cbFaxRecF", "cbFaxRecS", "cbLvlNo", "cbLow", "cbUndef", "cbHigh", "cbBreak"})
        u.InputMarked = u.InputMarked || IsMarked(Field<QComboBox>(stem, r));
    if (Field<QComboBox>("cbLvlNo", r)->currentIndex() >= 0) u.Input.LevelsIndex = Field<QComboBox>("cbLvlNo", r)->currentIndex();
    for (int k = 0; k < 4; ++k)
        if (const int i = Field<QComboBox>(kLevelStems[k], r)->currentIndex(); i >= 0) u.Input.Levels[static_cast<std::size_t>(k)] = i;
    u.Input.FirstReceiver = Field<QComboBox>("cbFaxRecF", r)->currentData().toInt();
    u.Input.SubstituteReceiver = Field<QComboBox>("cbFaxRecS", r)->currentData().toInt();
    u.Input.Message = Field<TJEdit>("jeMsg", r)->text();

    u.HqMarked = Field<TJEdit>("jeHQ", r)->isModified() || Field<TJEdit>("jeHQPhone", r)->isModified();
    u.Hq = {Field<TJEdit>("jeHQ", r)->text(), Field<TJEdit>("jeHQPhone", r)->text()};
    CollectChannel(r, u);
}

void TModuleFormPanel::CollectChannel(int r, TModuleSetUnit &u) const {
    TModuleChannel &ch = u.Channel;
    ch = ParseChannel(Item('h'), r);
    u.ChannelMarked = Field<TJEdit>("jeIntName", r)->isModified();
    for (const char *stem : {"cbBaudrate", "cbParity", "cbDatabits", "cbStopBits", "cbProtocol", "speTimeout"})
        u.ChannelMarked = u.ChannelMarked || IsMarked(Field<QWidget>(stem, r));
    ch.Designation = Field<TJEdit>("jeIntName", r)->text();
    ch.Baud = ValueAt(ChannelBaudRates(), Field<QComboBox>("cbBaudrate", r)->currentIndex(), ch.Baud);
    if (const QChar p = LetterAt(kParityLetters, Field<QComboBox>("cbParity", r)->currentIndex()); !p.isNull()) ch.Parity = p;
    if (const int i = Field<QComboBox>("cbDatabits", r)->currentIndex(); i >= 0) ch.DataBits = 7 + i;
    if (const int i = Field<QComboBox>("cbStopBits", r)->currentIndex(); i >= 0) ch.StopBits = 1 + i;
    ch.Timeout = Field<QSpinBox>("speTimeout", r)->value();
    if (const QChar p = LetterAt(kProtocolLetters, Field<QComboBox>("cbProtocol", r)->currentIndex()); !p.isNull()) ch.Protocol = p;
}

TModuleModem TModuleFormPanel::CollectModem() const {
    TModuleModem m = ParseModem(Item('i'));
    m.Baud = ValueAt(ModemBaudRates(), ui.cbCSIBaudrate->currentIndex(), m.Baud);
    if (const QChar p = LetterAt(kParityLetters, ui.cbCSIParity->currentIndex()); !p.isNull()) m.Parity = p;
    if (ui.cbCSIDataBits->currentIndex() >= 0) m.DataBits = 7 + ui.cbCSIDataBits->currentIndex();
    if (ui.cbCSIStopBits->currentIndex() >= 0) m.StopBits = 1 + ui.cbCSIStopBits->currentIndex();
    m.CharTimeout = ui.spe2CharTo->value();
    m.ResponseTimeout = ui.speRespTo->value();
    m.CarrierTimeout = ui.speCDTo->value();
    m.Attempts = ui.speAtmptNo->value();
    m.Rings = ui.speRingsNo->value();
    m.CycleMinutes = ui.spe2CallTo->value();
    for (auto [edit, field] : {std::pair{ui.jeCAW1Begin, &m.Caw1Begin}, std::pair{ui.jeCAW1end, &m.Caw1End},
                               std::pair{ui.jeCAW2begin, &m.Caw2Begin}, std::pair{ui.jeCAW2end, &m.Caw2End}})
        if (const std::optional<QString> hhmm = CallWindowField(edit->text())) *field = *hhmm;
    if (const QChar d = LetterAt(kDialLetters, ui.cbDialMth->currentIndex()); !d.isNull()) m.DialMethod = d;
    return m;
}

} // namespace korvul
