// Placeholder until the record of stored parameters is merged: the stored settings stand.
#include "dmLibData.h"
#include <QLineEdit>
void ApplyConnectionParams(TDatabase*) {}
void LoadConnectionParams(QLineEdit* a, QLineEdit* b, QLineEdit* c) {
    a->clear();
    b->clear();
    c->clear();
}
void SaveConnectionParams(const QLineEdit*, const QLineEdit*, const QLineEdit*) {}
