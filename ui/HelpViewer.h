#pragma once
// The help viewer: one non-modal window showing the help file chosen at start (HelpFile()), with
// Back, Forward, Contents and Index. Text base 1980.
#include <QStringList>
#include <QTextBrowser>
#include <QWidget>
#include <functional>
#include <memory>

class QApplication;

namespace Ui {
class THelpViewer;
}

namespace korvul {

// The browser of the help viewer: serves the generated pages (scheme "korvulhelp") itself and leaves
// every other resource to QTextBrowser.
class THelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    using TPageProvider = std::function<QString(const QString &page)>;
    explicit THelpBrowser(QWidget *parent = nullptr);
    void SetPageProvider(TPageProvider provider) { provider_ = std::move(provider); }
    QVariant loadResource(int type, const QUrl &name) override;

private:
    TPageProvider provider_;
};

class THelpViewer : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTextBase = 1980;

    explicit THelpViewer(QWidget *parent = nullptr);
    ~THelpViewer() override;

    // Jumps to the named topic; a name the help file does not hold shows the Contents topic.
    void ShowTopic(const QString &name);
    // Shows an index of the help file's headings, sorted by text; each entry links to its topic.
    void ShowIndex();
    // Shows the topic of a numeric help context (anchor "ctx<number>"); 0 or an unknown context shows
    // the Contents topic.
    void ShowContext(int context);

    // Where the viewer stands: the anchor (URL fragment) of the help file page shown, or the name of
    // a generated page ("index", "missing").
    QString CurrentAnchor() const;
    THelpBrowser *Browser() const;

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override; // Escape closes the viewer

private:
    void tieToModalWindow();
    void loadHelpFile();
    void showAnchor(const QString &anchor);
    void present();
    QString generatedPage(const QString &page) const;
    QString indexPage() const;
    QString missingPage() const;

    std::unique_ptr<Ui::THelpViewer> ui_;
    QString loadedPath_;   // help file whose text is cached below
    QString html_;
    QStringList anchors_;  // ids and anchor names of the loaded file
};

// The program's one help viewer, created on first use (needs a QApplication).
THelpViewer &Help();
// Short forms for the Help buttons and menu entries.
void ShowHelpTopic(const QString &name);
void ShowHelpContext(int context);

// Installs (once) an application-wide filter: F1 opens the help of the focused widget or of its
// nearest parent that names one, by a non-zero int property "helpContext" (a numeric context) or a
// non-empty string property "helpTopic" (a named topic, HelpTopic); without one, the Contents topic.
void InstallHelpKeyHandler(QApplication &app);

} // namespace korvul
