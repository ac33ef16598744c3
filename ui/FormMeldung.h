#pragma once
// TFormMeldung: the short-lived notice window shown while a long operation runs ("connecting, please
// wait"). It stays on top, has no system buttons, shows NoticeText in its label under the caption
// NoticeCaption, and sizes itself to the text width plus a third. When it first appears it starts a
// 3000 ms timer (scaled by KORVUL_TIME_SCALE) that sets the result Accepted; shown modally that ends
// exec(), shown modelessly the window stays until its owner closes or frees it.
#include <QDialog>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>

namespace Ui {
class TFormMeldung;
}

namespace korvul {
// Text and caption of the next notice window (callers put the product name "Vendrok" in the caption).
extern QString NoticeText;
extern QString NoticeCaption;
// The centre point of a window: Left + Width/2, Top + Height/2 of its frame.
QPoint WindowCentre(const QWidget *window);
} // namespace korvul

namespace korvul {

class TFormMeldung : public QDialog {
    Q_OBJECT
public:
    static constexpr int kResultTimerMs = 3000;
    static constexpr const char *kCaption = "Vendrok";  // the product name, NoticeCaption's start value

    // Takes NoticeText and NoticeCaption as they are at creation.
    explicit TFormMeldung(QWidget *parent = nullptr);
    ~TFormMeldung() override;

    void SetText(const QString &text);
    QString Text() const;
    // Centres the window on this point when it is next shown.
    void SetCentrePoint(const QPoint &centre) { centre_ = centre; }
    // Centres the window on the centre of `on` (WindowCentre) and shows it modelessly.
    void ShowCentredOn(const QWidget *on);
    // True once the 3 s timer has set the result.
    bool ResultSet() const { return resultSet_; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FitToText();

    std::unique_ptr<Ui::TFormMeldung> ui;
    std::optional<QPoint> centre_;
    QTimer resultTimer_;
    bool resultSet_ = false;
};

} // namespace korvul
