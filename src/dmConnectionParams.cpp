// The operations on the machine-wide record of the connection parameters. Each works with its own
// accessor, released on every path when it goes out of scope.
#include "dmLibData.h"

#include "platform/Cp936.h"
#include "platform/Registry.h"
#include "unGlobal.h"

#include <QLineEdit>

#include <functional>

namespace {
std::string ReadTrimmed(TRegistry& registry, const char* name) {
    return TrimBytes(registry.ReadString(name));
}
QString ReadText(TRegistry& registry, const char* name) {
    return FromCp936(ReadTrimmed(registry, name));
}
QString ReadCoded(TRegistry& registry, const char* name) {
    return FromCp936(DecodeDigits(ReadTrimmed(registry, name)));
}

using Receiver = std::function<void(const QString&)>;

// Reads the record's three values, handing each on as soon as it is read: a value that fails to read
// leaves the ones before it in place. False, and nothing handed on, without a record.
bool ReadConnectionParams(const Receiver& alias, const Receiver& user, const Receiver& password) {
    TRegistry registry;
    registry.RootKey = HKEY_LOCAL_MACHINE;
    if (!registry.KeyExists(ConnectionKey))
        return false;
    registry.OpenKeyReadOnly(ConnectionKey);
    alias(ReadText(registry, OdbcNameValue));
    user(ReadCoded(registry, UserNameValue));
    password(ReadCoded(registry, PasswordValue));
    registry.CloseKey();
    return true;
}
} // namespace

void ApplyConnectionParams(TDatabase* database) {
    ReadConnectionParams(
        [&](const QString& alias) {
            database->AliasName = alias;
            database->Params.clear();
        },
        [&](const QString& user) { database->Params.append(TDatabase::Param(TDatabase::UserNameParam, user)); },
        [&](const QString& password) {
            database->Params.append(TDatabase::Param(TDatabase::PasswordParam, password));
        });
}

void LoadConnectionParams(QLineEdit* edOdbc, QLineEdit* edUser, QLineEdit* edPass) {
    const auto into = [](QLineEdit* edit) { return [edit](const QString& text) { edit->setText(text); }; };
    if (!ReadConnectionParams(into(edOdbc), into(edUser), into(edPass))) {
        edOdbc->setText(QString());
        edUser->setText(QString());
        edPass->setText(QString());
    }
}

void SaveConnectionParams(const QLineEdit* edOdbc, const QLineEdit* edUser, const QLineEdit* edPass) {
    // All three texts are converted before anything is written: a character that code page 936
    // cannot hold must not leave a record with some values new and some old.
    const std::string alias = TrimBytes(ToCp936(edOdbc->text()));
    const std::string user = EncodeDigits(TrimBytes(ToCp936(edUser->text())));
    const std::string password = EncodeDigits(TrimBytes(ToCp936(edPass->text())));

    TRegistry registry;
    registry.RootKey = HKEY_LOCAL_MACHINE;
    if (!registry.KeyExists(ParentKey))
        registry.CreateKey(ParentKey);
    if (!registry.KeyExists(ConnectionKey))
        registry.CreateKey(ConnectionKey);
    if (registry.OpenKey(ConnectionKey, true)) {
        registry.WriteString(OdbcNameValue, alias);
        registry.WriteString(UserNameValue, user);
        registry.WriteString(PasswordValue, password);
    } else {
        Application.MessageBox(
            QStringLiteral("保存您配置的参数失败！只有具有权限的用户，如Administrator才能修改，请与系统管理员联系！"),
            QStringLiteral("提示信息"), MB_OK | MB_ICONINFORMATION);
    }
    registry.CloseKey();
}
