#pragma once
// TfoInput: the general input box (text base 1420; caption 1423 until the caller sets its own). The
// caller sets the caption and the prompt in Label1, chooses which entry is visible (Edit1 for text,
// mePeriod with the mask "0000.0000" for a period), and reads the entry after an Accepted result.
// Enter in the shown entry ends with Accepted.
#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class TfoInput;
}

class QLabel;
class QLineEdit;

namespace korvul {

class TfoInput : public QDialog {
    Q_OBJECT
public:
    explicit TfoInput(QWidget *parent = nullptr);
    ~TfoInput() override;

    QLabel *Label1() const;
    QLineEdit *Edit1() const;
    QLineEdit *mePeriod() const;

    // Label1's text; also the accessible name of both entries.
    void SetPrompt(const QString &prompt);
    // Shows mePeriod instead of Edit1 (or back).
    void ShowPeriodEntry(bool period);

    // Captions fetched by number: the command scripts' input and the RTC test's period entry.
    static constexpr uint16_t kScriptCaptionText = 1424;
    static constexpr uint16_t kRtcCaptionText = 1425;

    // The checked input of the command scripts. Shows the box (caption 1424, prompt in Label1, Edit1)
    // modally until OK is given with a text that, trimmed and cut to count characters, has no mismatch
    // by mismatchCount; each mismatch shows text 1410 and the box comes again. Returns Edit1's text as
    // entered, or nothing on Cancel or any other result than OK.
    static std::optional<QString> AskCheckedInput(QWidget *parent, const QString &prompt, int count,
                                                  const std::function<int(const QString &value)> &mismatchCount);

private:
    std::unique_ptr<Ui::TfoInput> ui;
};

} // namespace korvul
