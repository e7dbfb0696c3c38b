#pragma once
// The dataset file of LoadDataset and SaveDatasetAs: the device type the
// dataset belongs to, the revision of the description it was saved with and
// every value the instance-data store keeps, each with its item type:
//   <TrivexDataset xmlns="urn:trivex:dataset:1" version="1">
//     <DeviceType interface="COM_HART" vendorId="0x63" deviceId="0x89" name="..."/>
//     <Description softwareRevision="22" hardwareRevision="1"/>
//     <Value name="ptrbScaleIn0" type="float">0</Value> ...
//   </TrivexDataset>
// Files travel between users, so a file is read only when it is at most
// kMaxFileSize bytes of well-formed UTF-8 without a document type (no
// entities) that fits the schema DatasetFile.xsd (SchemaFiles.h). Files are
// written to a temporary file that is then renamed over the old one.
#include "platform/applet/ItemValue.h"
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace applet {

class Description;
class clsAppletItemManager;

namespace DatasetFile {

constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

struct DeviceType {
    QString interfaceName; // the bus folder of the description ("COM_HART")
    QString vendorId;      // as the description writes them ("0x63")
    QString deviceId;
    QString name;          // for people only
};

struct Value {
    QString name;
    ItemType type = ItemType::Text;
    QString text;
};

struct Contents {
    DeviceType deviceType;
    QString softwareRevision;
    QString hardwareRevision;
    QList<Value> values;
};

// The device type and revision of a description (no values).
Contents HeaderOf(const Description& description);
// True when both name one device type: the same interface (any case) and the
// same vendor and device numbers (in any notation).
bool SameDeviceType(const DeviceType& a, const DeviceType& b);
// "COM_HART 0x63/0x89 (name)".
QString Describe(const DeviceType& type);

// The header of the description and every persistent item's value. False
// (error names the item) for a text that a file cannot hold.
bool Collect(const Description& description, const clsAppletItemManager& manager, Contents& contents,
             QString& error);
// False with error (the reason, without the path) when the file cannot be written.
bool Write(const QString& path, const Contents& contents, QString& error);
// False with error ("line N: reason" or the reason) for a file that is no
// dataset file; contents is then unchanged.
bool Read(const QString& path, Contents& contents, QString& error);

// What a read file gives the applet: each value in the stored form of its
// item, by item handle.
struct Accepted {
    int32_t handle = 0;
    QVariant stored;
};
// Checks every value of a read file against the applet before any is taken:
// the device type must be the description's, and each value must fit its
// item's type, size and range. Values of items the applet does not keep
// (another revision of the description) are skipped and named in skipped.
// False with error (the first value refused) when anything does not fit.
bool Check(const Contents& contents, const Description& description, const clsAppletItemManager& manager,
           QList<Accepted>& accepted, QStringList& skipped, QString& error);

} // namespace DatasetFile
} // namespace applet
