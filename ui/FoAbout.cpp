#include "ui/FoAbout.h"

#include "base/LangSupp.h"
#include "ui/TranslateForm.h"
#include "base/Version.h"
#include "base/Wait.h"
#include "ui_FoAbout.h"

#include <QApplication>
#include <QPointer>

namespace korvul {

namespace {
constexpr uint16_t kAboutBase = 10;
constexpr uint16_t kVersionPrefixText = 13;
} // namespace

TfoAbout::TfoAbout(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TfoAbout>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    korvul::TranslateForm(this, kAboutBase);
    ShowVersion();
    connect(ui->btOK, &QPushButton::clicked, this, &QDialog::accept);
    SetShowOK(false);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

TfoAbout::~TfoAbout() = default;

// Without a compiled-in version the version text stays as translated.
void TfoAbout::ShowVersion() {
    const QString version = korvul::ProgramFileVersion();
    if (version.isEmpty()) return;
    ui->lbVersion->setText(korvul::LanguageText(kVersionPrefixText) + korvul::VersionToAboutText(version));
}

void TfoAbout::SetShowOK(bool show) {
    showOK_ = show;
    ui->btOK->setVisible(show);
}

void TfoAbout::ShowModal(QWidget *parent) {
    TfoAbout box(parent);
    box.SetShowOK(true);
    box.exec();
}

void TfoAbout::ShowFor(QWidget *parent, int ms) {
    auto *box = new TfoAbout(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->SetShowOK(false);
    box->show();
    QPointer<TfoAbout> guard(box);
    korvul::WaitMs(ms);
    if (guard) guard->close();
}

} // namespace korvul
