// Date and time texts of the venue commands. The store compares the first
// ten characters of its date texts as text, so the tool insists on the
// sortable forms YYYY-MM-DD and YYYY-MM-DD HH:MM:SS and rejects anything
// else before it reaches the database.
#pragma once

#include <string>

namespace ravelin_tool {

// Throw ToolError naming `what` unless the text has that form and is a
// real calendar date (and time).
void RequireDate(const std::string& date, const std::string& what);
void RequireDateTime(const std::string& dateTime, const std::string& what);
// Both dates valid and `from` not after `to`.
void RequireDateRange(const std::string& from, const std::string& to);

// The local time as YYYY-MM-DD HH:MM:SS.
std::string NowDateTime();

}  // namespace ravelin_tool
