// The operations on the machine-wide record of the connection parameters. Each works with its own
// accessor, released on every path when it goes out of scope.
#include "dmLibData.h"

#include "platform/Cp936.h"
#include "platform/Registry.h"
#include "unGlobal.h"

#include <QLineEdit>

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
} // namespace

void ApplyConnectionParams(TDatabase* database) {
    TRegistry registry;
    registry.RootKey = HKEY_LOCAL_MACHINE;
    if (!registry.KeyExists(ConnectionKey))
        return;
    registry.OpenKeyReadOnly(ConnectionKey);
    database->AliasName = ReadText(registry, "ODBCNAME");
    database->Params.clear();
    database->Params.append(QStringLiteral("USER NAME=") + ReadCoded(registry, "USERNAME"));
    database->Params.append(QStringLiteral("PASSWORD=") + ReadCoded(registry, "PASSWORD"));
    registry.CloseKey();
}

void LoadConnectionParams(QLineEdit* edOdbc, QLineEdit* edUser, QLineEdit* edPass) {
    TRegistry registry;
    registry.RootKey = HKEY_LOCAL_MACHINE;
    if (registry.KeyExists(ConnectionKey)) {
        registry.OpenKeyReadOnly(ConnectionKey);
        edOdbc->setText(ReadText(registry, "ODBCNAME"));
        edUser->setText(ReadCoded(registry, "USERNAME"));
        edPass->setText(ReadCoded(registry, "PASSWORD"));
        registry.CloseKey();
    } else {
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
        registry.WriteString("ODBCNAME", alias);
        registry.WriteString("USERNAME", user);
        registry.WriteString("PASSWORD", password);
    } else {
        Application.MessageBox(
            QStringLiteral("保存您配置的参数失败！只有具有权限的用户，如Administrator才能修改，请与系统管理员联系！"),
            QStringLiteral("提示信息"), MB_OK | MB_ICONINFORMATION);
    }
    registry.CloseKey();
}
