#include "ui/FoStatusReg.h"

#include "ui/TranslateForm.h"
#include "ui_FoStatusReg.h"

#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

namespace korvul {

namespace {
constexpr uint16_t kStatusRegBase = 500;
QPointer<TFoStatusReg> statusRegWindow;
} // namespace

TFoStatusReg::TFoStatusReg(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFoStatusReg>()) {
    ui->setupUi(this);
    korvul::TranslateForm(this, kStatusRegBase);
    ui->Memo1->setAccessibleName(windowTitle());  // the window's title in its language, not the .ui's
    // A side window: it must not keep the program alive once the main window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    connect(ui->btClose, &QPushButton::clicked, this, &QDialog::close);
}

TFoStatusReg::~TFoStatusReg() = default;

QPlainTextEdit *TFoStatusReg::Memo() const { return ui->Memo1; }

void TFoStatusReg::ShowText(const QString &text, QWidget *over) {
    StandOver(over ? over->window() : nullptr);
    ui->Memo1->clear();
    ui->Memo1->setPlainText(text);
    if (isVisible()) FitWidthToText();
    show();
    raise();
    activateWindow();
}

// Qt lets a window through a modal dialog only when it belongs to that dialog, and the window
// manager keeps a dialog's own windows on top of it. So the status window becomes the owner's window
// while the owner is up, and a free window again (hidden, never deleted with the owner) when it goes.
void TFoStatusReg::StandOver(QWidget *owner) {
    if (parentWidget() == owner) return;
    if (parentWidget()) parentWidget()->removeEventFilter(this);
    setParent(owner, windowFlags());   // hides the window; ShowText shows it again
    if (owner) owner->installEventFilter(this);
}

bool TFoStatusReg::eventFilter(QObject *watched, QEvent *event) {
    if (watched == parentWidget() && event->type() == QEvent::Hide) StandOver(nullptr);
    return QDialog::eventFilter(watched, event);
}

int TFoStatusReg::FittingWidth(int longestLine, int wWidth, int chrome, int screenWidth) {
    const long long wanted = static_cast<long long>(std::max(longestLine, 0)) * std::max(wWidth, 0) + chrome;
    return static_cast<int>(std::min<long long>(wanted, screenWidth));
}

int TFoStatusReg::LongestLineLength(const QString &text) {
    int longest = 0;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        longest = std::max(longest, static_cast<int>(line.size()));
    }
    return longest;
}

void TFoStatusReg::showEvent(QShowEvent *event) {
    FitWidthToText();
    QDialog::showEvent(event);
}

// Chrome is everything around the memo's text area: window margins, the memo's frame and document
// margin, and room for the vertical scroll bar.
void TFoStatusReg::FitWidthToText() {
    QPlainTextEdit *memo = ui->Memo1;
    const int wWidth = memo->fontMetrics().horizontalAdvance(QLatin1Char('w'));
    const QMargins m = layout()->contentsMargins();
    const int docMargin = static_cast<int>(2 * memo->document()->documentMargin());
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int chrome = m.left() + m.right() + 2 * memo->frameWidth() + docMargin + scrollBar + 4;
    const QScreen *scr = screen();
    const int screenWidth = scr ? scr->availableGeometry().width() : 1024;
    const int width = FittingWidth(LongestLineLength(memo->toPlainText()), wWidth, chrome, screenWidth);
    resize(std::max(width, minimumSizeHint().width()), height());
}

TFoStatusReg *FoStatusReg() { return statusRegWindow.data(); }

void CreateStatusRegWindow() {
    if (!statusRegWindow) statusRegWindow = new TFoStatusReg();
}

void DestroyStatusRegWindow() { delete statusRegWindow.data(); }

} // namespace korvul
