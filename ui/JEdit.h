#pragma once
// TJEdit: the single-line edit used for data fields. A plain QLineEdit plus the property Alignment,
// settable in Designer (<property name="Alignment" stdset="0"><number>1</number></property>):
// 0 left-justified (default), 1 right-justified, 2 centred. Input filtering, length limits and password
// masking stay the ordinary QLineEdit properties.
#include <QLineEdit>

namespace korvul {

class TJEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(int Alignment READ Alignment WRITE SetAlignment)
public:
    enum TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
    Q_ENUM(TAlignment)

    explicit TJEdit(QWidget *parent = nullptr);

    int Alignment() const { return alignment_; }
    // An equal value does nothing; a new one changes only how the text is laid out: text, caret
    // position, selection and the modified flag stay. Values outside 0..2 are ignored.
    void SetAlignment(int alignment);

private:
    int alignment_ = taLeftJustify;
};

} // namespace korvul
