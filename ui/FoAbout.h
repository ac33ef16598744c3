#pragma once
// The About box (text base 10): product name, description and the program version "a.bc".
// Opened modally with its OK button from Help > Info, and briefly without it at program start.
#include <QDialog>
#include <memory>

namespace Ui {
class TfoAbout;
}

namespace korvul {

class TfoAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfoAbout(QWidget *parent = nullptr);
    ~TfoAbout() override;

    // The OK button is shown only with this flag; it is clear after creation.
    void SetShowOK(bool show);
    bool ShowOK() const { return showOK_; }

    // Shows the box modally with its OK button; returns when it is closed.
    static void ShowModal(QWidget *parent);
    // Shows the box without OK button for ms milliseconds (scaled, see base/Wait.h) while events keep
    // being processed, then frees it.
    static void ShowFor(QWidget *parent, int ms);

private:
    void ShowVersion();

    std::unique_ptr<Ui::TfoAbout> ui;
    bool showOK_ = false;
};

} // namespace korvul
