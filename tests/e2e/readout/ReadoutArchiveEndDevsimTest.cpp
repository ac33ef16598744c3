// The end of an archive readout against devsim, as the operator sees it: the files written and where
// they are (also when an empty TempFilePath sends them to the home directory), the bar at its end, the
// status bar no longer saying "Saving", "Open folder" handing the folder to the desktop, and a window
// that stays open once the operator uses it.
#include "e2e/ReadoutDevsimFixture.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QUrl>

using namespace korvul;
using namespace readouttest;

namespace {

// Takes the folder URLs the window hands to the desktop, instead of a file manager.
class TFolderOpener : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl &url) { opened << url; }
};

// What the window showed once the readout had ended.
struct TEndView {
    bool seen = false;
    QString label, files, statePanel, windowState;
    int progress = -1, progressMaximum = -1;
    bool openFolderShown = false, closesItself = false, stayedOpen = false;
    QString folder;
};

class ReadoutArchiveEnd : public ReadoutDevsim {
protected:
    void SetUp() override {
        ReadoutDevsim::SetUp();
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &opener, "Open");
    }
    void TearDown() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        ReadoutDevsim::TearDown();
    }

    // Runs the readout; at its end reads the window, presses "Open folder" when it is offered, then
    // closes the window with Enter as the operator would.
    int RunToTheEnd(TReadArchHost host, const std::function<void(TFormReadArch *)> &during = {}) {
        return RunReadout(host, [&](TFormReadArch *w) {
            if (!w->Finished()) {
                if (during) during(w);
                return;
            }
            if (!end.seen) {
                end.seen = true;
                Read(w);
                auto *open = w->findChild<QPushButton *>(QStringLiteral("btOpenFolder"));
                if (open->isVisible()) open->click();
                end.stayedOpen = !w->ClosesItself();
            }
            // After the cancel question the window may still wait for the activation the operator's
            // click gives it.
            if (!QApplication::focusWidget()) return w->activateWindow();
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(QApplication::focusWidget(), &enter);
        });
    }
    void Read(TFormReadArch *w) {
        auto *bar = w->findChild<QProgressBar *>(QStringLiteral("ProgressBar1"));
        end.label = w->findChild<QLabel *>(QStringLiteral("lbFiles"))->text();
        end.files = w->findChild<QPlainTextEdit *>(QStringLiteral("meFiles"))->toPlainText();
        end.statePanel = w->PanelText(kPanelState);
        end.windowState = w->StateText();
        end.progress = bar->value();
        end.progressMaximum = bar->maximum();
        end.openFolderShown = w->findChild<QPushButton *>(QStringLiteral("btOpenFolder"))->isVisible();
        end.closesItself = w->ClosesItself();
        end.folder = w->Folder();
    }
    QString Path(const QString &dir, const QString &name) const { return QDir(dir).absoluteFilePath(name); }

    TFolderOpener opener;
    TEndView end;
};

struct TEndCase {
    const char *name;
    const char *ident;
    const char *channelMode;
    QStringList fileNames;
};
void PrintTo(const TEndCase &c, std::ostream *os) { *os << c.name; }
class ReadoutArchiveEndFiles : public ReadoutArchiveEnd, public ::testing::WithParamInterface<TEndCase> {};

TEST_P(ReadoutArchiveEndFiles, ListsEveryFileFillsTheBarAndOpensTheirFolder) {
    const TEndCase &c = GetParam();
    Settings().CHANNELMODE = c.channelMode;
    StartDevsim({"--type", c.ident, "--archive-size", "600"});
    Connect();
    TReadArchHost host;
    host.Mode = "complete";
    EXPECT_EQ(RunToTheEnd(host), 1);

    ASSERT_TRUE(end.seen);
    ASSERT_EQ(ArchiveFiles(), c.fileNames);
    QStringList paths;
    for (const QString &name : c.fileNames) paths << Path(files.path(), name);
    EXPECT_EQ(end.files, paths.join('\n'));
    EXPECT_EQ(end.label, LanguageText(230));
    EXPECT_EQ(end.windowState, LanguageText(kTextFinished));
    EXPECT_EQ(end.statePanel, LanguageFormat(kTextFilesSaved, {int(paths.size())}));
    EXPECT_EQ(end.progress, end.progressMaximum) << "the bar stands short of its end";
    EXPECT_TRUE(end.openFolderShown);
    EXPECT_TRUE(end.closesItself) << "an untouched window closes itself, as before";
    EXPECT_EQ(opener.opened, QList<QUrl>{QUrl::fromLocalFile(QDir(files.path()).absolutePath())});
    EXPECT_TRUE(end.stayedOpen) << "the window closed under the operator's hand";
    EXPECT_TRUE(messages.empty()) << messages.front().text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Channels, ReadoutArchiveEndFiles, ::testing::Values(
    TEndCase{"OneChannel", "2461", "current", {"tempz.999"}},
    TEndCase{"AllFourChannels", "2133", "all", {"tempz.999", "tempz.998", "tempz.997", "tempz.996"}}),
    [](const auto &info) { return std::string(info.param.name); });

// An empty TempFilePath stores into the home directory, and the window says so instead of leaving
// the operator to search for the files.
TEST_F(ReadoutArchiveEnd, EmptyFileDirectoryStoresInTheHomeDirectoryAndSaysSo) {
    QTemporaryDir home;
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    Settings().TempFilePath.clear();
    StartDevsim({"--type", "2461", "--archive-size", "600"});
    Connect();
    TReadArchHost host;
    host.Mode = "complete";
    RunToTheEnd(host);
    qputenv("HOME", savedHome);

    ASSERT_TRUE(end.seen);
    EXPECT_TRUE(QFile::exists(home.filePath("tempz.999")));
    EXPECT_EQ(end.label, LanguageText(231));
    EXPECT_EQ(end.files, Path(home.path(), "tempz.999"));
    EXPECT_EQ(end.folder, QDir(home.path()).absolutePath());
    EXPECT_EQ(opener.opened, QList<QUrl>{QUrl::fromLocalFile(QDir(home.path()).absolutePath())});
}

// Cancelled before the first file: the window must not look like a successful readout.
TEST_F(ReadoutArchiveEnd, CancelledBeforeTheFirstFileSaysNoFileWasWritten) {
    StartDevsim({"--type", "2461", "--archive-size", "48000"});
    Connect();
    cancelAnswer = TFrmCancelDlg::kResultYes;
    bool escaped = false;
    TReadArchHost host;
    host.Mode = "dump";
    RunToTheEnd(host, [&](TFormReadArch *w) {
        if (escaped || w->Progress() < 20) return;
        escaped = true;
        QApplication::postEvent(w, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    });

    ASSERT_TRUE(end.seen);
    EXPECT_TRUE(ArchiveFiles().isEmpty());
    EXPECT_EQ(end.windowState, LanguageText(kTextCancelled));
    EXPECT_EQ(end.label, LanguageText(232));
    EXPECT_TRUE(end.files.isEmpty());
    EXPECT_FALSE(end.openFolderShown);
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_EQ(end.statePanel, LanguageFormat(kTextFilesSaved, {0}));
    EXPECT_LT(end.progress, end.progressMaximum);
}

} // namespace

#include "ReadoutArchiveEndDevsimTest.moc"
