// Qt's own buttons and dialogs speak the program's language: the catalogue of the Qt installation
// for the language code of the settings.
#include "base/QtTranslation.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QMessageBox>
#include <gtest/gtest.h>

using namespace korvul;

namespace {

QString YesText() {
    QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("q"), QMessageBox::Yes | QMessageBox::No);
    return box.button(QMessageBox::Yes)->text();
}

TEST(QtTranslation, MessageBoxStandardButtonsFollowTheProgramsLanguage) {
    if (!QFileInfo::exists(QtTranslationFile(QStringLiteral("DE"))))
        GTEST_SKIP() << QtTranslationFile(QStringLiteral("DE")).toStdString()
                     << " is not installed (Debian package qt6-translations-l10n)";
    const struct {
        const char *code, *yes;
    } rows[] = {{"DE", "&Ja"}, {"EN", "&Yes"}, {"", "&Ja"}, {"de", "&Ja"}, {"EN", "&Yes"}};
    for (const auto &row : rows) {
        EXPECT_EQ(InstallQtTranslation(QString::fromLatin1(row.code)), QString()) << row.code;
        EXPECT_EQ(YesText(), QString::fromUtf8(row.yes)) << "language \"" << row.code << "\"";
    }
}

// A language without Qt's catalogue keeps Qt's English texts and names the file and the package; the
// catalogue of an earlier language does not stay behind.
TEST(QtTranslation, MissingCatalogueIsNamedAndLeavesQtEnglish) {
    if (QFileInfo::exists(QtTranslationFile(QStringLiteral("DE")))) {
        ASSERT_EQ(InstallQtTranslation("DE"), QString());
    }
    const QString note = InstallQtTranslation(QStringLiteral("XQ"));
    EXPECT_TRUE(note.contains(QtTranslationFile(QStringLiteral("XQ")))) << note.toStdString();
    EXPECT_TRUE(note.contains(QStringLiteral("qt6-translations-l10n"))) << note.toStdString();
    EXPECT_EQ(YesText(), QStringLiteral("&Yes"));
    InstallQtTranslation(QStringLiteral("EN"));
}

} // namespace
