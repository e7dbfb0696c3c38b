#pragma once
// A library's string table: a JSON object of text id -> text, shipped as a Qt
// resource; every language's texts live in the one id space.
#include <QString>
#include <map>

namespace applet {

// Reads the table once per call: an unreadable or malformed table is traced
// under `owner` and gives an empty map; an entry whose key is not a number or
// whose value is not a text is skipped with a trace.
std::map<int, QString> ReadNumberedTextTable(const QString& resource, const QString& owner);

} // namespace applet
