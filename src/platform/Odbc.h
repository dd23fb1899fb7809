// The ODBC calls that carry texts, one implementation per driver manager (chosen in CMake).
// Texts cross this boundary as UTF-8.
//
// unixODBC looks a wide data-source name up by the low byte of each UTF-16 unit, and converts the
// other wide texts for an ANSI-only driver (such as the SQLite driver) with the process locale's
// code set, so on Unix the narrow calls pass UTF-8 through unchanged. The Windows driver manager
// keeps names in UTF-16 and converts for ANSI drivers itself, so there the wide calls serve.
#pragma once

#if defined(_WIN32)
#include <windows.h> // the Windows ODBC headers rely on its types
#endif
#include <sql.h>

#include "platform/Exceptions.h"

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

namespace Odbc {

SQLRETURN Connect(SQLHDBC connection, const std::string& dataSource, const std::string& user,
                  const std::string& password);
SQLRETURN ExecDirect(SQLHSTMT statement, const std::string& text);
// The message text of diagnostic record `record` (1 is the first); false once there is none.
bool DiagnosticText(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT record, std::string& text);

// For the implementations: a length that fits a call's length argument, or an error.
template <class Length, class Text> Length CheckedLength(const Text& text) {
    if (text.size() > static_cast<size_t>(std::numeric_limits<Length>::max()))
        throw EDBEngineError("Text too long for ODBC");
    return static_cast<Length>(text.size());
}

// For the implementations: runs get(buffer, size, &length) with a buffer that grows until the
// text fits, as a truncated diagnostic text reports its full length; the buffer is left holding
// the text without its terminator.
template <class Char, class Get> bool ReadText(Get get, std::vector<Char>& buffer) {
    constexpr SQLSMALLINT largest = std::numeric_limits<SQLSMALLINT>::max();
    buffer.assign(256, Char());
    SQLSMALLINT length = 0;
    for (;;) {
        const auto size = static_cast<SQLSMALLINT>(buffer.size());
        if (!SQL_SUCCEEDED(get(buffer.data(), size, &length)))
            return false;
        if (length < size || size == largest)
            break;
        buffer.resize(static_cast<size_t>(std::min<int>(length + 1, largest)));
    }
    buffer.resize(static_cast<size_t>(std::clamp<int>(length, 0, static_cast<int>(buffer.size()) - 1)));
    return true;
}

} // namespace Odbc
