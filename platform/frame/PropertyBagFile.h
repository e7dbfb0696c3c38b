#pragma once
// How a DTM instance's property bag is kept in a project file. Project files
// travel between users, so the file is a text of our own schema
// (PropertyBag.xsd), read with checks on everything in it:
//
//   <PropertyBag xmlns="urn:trivex:property-bag:1" version="1">
//     <Text name="DTM_PARAMETERS">...</Text>
//     <Integer name="DTM_SIZE">2</Integer>
//     <Bag name="...">  named values of its own  </Bag>
//   </PropertyBag>
//
// The values a file holds, by the type of the bag's value:
//   Text     QString
//   Integer  the integer types up to 64 bits (an unsigned one at most 2^63-1);
//            read back as int when it fits 32 bits, as qlonglong otherwise
//   Boolean  bool
//   Double   double and float; read back as double
//   Bytes    QByteArray, in base64
//   Bag      QVariantMap of such values, nested at most kMaxDepth deep
// Anything else (an empty QVariant, a date, a list ...) is not stored.
#include "platform/automation/PropertyBag.h"
#include <QByteArray>
#include <QString>

namespace frame::PropertyBagFile {

inline const QString kNamespace = QStringLiteral("urn:trivex:property-bag:1");

// Limits of a file; the schema holds the same lengths.
constexpr qsizetype kMaxFileSize = 16 * 1024 * 1024;
constexpr qsizetype kMaxNameLength = 256;
constexpr qsizetype kMaxTextLength = 4 * 1024 * 1024; // characters
constexpr qsizetype kMaxBytesLength = 3 * 1024 * 1024;
// Levels of values: the bag's own are the first, those of a bag in it the
// second, and so on.
constexpr int kMaxDepth = 16;

// The file's bytes (UTF-8). Raises automation::ComError naming the value when
// one cannot be stored: a type listed above does not take it, a name or text
// holds a character XML cannot carry, or a limit is exceeded.
QByteArray ToBytes(const automation::PropertyBag& bag);

// Replaces the bag's values by the file's. Raises automation::ComError with
// the reason (and the line, where one applies), the bag unchanged, when the
// bytes are not such a file: too large, the earlier binary form, not
// well-formed UTF-8 XML, a document type declaration (entities), not fitting
// the schema, or a value its type cannot read.
void FromBytes(const QByteArray& bytes, automation::PropertyBag& bag);

} // namespace frame::PropertyBagFile
