#pragma once
// The behaviour the two code dialogs share (module access code, headquarters password): the
// confirmation field takes input only while the first field holds something, the send button only
// while both do; Enter in the first field moves on (or sends when the confirmation cannot take the
// focus), Enter in the confirmation sends. Sending with different entries shows text 1720 and keeps
// the dialog open; `accepted` then receives the entry and the dialog closes confirmed.
#include <QObject>
#include <QString>
#include <functional>

class QDialog;
class QLineEdit;
class QPushButton;
class QWidget;

namespace korvul {

class TTwoEntryCode : public QObject {
    Q_OBJECT
public:
    TTwoEntryCode(QDialog *dialog, QLineEdit *first, QLineEdit *confirm, QPushButton *send,
                  std::function<void(const QString &entry)> accepted);
    // Widgets whose enabled state follows the confirmation field (its label).
    void FollowConfirm(QWidget *widget) { follower_ = widget; Update(); }
    void Send();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Update();
    QDialog *dialog_;
    QLineEdit *first_, *confirm_;
    QPushButton *send_;
    QWidget *follower_ = nullptr;
    std::function<void(const QString &)> accepted_;
};

// Moves `dialog` so that its centre is the centre of `on` (nothing when `on` is null).
void CentreDialogOn(QWidget *dialog, const QWidget *on);

} // namespace korvul
