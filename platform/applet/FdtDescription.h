#pragma once
// The content of a DTM's FDT file: its applications and its FDT parameters
// (applet-bound items, fixed items, channels, modules), and the reader that
// loads it from the XML format of FdtDescription.xsd.
#include "platform/applet/FdtFileParser.h"
#include <QList>
#include <QString>
#include <QStringList>

namespace applet {

struct FdtApplication {
    QString text;
    QString formName;
    int32_t flags = 0;
};

template <class Record>
struct FdtEntry {
    QString name;
    Record record;
};

struct FdtDescription {
    QList<FdtApplication> applications;
    QList<FdtEntry<FdtAppletItemRecord>> appletItems;
    QList<FdtEntry<FdtFixedItemRecord>> fixedItems;
    QList<FdtEntry<QStringList>> channels;
    QList<FdtEntry<QStringList>> modules;

    // False with error naming the file, the line and the reason when the file
    // is not well-formed, does not fit the schema, names a parameter twice or
    // holds a fixed value that is no value of its variant type.
    static bool Read(const QString& path, FdtDescription& description, QString& error);
};

} // namespace applet
