#include "ui/JEdit.h"

namespace korvul {

namespace {

Qt::Alignment HorizontalFlag(int alignment) {
    switch (alignment) {
    case TJEdit::taRightJustify: return Qt::AlignRight;
    case TJEdit::taCenter: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
    }
}

} // namespace

TJEdit::TJEdit(QWidget *parent) : QLineEdit(parent) {}

void TJEdit::SetAlignment(int alignment) {
    if (alignment == alignment_ || alignment < taLeftJustify || alignment > taCenter) return;
    alignment_ = alignment;
    // QLineEdit changes its alignment in place, so nothing has to be recreated.
    setAlignment(HorizontalFlag(alignment) | Qt::AlignVCenter);
}

} // namespace korvul
