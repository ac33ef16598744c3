#pragma once
// TfoDialing: the window shown while the modem dials (text base 1000). It stays on top and is not modal,
// so the connection goes on while it is up. Its panel shows its caption followed by the number being
// dialled. Button1 (Cancel, also Escape) sets CancelRequested and closes the window; the modem dialogue
// notices the request at its next wait and hangs up.
#include <QDialog>
#include <memory>

namespace Ui {
class TfoDialing;
}

namespace korvul {

class TfoDialing : public QDialog {
    Q_OBJECT
public:
    explicit TfoDialing(QWidget *parent = nullptr);
    ~TfoDialing() override;

    // Panel text := the panel's translated caption + number.
    void SetNumber(const QString &number);
    QString PanelText() const;

    // Button1 and Escape: CancelRequested := true, the window hides (finished() is emitted).
    void reject() override;

private:
    std::unique_ptr<Ui::TfoDialing> ui;
    QString panelCaption_;
};

} // namespace korvul
