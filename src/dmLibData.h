// The data module: the program's one database connection, and the operations on the
// machine-wide record of its connection parameters.
#pragma once

#include "ConnectionRecord.h"
#include "platform/Application.h"
#include "platform/Database.h"

#include <QPointer>

class QLineEdit;
#include "frmFlash.h"

class TLibDM : public TDataModule {
public:
    TLibDM();

    TDatabase* LibDB;

private:
    void LibDBBeforeConnect(QObject* sender);
    void LibDBAfterConnect(QObject* sender);
};

extern TLibDM* LibDM;
extern QPointer<TFlash> FlashForm; // the splash while the connection opens

// Sets the alias name and the login lines of database from the record, when it exists.
void ApplyConnectionParams(TDatabase* database);
// Fills the three edits from the record, each as soon as its value is read; empty without a record.
void LoadConnectionParams(QLineEdit* edOdbc, QLineEdit* edUser, QLineEdit* edPass);
// Writes the texts of the three edits into the record, creating what is missing.
void SaveConnectionParams(const QLineEdit* edOdbc, const QLineEdit* edUser, const QLineEdit* edPass);
