#pragma once
// Pieces of the small device descriptions that tests write out: the document
// with its header around a body, and the host's items, tag records and
// transfer sequences several of them share.
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

// The applet host's own items, of the "Objects" element: the description's
// path and file name, the device address, the country code and the sequence
// that runs.
inline const QByteArray kAppletHostObjects =
    R"(    <Object name="&amp;&amp;private_PM&amp;&amp;TDXPath" type="text" scope="applet"/>
    <Object name="&amp;&amp;private_PM&amp;&amp;FileName" type="text" scope="applet"/>
    <Object name="&amp;&amp;private_PM&amp;&amp;Address" type="text" scope="applet" default="0"/>
    <Object name="&amp;&amp;private&amp;&amp;countrycode" type="unsigned" size="16" scope="applet" default="1"/>
    <Object name="currentSequence" type="text" scope="applet"/>
)";

// Command 13 read into the item "Tag": a record of the "Records" element.
inline const QByteArray kReadTagRecord = R"(    <Record name="ReadTag" command="13" kind="read">
      <Response>
        <Field item="Tag" encoding="packedAscii" bytes="6"/>
      </Response>
    </Record>
)";

// The item "Tag" written with command 18: a record of the "Records" element.
inline const QByteArray kWriteTagRecord = R"(    <Record name="WriteTag" command="18" kind="write">
      <Request>
        <Field item="Tag" encoding="packedAscii" bytes="6"/>
      </Request>
    </Record>
)";

// An upload that reads the tag and a download that writes it: sequences of
// the "Sequences" element, on the two records above.
inline const QByteArray kTagTransferSequences = R"(    <Sequence name="Upload" kind="read">
      <Step record="ReadTag"/>
    </Sequence>
    <Sequence name="Download" kind="write">
      <Step record="WriteTag"/>
    </Sequence>
)";

} // namespace tdxtest
