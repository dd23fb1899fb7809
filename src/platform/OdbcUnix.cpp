// unixODBC: the narrow calls, UTF-8 passed through as it is.
#include "platform/Odbc.h"

namespace {

SQLCHAR* Chars(const std::string& text) {
    return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.data()));
}

} // namespace

SQLRETURN Odbc::Connect(SQLHDBC connection, const std::string& dataSource, const std::string& user,
                        const std::string& password) {
    return SQLConnect(connection, Chars(dataSource), CheckedLength<SQLSMALLINT>(dataSource), Chars(user),
                      CheckedLength<SQLSMALLINT>(user), Chars(password), CheckedLength<SQLSMALLINT>(password));
}

SQLRETURN Odbc::ExecDirect(SQLHSTMT statement, const std::string& text) {
    return SQLExecDirect(statement, Chars(text), CheckedLength<SQLINTEGER>(text));
}

bool Odbc::DiagnosticText(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT record, std::string& text) {
    std::vector<SQLCHAR> message;
    const bool found = ReadText<SQLCHAR>(
        [&](SQLCHAR* buffer, SQLSMALLINT size, SQLSMALLINT* length) {
            SQLCHAR state[6];
            SQLINTEGER nativeError = 0;
            return SQLGetDiagRec(handleType, handle, record, state, &nativeError, buffer, size, length);
        },
        message);
    text.assign(reinterpret_cast<const char*>(message.data()), message.size());
    return found;
}
