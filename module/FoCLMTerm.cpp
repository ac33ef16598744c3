#include "module/FoCLMTerm.h"

#include "ui/TranslateForm.h"
#include "base/Wait.h"
#include "comm/Oem.h"
#include "comm/CommClass.h"
#include "ui/MainWindowAccess.h"
#include "ui/MainDialogs.h"
#include "ui_FoCLMTerm.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QTextCursor>
#include <chrono>
#include <thread>

namespace korvul {

namespace {

// The Qt text area counts one position per line break.
bool ChooseLineBreakMode() {
    LineBreakIsTwoChars = false;
    return LineBreakIsTwoChars;
}

// The terminal's line operations; a failing driver call yields nothing, as the module's silence would.
TClmTermIo LineIo() {
    TClmTermIo io;
    io.Write = [](char byte) {
        try {
            int32_t count = 1, written = 0;
            CommObject().CallLine(dpWrite, &byte, &count, &written);
        } catch (const std::exception &) {
        }
    };
    io.InQueue = [] {
        try {
            const int32_t n = CommObject().CallLine(dpInQueue, nullptr, nullptr, nullptr);
            return n > 0 ? int(n) : 0;
        } catch (const std::exception &) {
            return 0;
        }
    };
    io.ReadByte = [](char &byte) {
        try {
            int32_t wanted = 1, received = 0;
            return CommObject().CallLine(dpRead, &byte, &wanted, &received) == 0 && received == 1;
        } catch (const std::exception &) {
            return false;
        }
    };
    io.Sleep = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    io.NowMs = [] { return clock.elapsed(); };
    return io;
}

// Keys without a text of their own that the module still understands as bytes.
QChar KeyByte(int key) {
    switch (key) {
    case Qt::Key_Escape: return QChar(27);
    case Qt::Key_Return:
    case Qt::Key_Enter: return QChar(13);
    case Qt::Key_Backspace: return QChar(8);
    case Qt::Key_Tab: return QChar(9);
    default: return QChar();
    }
}

} // namespace

TfoCLMTerm::TfoCLMTerm(IMainWindow *mainWindow)
    : QMainWindow(nullptr), ui(std::make_unique<Ui::TfoCLMTerm>()), main_(mainWindow ? mainWindow->Widget() : nullptr), screen_(ChooseLineBreakMode()) {
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    TranslateForm(this, kTextBase);
    // The screen has no label of its own: it is named after the window's title.
    ui->reTerminal->setAccessibleName(windowTitle());
    if (mainWindow) setGeometry(mainWindow->Widget()->geometry());
    ui->reTerminal->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    ui->reTerminal->setUndoRedoEnabled(false);
    ui->reTerminal->installEventFilter(this);
    ui->reTerminal->clear();
    connect(ui->Close1, &QAction::triggered, this, &TfoCLMTerm::Close1Click);
    timer1_.setInterval(kTimerMs);
    connect(&timer1_, &QTimer::timeout, this, &TfoCLMTerm::Timer1Timer);
    reTerminalKeyPress(QChar(27));
}

TfoCLMTerm::~TfoCLMTerm() = default;

QTextEdit *TfoCLMTerm::reTerminal() const { return ui->reTerminal; }

void TfoCLMTerm::ProcessOutput(const QString &text) {
    timer1_.stop();
    const QByteArray key = text.isEmpty() ? QByteArray() : ToOemText(text).left(1);
    const QByteArray received = ClmTermExchange(LineIo(), key, ScaledMs(kAnswerMs), ScaledMs(kBatchMs));
    timer1_.start();
    ProcessInput(FromOemText(received));
}

void TfoCLMTerm::ProcessInput(const QString &text) {
    if (text.isEmpty()) return;
    screen_.ProcessInput(text);
    Render();
}

// The whole area is drawn from the screen model: the module's screens are small.
void TfoCLMTerm::Render() {
    QTextEdit *area = ui->reTerminal;
    const QString text = screen_.DisplayText();
    const QVector<bool> marks = screen_.DisplayUnderline();
    area->clear();
    QTextCursor cursor(area->document());
    QTextCharFormat plain, underlined;
    underlined.setFontUnderline(true);
    for (int i = 0; i < text.size();) {
        int j = i;
        while (j < text.size() && marks.value(j) == marks.value(i)) ++j;
        cursor.insertText(text.mid(i, j - i), marks.value(i) ? underlined : plain);
        i = j;
    }
    cursor.setPosition(std::min(screen_.DisplayCursor(), int(text.size())));
    area->setTextCursor(cursor);
}

void TfoCLMTerm::Timer1Timer() {
    int32_t waiting = 0;
    try {
        waiting = CommObject().CallLine(dpInQueue, nullptr, nullptr, nullptr);
    } catch (const std::exception &) {
    }
    if (waiting > 0) ProcessOutput(QString());
}

void TfoCLMTerm::reTerminalKeyPress(QChar key) { ProcessOutput(QString(key)); }

// Every key-down is consumed: arrows go out as their control codes, typed characters as themselves.
bool TfoCLMTerm::reTerminalKeyDown(int key, const QString &text) {
    if (const char code = ClmArrowCode(key)) reTerminalKeyPress(QChar(code));
    else if (!text.isEmpty()) reTerminalKeyPress(text.at(0));
    else if (const QChar byte = KeyByte(key); !byte.isNull()) reTerminalKeyPress(byte);
    return true;
}

bool TfoCLMTerm::eventFilter(QObject *watched, QEvent *event) {
    if (watched == ui->reTerminal) {
        if (event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            return reTerminalKeyDown(key->key(), key->text());
        }
        if (event->type() == QEvent::KeyRelease) return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfoCLMTerm::Close1Click() { close(); }

void TfoCLMTerm::closeEvent(QCloseEvent *event) {
    timer1_.stop();
    QMainWindow::closeEvent(event);
    // The main window may be gone before the terminal closes; then there is nobody to hand back to.
    if (main_ && MainWindow() && MainWindow()->Widget() == main_) {
        main_->show();
        MainWindow()->Disconnect();
    }
}

void OpenModuleTerminal(QWidget *parent) {
    IMainWindow *main = MainWindow();
    auto *terminal = new TfoCLMTerm(main && main->Widget() == parent ? main : nullptr);
    terminal->show();
}


} // namespace korvul
