#pragma once
// TFoConnect: the choice of the end device behind a CLM-300 module (modal, text base 1800). The module
// window fills cbChannel with one entry per end-device channel ("1: <designation>, <type>, <version>",
// text 1820); btConnect ends with Accepted, btExit with Rejected.
#include <QDialog>
#include <QStringList>
#include <memory>

namespace Ui {
class TFoConnect;
}

class QComboBox;

namespace korvul {

class TFoConnect : public QDialog {
    Q_OBJECT
public:
    explicit TFoConnect(QWidget *parent = nullptr);
    ~TFoConnect() override;

    QComboBox *cbChannel() const;
    // Replaces the list and selects its first entry.
    void SetChannels(const QStringList &entries);
    // The channel number written before the first ":" of the selected entry; -1 when there is none.
    int SelectedChannel() const;

private:
    std::unique_ptr<Ui::TFoConnect> ui;
};

} // namespace korvul
