#include "readout/FormReadArch.h"

#include "base/LangSupp.h"
#include "ui/PlainText.h"
#include "base/Settings.h"
#include "ui/TranslateForm.h"
#include "base/Wait.h"
#include "comm/CommState.h"
#include "comm/Drivers.h"
#include "readout/ArchiveReadout.h"
#include "ui/FrmCancelDlg.h"
#include "ui_FormReadArch.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QStyle>
#include <QUrl>

namespace korvul {

namespace {

// Texts of the end of the readout (the label's and buttons' own texts come by tag: 230, 233, 234).
enum : uint16_t { kTextFilesWritten = 230, kTextFilesInHome = 231, kTextNoFiles = 232, kTextFolderNotOpened = 236 };

TReadoutMessageHook messageHook;

// The window as the readout sees it.
class TWindowView : public TReadArchView {
public:
    explicit TWindowView(TFormReadArch &w) : w_(w) {}
    void StartAnimation() override { w_.StartAnimation(); }
    void StopAnimation() override { w_.StopAnimation(); }
    void SetPanel(int panel, const QString &text) override { w_.SetPanel(panel, text); }
    void SetProgress(int position, int maximum) override { w_.SetProgress(position, maximum); }
    void ProcessMessages() override { korvul::ProcessMessages(); }
    void Repaint() override { w_.repaint(); }
    bool Cancelled() const override { return w_.Cancelled(); }
    void ShowNote(const QString &caption, const QString &text) override { ReadoutMessage(&w_, caption, text); }
    void ShowMessage(const QString &text) override { ReadoutMessage(&w_, QString(), text); }
    std::optional<QString> AskFileName(const QString &title, const QString &directory) override {
        // The file never replaces an existing one, so the dialog need not ask about overwriting.
        const QString name = QFileDialog::getSaveFileName(&w_, title, directory, QString(), nullptr,
                                                          QFileDialog::DontConfirmOverwrite);
        if (name.isEmpty()) return std::nullopt;
        return name;
    }
    void CommonDataRead(const TStrList &list) override {
        if (w_.Host().CommonDataRead) w_.Host().CommonDataRead(list);
    }
    void ShowFiles(const TReadArchFiles &files) override { w_.ShowFiles(files); }

private:
    TFormReadArch &w_;
};

bool IsBrokenConnection(const QString &text) {
    if (text == QLatin1String(kErrorText)) return true;
    bool number = false;
    const int r = text.toInt(&number);
    return number && r < 0;
}

} // namespace

void SetReadoutMessageHook(TReadoutMessageHook hook) { messageHook = std::move(hook); }

void ReadoutMessage(QWidget *parent, const QString &caption, const QString &text) {
    if (messageHook) return messageHook(caption, text);
    ShowPlainBox(parent, QMessageBox::Information, caption.isEmpty() ? QString::fromLatin1("Vendrok") : caption, text);
}

int ShowArchiveReadout(QWidget *parent, const TReadArchHost &host) {
    TFormReadArch window(parent, host);
    return window.exec();
}

int ShowMemoryDump(QWidget *parent, TReadArchHost host) {
    host.Mode = QStringLiteral("dump");
    return ShowArchiveReadout(parent, host);
}

TFormReadArch::TFormReadArch(QWidget *parent, const TReadArchHost &host)
    : QDialog(parent), ui(std::make_unique<Ui::TFormReadArch>()), host_(host) {
    ui->setupUi(this);
    // No border icons: the window ends by itself, or through Escape and the cancel question.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    TranslateForm(this, kTextBase);
    // Screen readers name the animation and the progress bar after the window, in its language.
    ui->Animate1->setAccessibleName(windowTitle());
    ui->ProgressBar1->setAccessibleName(windowTitle());
    if (host_.Mode.isEmpty()) host_.Mode = Settings().READOUTMODE;
    SetUpStatusBar();
    ui->ProgressBar1->setRange(0, 100);
    ui->ProgressBar1->setValue(0);
    ui->lbState->hide();
    for (QWidget *w : {static_cast<QWidget *>(ui->lbFiles), static_cast<QWidget *>(ui->meFiles),
                       static_cast<QWidget *>(ui->btOpenFolder), static_cast<QWidget *>(ui->btClose)})
        w->hide();
    for (QWidget *w : {static_cast<QWidget *>(ui->meFiles), static_cast<QWidget *>(ui->btOpenFolder),
                       static_cast<QWidget *>(ui->btClose)})
        w->installEventFilter(this);
    connect(ui->btOpenFolder, &QPushButton::clicked, this, &TFormReadArch::OpenFolder);
    connect(ui->btClose, &QPushButton::clicked, this, [this] { done(1); });
    Timer1.setSingleShot(true);
    connect(&Timer1, &QTimer::timeout, this, [this] { done(1); });
    animation_.setInterval(120);
    connect(&animation_, &QTimer::timeout, this, &TFormReadArch::NextAnimationFrame);
    DrawAnimationFrames();
    NextAnimationFrame();
}

TFormReadArch::~TFormReadArch() = default;

void TFormReadArch::SetUpStatusBar() {
    const QFontMetrics fm(font());
    const int widths[3] = {fm.horizontalAdvance(LanguageText(kTextRecords) + QStringLiteral("000000 ")),
                           fm.horizontalAdvance(LanguageText(kTextChannel) + QStringLiteral("00 ")), 0};
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(ui->StatusBar1);
        panels_[i]->setObjectName(QStringLiteral("Panel%1").arg(i));
        panels_[i]->setTextFormat(Qt::PlainText);  // file names and device numbers
        panels_[i]->setFrameShape(QFrame::StyledPanel);
        if (widths[i] > 0) panels_[i]->setMinimumWidth(widths[i] + 8);
        ui->StatusBar1->addWidget(panels_[i], i == 2 ? 1 : 0);
    }
}

