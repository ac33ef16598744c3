#include "ui/HelpViewer.h"

#include "base/HelpFile.h"
#include "base/LangSupp.h"
#include "base/Paths.h"
#include "base/Settings.h"
#include "ui/TranslateForm.h"
#include "ui_HelpViewer.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPointer>
#include <QStringDecoder>
#include <QUrl>
#include <QWindow>
#include <algorithm>

namespace korvul {

namespace {

constexpr char kGeneratedScheme[] = "korvulhelp";
constexpr uint16_t kTextAccessibleName = 1986;
constexpr uint16_t kTextIndexHeading = 1987;
constexpr uint16_t kTextMissingFile = 1988;
constexpr uint16_t kTextIndexHint = 1989;

QUrl generatedUrl(const QString &page) {
    QUrl url;
    url.setScheme(QLatin1String(kGeneratedScheme));
    url.setPath(page);
    return url;
}

QString pageHtml(const QString &title, const QString &body) {
    return QStringLiteral("<html><head><meta charset=\"utf-8\"><title>%1</title></head><body>"
                          "<h1>%1</h1>%2</body></html>")
        .arg(title.toHtmlEscaped(), body);
}

// Index entries: every heading below the file's title that leads somewhere, once, sorted by text. A
// subheading without an anchor of its own names its topic, so that "Inputs" of two windows can be told
// apart: "Inputs (QT-700/M configuration)".
QList<THelpHeading> indexEntries(const QString &html) {
    QList<THelpHeading> entries;
    THelpHeading topic;
    for (THelpHeading h : HelpHeadings(html)) {
        if (h.level < 2 || h.anchor.isEmpty()) continue;
        if (h.level == 2) topic = h;
        else if (h.anchor == topic.anchor) h.text += QStringLiteral(" (%1)").arg(topic.text);
        const bool seen = std::any_of(entries.cbegin(), entries.cend(), [&](const THelpHeading &e) {
            return e.text == h.text && e.anchor == h.anchor;
        });
        if (!seen) entries.append(h);
    }
    std::stable_sort(entries.begin(), entries.end(), [](const THelpHeading &a, const THelpHeading &b) {
        return QString::localeAwareCompare(a.text, b.text) < 0;
    });
    return entries;
}

} // namespace

THelpBrowser::THelpBrowser(QWidget *parent) : QTextBrowser(parent) {}

QVariant THelpBrowser::loadResource(int type, const QUrl &name) {
    if (name.scheme() == QLatin1String(kGeneratedScheme) && provider_) return provider_(name.path());
    return QTextBrowser::loadResource(type, name);
}

THelpViewer::THelpViewer(QWidget *parent) : QWidget(parent, Qt::Window), ui_(new Ui::THelpViewer) {
    ui_->setupUi(this);
    TranslateForm(this, kTextBase);
    ui_->tbHelp->setAccessibleName(LanguageText(kTextAccessibleName));
    ui_->tbHelp->SetPageProvider([this](const QString &page) { return generatedPage(page); });
    connect(ui_->btBack, &QPushButton::clicked, ui_->tbHelp, &QTextBrowser::backward);
    connect(ui_->btForward, &QPushButton::clicked, ui_->tbHelp, &QTextBrowser::forward);
    connect(ui_->btContents, &QPushButton::clicked, this, [this] { ShowTopic(HelpTopic::Contents); });
    connect(ui_->btIndex, &QPushButton::clicked, this, [this] { ShowIndex(); });
    connect(ui_->tbHelp, &QTextBrowser::backwardAvailable, ui_->btBack, &QWidget::setEnabled);
    connect(ui_->tbHelp, &QTextBrowser::forwardAvailable, ui_->btForward, &QWidget::setEnabled);
    ui_->btBack->setEnabled(false);
    ui_->btForward->setEnabled(false);
}

THelpViewer::~THelpViewer() = default;

THelpBrowser *THelpViewer::Browser() const { return ui_->tbHelp; }

void THelpViewer::ShowTopic(const QString &name) {
    loadHelpFile();
    showAnchor(anchors_.contains(name) ? name : QString::fromLatin1(HelpTopic::Contents));
    present();
}

void THelpViewer::ShowContext(int context) {
    loadHelpFile();
    const QString anchor = HelpContextAnchor(context);
    showAnchor(context != 0 && anchors_.contains(anchor) ? anchor : QString::fromLatin1(HelpTopic::Contents));
    present();
}

void THelpViewer::ShowIndex() {
    loadHelpFile();
    ui_->tbHelp->setSource(generatedUrl(html_.isEmpty() ? QStringLiteral("missing") : QStringLiteral("index")));
    present();
}

QString THelpViewer::CurrentAnchor() const {
    const QUrl source = ui_->tbHelp->source();
    if (source.scheme() == QLatin1String(kGeneratedScheme)) return source.path();
    return source.fragment();
}

// Reads the chosen help file once; a file chosen anew (or still missing) is read again.
void THelpViewer::loadHelpFile() {
    const QString path = HelpFile();
    if (path == loadedPath_ && !html_.isEmpty()) return;
    loadedPath_ = path;
    html_.clear();
    anchors_.clear();
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) return;
    const QByteArray data = file.readAll();
    auto decoder = QStringDecoder::decoderForHtml(data);
    html_ = decoder.isValid() ? QString(decoder(data)) : QString::fromUtf8(data);
    anchors_ = HelpTopicIds(html_) + HelpAnchorNames(html_);
}

