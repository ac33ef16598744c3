#include "ui/WindowTitle.h"

#include <QApplication>
#include <QBoxLayout>
#include <QEvent>
#include <QFontMetrics>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace korvul {

namespace {

// The strut width a window's layout already has from this module (struts cannot be taken back).
constexpr char kStrutProperty[] = "korvulTitleStrut";

int ScreenWidth(const QWidget *window) {
    const QScreen *screen = window->screen();
    return screen ? screen->availableGeometry().width() : QWIDGETSIZE_MAX;
}

bool IsVerticalBox(const QLayout *layout) {
    const auto *box = qobject_cast<const QBoxLayout *>(layout);
    return box && (box->direction() == QBoxLayout::TopToBottom || box->direction() == QBoxLayout::BottomToTop);
}

bool IsTitledWindow(const QWidget *w) {
    return w->isWindow() && (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog);
}

class TTitleFitFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::Show && type != QEvent::WindowTitleChange) return false;
        auto *w = qobject_cast<QWidget *>(receiver);
        if (w && IsTitledWindow(w) && (type == QEvent::Show || w->isVisible())) FitWidthToTitle(w);
        return false;
    }
};

} // namespace

QFont TitleBarFont() {
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    return font;
}

int TitleFitWidth(const QString &title) {
    return QFontMetrics(TitleBarFont()).horizontalAdvance(title) + kTitleBarChromeWidth;
}

void FitWidthToTitle(QWidget *window) {
    if (!window || window->windowTitle().isEmpty()) return;
    const int width = std::min(TitleFitWidth(window->windowTitle()), ScreenWidth(window));
    QLayout *layout = window->layout();
    if (IsVerticalBox(layout)) {
        const QMargins margins = layout->contentsMargins();
        const int strut = width - margins.left() - margins.right();
        if (strut <= window->property(kStrutProperty).toInt()) return;
        static_cast<QBoxLayout *>(layout)->addStrut(strut);
        window->setProperty(kStrutProperty, strut);
        layout->activate();
    } else if (width > window->minimumWidth()) {
        window->setMinimumWidth(width);
    }
    if (window->width() < width) window->resize(width, window->height());
}

void InstallWindowTitleFit(QApplication &app) {
    static QPointer<TTitleFitFilter> filter;
    if (filter && filter->parent() == &app) return;
    filter = new TTitleFitFilter(&app);
    app.installEventFilter(filter);
}

} // namespace korvul