QString TFormReadArch::PanelText(int panel) const {
    return panel >= 0 && panel < 3 ? panels_[panel]->text() : QString();
}
QString TFormReadArch::StateText() const { return ui->lbState->text(); }
int TFormReadArch::Progress() const { return ui->ProgressBar1->value(); }

void TFormReadArch::StartAnimation() {
    ui->Animate1->show();
    animation_.start();
}

void TFormReadArch::StopAnimation() { animation_.stop(); }

void TFormReadArch::SetPanel(int panel, const QString &text) {
    if (panel >= 0 && panel < 3) panels_[panel]->setText(text);
}

void TFormReadArch::SetProgress(int position, int maximum) {
    if (maximum >= 0) ui->ProgressBar1->setRange(0, std::max(maximum, 1));
    ui->ProgressBar1->setValue(position);
}

// A sheet moves from the left folder to the right one. The frames are drawn once, when the window is
// made: drawing each anew decoded the style's icons 8 times a second during the readout.
void TFormReadArch::DrawAnimationFrames() {
    const int w = 160, h = 40, icon = 32, steps = 8;
    const QPixmap folder = style()->standardIcon(QStyle::SP_DirIcon).pixmap(icon);
    const QPixmap sheet = style()->standardIcon(QStyle::SP_FileIcon).pixmap(icon - 8);
    for (int frame = 0; frame <= steps; ++frame) {
        QPixmap pm(w, h);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.drawPixmap(0, 4, folder);
        p.drawPixmap(w - icon, 4, folder);
        p.drawPixmap(icon + (w - 3 * icon) * frame / steps, 4, sheet);
        p.end();
        frames_.append(pm);
    }
}

void TFormReadArch::NextAnimationFrame() {
    ui->Animate1->setPixmap(frames_.at(frame_));
    frame_ = (frame_ + 1) % int(frames_.size());
}

void TFormReadArch::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (started_) return;
    started_ = true;
    // The readout runs once the window is on the screen, inside its own modal loop.
    QTimer::singleShot(0, this, &TFormReadArch::RunReadout);
}

void TFormReadArch::RunReadout() {
    running_ = true;
    TWindowView view(*this);
    TArchiveReadout readout(view, host_.CurrentChannel, host_.Mode);
    try {
        readout.Run();
    } catch (const TCommClassException &e) {
        HandleFailure(e.Message());
    } catch (const TArchiveFileError &e) {
        ReadoutMessage(this, QString(), e.Text());
    } catch (const std::exception &e) {
        korvul::ShowException(e);
    }
    written_ = readout.WrittenFiles();
    readout.ReportEnd();
    Finish();
}

void TFormReadArch::HandleFailure(const QString &exceptionText) {
    if (IsBrokenConnection(exceptionText)) {
        if (host_.ConnectionBroken) host_.ConnectionBroken(this);
        else if (parentWidget()) QCoreApplication::postEvent(parentWidget(), new TDialogBrokenEvent(this));
        else PostConnectionBroken(this);
        return;
    }
    bool number = false;
    exceptionText.toInt(&number);
    ReadoutMessage(this, QString(), number ? LanguageText(kTextReadFailed) : exceptionText);
}

void TFormReadArch::Finish() {
    running_ = false;
    finished_ = true;
    StopAnimation();
    ui->Animate1->hide();
    ui->lbState->setText(LanguageText(cancelled_ ? kTextCancelled : kTextFinished));
    ui->lbState->show();
    ui->btClose->show();
    ui->btClose->setDefault(true);
    ui->btClose->setFocus();
    Timer1.start(ScaledMs(kCloseMs));
}

// Where the files went. Paths are shown as plain text: a directory name is the user's, not markup.
void TFormReadArch::ShowFiles(const TReadArchFiles &files) {
    folder_ = files.Directory;
    if (files.Files.isEmpty()) {
        ui->lbFiles->setText(LanguageText(kTextNoFiles));
    } else {
        ui->lbFiles->setText(files.HomeDirectory ? LanguageText(kTextFilesInHome) : LanguageText(kTextFilesWritten));
        ui->meFiles->setPlainText(files.Files.join(QLatin1Char('\n')));
        ui->meFiles->show();
        ui->btOpenFolder->show();
    }
    ui->lbFiles->setTextFormat(Qt::PlainText);
    ui->lbFiles->show();
}

void TFormReadArch::OpenFolder() {
    StayOpen();
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder_)))
        ReadoutMessage(this, QString(), LanguageFormat(kTextFolderNotOpened, {folder_}));
}

// The operator is reading the list or using the window: it no longer closes under the pointer.
void TFormReadArch::StayOpen() { Timer1.stop(); }

void TFormReadArch::enterEvent(QEnterEvent *event) {
    if (finished_) StayOpen();
    QDialog::enterEvent(event);
}

bool TFormReadArch::eventFilter(QObject *watched, QEvent *event) {
    if (finished_ && (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress)) StayOpen();
    return QDialog::eventFilter(watched, event);
}

void TFormReadArch::AskCancel() {
    if (asking_ || finished_) return;
    asking_ = true;
    TFrmCancelDlg dialog(this);
    if (dialog.exec() == TFrmCancelDlg::kResultYes) cancelled_ = true;
    asking_ = false;
}

void TFormReadArch::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape) {
        AskCancel();
        return;
    }
    QDialog::keyPressEvent(event);
}

// Escape reaches the dialog as reject(): it asks the cancel question instead of closing.
void TFormReadArch::reject() {
    if (running_) AskCancel();
    else if (finished_) QDialog::reject();
}

void TFormReadArch::closeEvent(QCloseEvent *event) {
    if (running_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace korvul
