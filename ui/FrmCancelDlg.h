#pragma once
// TFrmCancelDlg: the self-answering Yes/No question "cancel the running operation?" (caption text 229,
// question text 226 unless the caller sets its own, buttons 227 Yes and 228 No). Without an answer it
// closes itself with No after 15000 ms (scaled by KORVUL_TIME_SCALE), so an unattended readout goes on.
// exec() returns kResultYes (6) or kResultNo (7); Escape and the window's close button count as No.
#include <QDialog>
#include <QTimer>
#include <memory>

namespace Ui {
class TFrmCancelDlg;
}

namespace korvul {

class TFrmCancelDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kResultYes = 6;
    static constexpr int kResultNo = 7;
    static constexpr int kAutoCloseMs = 15000;

    // question: the text to ask instead of text 226 (empty: 226).
    explicit TFrmCancelDlg(QWidget *parent = nullptr, const QString &question = QString());
    ~TFrmCancelDlg() override;

    void SetQuestion(const QString &text);
    QString Question() const;

    // Asks modally; true on Yes. An empty question keeps text 226.
    static bool Ask(QWidget *parent, const QString &question = QString());

    void reject() override;  // Escape / close: No

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::TFrmCancelDlg> ui;
    QTimer selfClose_;
};

} // namespace korvul
