#include "ui/JEdit.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

namespace {

void TypeText(QWidget *w, const QString &text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(w, &press);
    }
}

struct AlignRow {
    int alignment;
    Qt::Alignment horizontal;
};

class TJEditAlignment : public ::testing::TestWithParam<AlignRow> {};

TEST_P(TJEditAlignment, MapsToTheLineEditsHorizontalAlignment) {
    korvul::TJEdit edit;
    edit.setProperty("Alignment", GetParam().alignment);   // the way a .ui file sets it
    EXPECT_EQ(edit.Alignment(), GetParam().alignment);
    EXPECT_EQ(edit.alignment() & Qt::AlignHorizontal_Mask, GetParam().horizontal);
}

INSTANTIATE_TEST_SUITE_P(Values, TJEditAlignment,
                         ::testing::Values(AlignRow{0, Qt::AlignLeft}, AlignRow{1, Qt::AlignRight},
                                           AlignRow{2, Qt::AlignHCenter}));

TEST(TJEdit, StartsLeftJustified) {
    korvul::TJEdit edit;
    EXPECT_EQ(edit.Alignment(), korvul::TJEdit::taLeftJustify);
    EXPECT_EQ(edit.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
}

// Both an equal and a changed alignment must leave the operator's work in the field alone.
TEST(TJEdit, AlignmentChangesKeepTextCaretSelectionAndModifiedFlag) {
    korvul::TJEdit edit;
    edit.SetAlignment(korvul::TJEdit::taRightJustify);
    edit.setText(QStringLiteral("1234567"));
    TypeText(&edit, QStringLiteral("8"));
    edit.setSelection(2, 3);
    for (int alignment : {int(korvul::TJEdit::taRightJustify), int(korvul::TJEdit::taCenter), int(korvul::TJEdit::taLeftJustify)}) {
        edit.SetAlignment(alignment);
        EXPECT_EQ(edit.text(), QStringLiteral("12345678"));
        EXPECT_EQ(edit.selectedText(), QStringLiteral("345"));
        EXPECT_EQ(edit.cursorPosition(), 5);
        EXPECT_TRUE(edit.isModified());
    }
}

TEST(TJEdit, IgnoresValuesOutsideTheThreeAlignments) {
    korvul::TJEdit edit;
    edit.SetAlignment(korvul::TJEdit::taCenter);
    edit.SetAlignment(3);
    edit.SetAlignment(-1);
    EXPECT_EQ(edit.Alignment(), korvul::TJEdit::taCenter);
    EXPECT_EQ(edit.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
}

TEST(TJEdit, RightJustifiedFieldAcceptsInputUpToItsMaximumLength) {
    korvul::TJEdit edit;
    edit.SetAlignment(korvul::TJEdit::taRightJustify);
    edit.setMaxLength(4);
    TypeText(&edit, QStringLiteral("123456"));
    EXPECT_EQ(edit.text(), QStringLiteral("1234"));
}

} // namespace
