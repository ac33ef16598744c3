// Device texts that look like markup reach the main window as they were sent: the identification answer
// in its message box, the unit in its labels and field, a raw status in the field's hint.
#include "support/ShownMessageBoxes.h"
#include "e2e/MainWindowDevsimFixture.h"

#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QTextDocument>

using namespace korvul;
using namespace korvultest;

namespace {

// Image sources a rich text label would load; /dev/null keeps a regression harmless (the device answer
// "<img src=/dev/zero>" took all memory).
const QString kImage = QStringLiteral("<img src=/dev/null>");
const QString kBold = QStringLiteral("<b>x</b>");

class PlainTextDevsim : public MainWindowDevsim {
protected:
    // Restarts devsim with item `item` of channel 1 answering `value`.
    void SetChannelItem(char item, const QString &value) {
        QJsonObject state = DeviceState();
        QJsonArray channels = state.value("channels").toArray();
        QJsonObject first = channels[0].toObject();
        QJsonObject items = first.value("items").toObject();
        items.insert(QString::number(int(item)), value);
        first.insert("items", items);
        channels[0] = first;
        state.insert("channels", channels);
        QFile f(statePath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QJsonDocument(state).toJson());
    }
    QStringList RichLabels() {
        QStringList rich;
        for (QLabel *label : window->findChildren<QLabel *>())
            if (label->textFormat() != Qt::PlainText) rich << label->objectName();
        return rich;
    }
};

} // namespace

TEST_F(PlainTextDevsim, IdentificationAnswerWithMarkupIsNamedLiterallyInThePlainMessageBox) {
    StartDevice("2461", {"--ident-answer", kImage});
    SetShowMessageHook({});  // the real boxes
    const QList<TShownBox> boxes = ShownMessageBoxes([this] { Action("acConnect")->trigger(); });
    ASSERT_FALSE(boxes.isEmpty());
    bool named = false;
    for (const TShownBox &box : boxes) {
        EXPECT_EQ(box.format, Qt::PlainText) << box.text.toStdString();
        EXPECT_EQ(box.labelFormat, Qt::PlainText) << box.text.toStdString();
        named = named || box.labelText.contains(kImage);
    }
    EXPECT_TRUE(named) << boxes.first().labelText.toStdString();
    EXPECT_FALSE(comm->Connected());
}

TEST_F(PlainTextDevsim, UnitAndStatusWithMarkupAreShownAsTheDeviceSentThem) {
    StartDevice("2461");
    SetChannelItem('^', kBold);
    SetChannelItem('r', kImage);
    StartDevice("2461");
    Connect();
    QStringList unitLabels;
    for (QLabel *label : window->findChildren<QLabel *>())
        if (label->text() == kBold) unitLabels << label->objectName();
    EXPECT_FALSE(unitLabels.isEmpty()) << "the unit labels show the unit as sent";
    EXPECT_EQ(RichLabels(), QStringList());
    EXPECT_EQ(window->findChild<QLineEdit *>("edDevUnit")->text(), kBold);
    // What the tooltip shows: it reads its text as markup when Qt takes it for rich text.
    const QString tip = window->findChild<QLineEdit *>("edStatReg")->toolTip();
    QTextDocument hint;
    if (Qt::mightBeRichText(tip)) hint.setHtml(tip);
    else hint.setPlainText(tip);
    const QString shownHint = hint.toPlainText().replace(QChar::Nbsp, u' ');
    EXPECT_TRUE(shownHint.endsWith(kImage)) << shownHint.toStdString();
    EXPECT_TRUE(messages.isEmpty()) << Messages();
}
