// Windows: the wide calls, converted from and to UTF-8 here.
#include "platform/Odbc.h"

#include <sqlext.h>

namespace {

std::wstring Wide(const std::string& text) {
    if (text.empty())
        return {};
    const int size = Odbc::CheckedLength<int>(text);
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length <= 0)
        throw EDBEngineError("Text is not valid UTF-8");
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), length);
    return wide;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

} // namespace

SQLRETURN Odbc::Connect(SQLHDBC connection, const std::string& dataSource, const std::string& user,
                        const std::string& password) {
    std::wstring wideSource = Wide(dataSource), wideUser = Wide(user), widePassword = Wide(password);
    return SQLConnectW(connection, wideSource.data(), CheckedLength<SQLSMALLINT>(wideSource), wideUser.data(),
                       CheckedLength<SQLSMALLINT>(wideUser), widePassword.data(),
                       CheckedLength<SQLSMALLINT>(widePassword));
}

SQLRETURN Odbc::ExecDirect(SQLHSTMT statement, const std::string& text) {
    std::wstring wide = Wide(text);
    return SQLExecDirectW(statement, wide.data(), CheckedLength<SQLINTEGER>(wide));
}

bool Odbc::DiagnosticText(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT record, std::string& text) {
    std::vector<SQLWCHAR> message;
    const bool found = ReadText<SQLWCHAR>(
        [&](SQLWCHAR* buffer, SQLSMALLINT size, SQLSMALLINT* length) {
            SQLWCHAR state[6];
            SQLINTEGER nativeError = 0;
            return SQLGetDiagRecW(handleType, handle, record, state, &nativeError, buffer, size, length);
        },
        message);
    text = Utf8(std::wstring(message.begin(), message.end()));
    return found;
}