void THelpViewer::showAnchor(const QString &anchor) {
    if (html_.isEmpty()) {
        ui_->tbHelp->setSource(generatedUrl(QStringLiteral("missing")));
        return;
    }
    QUrl url = QUrl::fromLocalFile(loadedPath_);
    url.setFragment(anchor);
    if (ui_->tbHelp->source() == url) ui_->tbHelp->scrollToAnchor(anchor);
    else ui_->tbHelp->setSource(url);
}

// Help is asked for from inside modal dialogs and questions, and stays open while further ones come
// and go. Qt blocks every window outside the active modal one, so the viewer is tied to that window as
// its transient child: it then takes input while the dialog is open, and no longer depends on it once
// it closes.
void THelpViewer::tieToModalWindow() {
    winId();
    QWindow *window = windowHandle();
    if (!window) return;
    QWindow *modal = QGuiApplication::modalWindow();
    if (modal == window) modal = nullptr;
    if (window->transientParent() != modal) window->setTransientParent(modal);
}

void THelpViewer::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) close();
    else QWidget::keyPressEvent(event);
}

bool THelpViewer::event(QEvent *event) {
    // A modal window opened after the viewer: tie to it once Qt has finished blocking.
    if (event->type() == QEvent::WindowBlocked)
        QMetaObject::invokeMethod(this, &THelpViewer::tieToModalWindow, Qt::QueuedConnection);
    return QWidget::event(event);
}

void THelpViewer::present() {
    tieToModalWindow();
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

QString THelpViewer::generatedPage(const QString &page) const {
    return page == QLatin1String("index") ? indexPage() : missingPage();
}

QString THelpViewer::indexPage() const {
    QUrl base = QUrl::fromLocalFile(loadedPath_);
    QString body = QStringLiteral("<p>%1</p><ul>").arg(LanguageText(kTextIndexHint).toHtmlEscaped());
    for (const THelpHeading &h : indexEntries(html_)) {
        base.setFragment(h.anchor);
        body += QStringLiteral("<li><a href=\"%1\">%2</a></li>")
                    .arg(base.toString(QUrl::FullyEncoded).toHtmlEscaped(), h.text.toHtmlEscaped());
    }
    body += QStringLiteral("</ul>");
    return pageHtml(LanguageText(kTextIndexHeading), body);
}

QString THelpViewer::missingPage() const {
    const QString expected = HelpFilePath(ReadLanguageCode(SettingsFilePath()));
    return pageHtml(windowTitle(),
                    QStringLiteral("<p>%1</p>").arg(LanguageFormat(kTextMissingFile, {expected}).toHtmlEscaped()));
}

THelpViewer &Help() {
    static QPointer<THelpViewer> viewer;
    if (!viewer) {
        viewer = new THelpViewer;
        // The event loop is over by then, so a deferred delete would never run.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, viewer, [] { delete viewer; });
    }
    return *viewer;
}

void ShowHelpTopic(const QString &name) { Help().ShowTopic(name); }

void ShowHelpContext(int context) { Help().ShowContext(context); }

namespace {

// What F1 opens for a widget: the nearest of the widget and its parents that carries a help context
// (int property "helpContext", not 0) or a help topic (string property "helpTopic", not empty). A
// field thus gets its group's topic, and everything else in a window the window's topic.
void showHelpFor(QWidget *widget) {
    for (QWidget *w = widget; w; w = w->parentWidget()) {
        bool ok = false;
        const int context = w->property("helpContext").toInt(&ok);
        if (ok && context != 0) return ShowHelpContext(context);
        const QString topic = w->property("helpTopic").toString();
        if (!topic.isEmpty()) return ShowHelpTopic(topic);
    }
    ShowHelpTopic(QString::fromLatin1(HelpTopic::Contents));
}

class THelpKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_F1 || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        QWidget *start = qobject_cast<QWidget *>(receiver);
        if (!start) start = QApplication::focusWidget();
        showHelpFor(start);
        return true;
    }
};

} // namespace

void InstallHelpKeyHandler(QApplication &app) {
    static QPointer<THelpKeyFilter> filter;
    if (filter && filter->parent() == &app) return;
    filter = new THelpKeyFilter(&app);
    app.installEventFilter(filter);
}

} // namespace korvul
