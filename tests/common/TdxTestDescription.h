#pragma once
// Pieces of the small device descriptions that tests write out: the document
// with its header around a body, and the tag record several of them read.
#include <QByteArray>

namespace tdxtest {

// A device description named `name` whose elements after the header are `body`.
inline QByteArray DeviceDescription(const QByteArray& name, const QByteArray& body)
{
    return QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?>
<TdxDescription xmlns="urn:trivex:tdx-description:1" kind="device">
  <Header>
    <Key name="DevDescLong" value=")")
           + name + R"("/>
    <Key name="VendorId" value="0x3F"/>
    <Key name="DeviceId" value="0xA5"/>
  </Header>
)" + body + "</TdxDescription>\n";
}

// Command 13 read into the item "Tag": a record of the "Records" element.
inline const QByteArray kReadTagRecord = R"(    <Record name="ReadTag" command="13" kind="read">
      <Response>
        <Field item="Tag" encoding="packedAscii" bytes="6"/>
      </Response>
    </Record>
)";

} // namespace tdxtest
