#include "ui/TranslateForm.h"

#include "base/LangSupp.h"
#include "ui/PlainText.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QWidget>

namespace korvul {

namespace {

// Low 16 bits of the object's "tag" property; 0 when it has none.
uint16_t TagOf(const QObject *o) {
    const QVariant v = o->property("tag");
    return v.isValid() ? static_cast<uint16_t>(v.toInt() & 0xFFFF) : 0;
}

QString Text(uint16_t base, uint16_t id, int j = 0) { return LanguageText(TextNumber(base, id + j)); }

// The QTabWidget whose page this widget is, or nullptr.
QTabWidget *TabWidgetOfPage(QWidget *w) {
    auto *stack = qobject_cast<QStackedWidget *>(w->parentWidget());
    auto *tabs = stack ? qobject_cast<QTabWidget *>(stack->parentWidget()) : nullptr;
    return tabs && tabs->indexOf(w) >= 0 ? tabs : nullptr;
}

void TranslateComboBox(QComboBox *box, uint16_t base, uint16_t id) {
    bool ok = false;
    const int n = LanguageText(TextNumber(base, id)).trimmed().toInt(&ok);
    if (!ok || n < 0) return;   // design-time items stay
    const QString current = box->currentText();
    box->clear();
    for (int k = 1; k <= n; ++k) box->addItem(Text(base, id, k));
    if (box->isEditable()) box->setEditText(current);
}

// Applies one component's text; the kinds are tested in a fixed order, the first match wins.
void TranslateComponent(QObject *o, uint16_t base, uint16_t id) {
    if (auto *a = qobject_cast<QAction *>(o)) return a->setText(Text(base, id));
    if (auto *m = qobject_cast<QMenu *>(o)) return m->setTitle(Text(base, id));
    if (auto *g = qobject_cast<QGroupBox *>(o); g && g->property("radioGroup").toBool()) {
        int j = 0;
        for (QRadioButton *rb : g->findChildren<QRadioButton *>()) rb->setText(Text(base, id, j++));
        return;
    }
    if (auto *l = qobject_cast<QLabel *>(o)) return l->setText(Text(base, id));
    if (auto *b = qobject_cast<QAbstractButton *>(o)) return b->setText(Text(base, id));
    if (auto *g = qobject_cast<QGroupBox *>(o)) return g->setTitle(Text(base, id));
    if (auto *t = qobject_cast<QTabWidget *>(o)) {
        for (int j = 0; j < t->count(); ++j) t->setTabText(j, Text(base, id, j));
        return;
    }
    if (auto *w = qobject_cast<QWidget *>(o); w && TabWidgetOfPage(w)) {
        QTabWidget *tabs = TabWidgetOfPage(w);
        return tabs->setTabText(tabs->indexOf(w), Text(base, id));
    }
    if (auto *bar = qobject_cast<QTabBar *>(o)) {
        for (int j = 0; j < bar->count(); ++j) bar->setTabText(j, Text(base, id, j));
        return;
    }
    if (auto *grid = qobject_cast<QTableWidget *>(o)) {
        for (int j = 0; j < grid->columnCount(); ++j)
            grid->setHorizontalHeaderItem(j, new QTableWidgetItem(Text(base, id, j)));
        return;
    }
    if (auto *box = qobject_cast<QComboBox *>(o)) TranslateComboBox(box, base, id);
}

} // namespace

void TranslateForm(QWidget *form, uint16_t base) {
    if (!form) return;
    UsePlainText(form);  // before any device, file or user text can reach a label
    const QVariant formTag = form->property("tag");
    if (formTag.isValid() && formTag.toInt() > 0)
        form->setWindowTitle(LanguageText(TextNumber(base, formTag.toInt())));
    // findChildren walks the object tree in creation order, which is the order of the .ui file.
    for (QObject *o : form->findChildren<QObject *>()) {
        const uint16_t id = TagOf(o);
        if (id != 0) TranslateComponent(o, base, id);
    }
}

} // namespace korvul
