#pragma once
// Registration of the DTM's device types: the registration command line, the
// cross-check of a DTM's FDT file against a device's TDX file, the device
// catalogue beside the program with one entry per registered device type,
// the component categories of the DTM class, and what the frame learns from
// the catalogue: the DTM information document and the description files of a
// device type it hands back.
#include "fennick/services/XMLHelper.h"
#include "platform/applet/TdxFileParser.h"
#include "platform/xml/XmlNode.h"
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

namespace Deployment {

inline const QString kCatalogueFileName = QStringLiteral("DEVICECATALOGUE.XML");
inline const QString kCrossCheckReportFileName = QStringLiteral("CROSSCHECKERRORS.TXT");
// The DTM class whose component categories the registration keeps.
inline const QString kDtmProgId = QStringLiteral("Fennick.clsTkDispatcher");
inline const QString kFunctionRegister = QStringLiteral("REGISTERDTM");
inline const QString kFunctionUnregister = QStringLiteral("UNREGISTERDTM");

// Bus categories (component category identifiers, without braces).
inline const QString kBusCategoryHart = QStringLiteral("036D1498-387B-11D4-86E1-00E0987270B9");
inline const QString kBusCategoryProfibusDpv1 = QStringLiteral("036D1499-387B-11D4-86E1-00E0987270B9");

// Where the catalogue lives: the program's folder unless another folder was
// set; an empty text restores the program's folder.
QString CatalogueFolder();
void SetCatalogueFolder(const QString& folder);
QString CataloguePath();
// Where the cross-check report is written: the current directory unless
// another folder was set; an empty text restores the current directory.
QString ReportFolder();
void SetReportFolder(const QString& folder);

// ---- Command line ---------------------------------------------------------

// The registration command line, parsed. Paths are the files' real paths
// (absolute), empty when the file does not exist.
struct ParsedCommandLine {
    QString function;
    QString descriptionDir;
    QString tdxFile;
    QString fdtFile;
    QString gsdFile;
    QString classification; // the classification name
    QString date;
};

// Parses the command line, then registers the device type or unregisters
// the FDT file's entries, holding the lock of the catalogue's folder. True when the asked function (REGISTERDTM or
// UNREGISTERDTM) was carried out: a registration that ends in the
// unregistration step, and any other function, answer false.
bool ProcessCommandLine(const QString& commandLine);
// Why the last ProcessCommandLine did not carry out its function, in words,
// and what it unregistered instead; empty after a run that did. A run with
// its traces off reports these.
QStringList Failures();
// Forgets the failures kept so far, as ProcessCommandLine does when it
// starts; a caller that runs the steps on its own clears them itself.
void ClearFailures();

// True only when a registration can be attempted. Keys are matched without
// regard to case; values keep their case (the command line is not changed).
bool ParseCommandLine(QString& commandLine, ParsedCommandLine& parsed);

// The value after the key (which must stand first or after a blank); a value
// in double quotes runs to the first double quote followed by a blank or the
// end. Empty, traced, when the key is absent or the closing quote missing.
QString GetCommandLineParameter(const QString& key, const QString& commandLine);

// Replaces a classification number by its name ("dtmSpecific" for a number
// without one). A text that is not a whole 32-bit number (an absent key
// included) becomes "dtmSpecific" too, and the answer is false (traced).
bool GetClassificationName(QString& classification);

// ---- Registration and catalogue -------------------------------------------

// What the registration takes from the device's TDX file.
struct DeviceInfo {
    QString name;
    QString vendor;
    QString version;
    QString descriptor;
    QString busCategory;
    QString manufacturerId;
    QString deviceTypeId;
};

// Loads both description files and has the consistency checker compare them;
// its findings go to the report file, which stays only when it found any.
// The loaded TDX-file parser is handed back for ReadDeviceInfo.
bool CrossCheckFiles(std::shared_ptr<applet::TdxFileParser>& tdxParser, const QString& tdxPath,
                     const QString& fdtPath);

// 0 when every header key was present and the interface is a known bus; 1
// otherwise (defaults stand in for the missing keys).
int16_t ReadDeviceInfo(applet::TdxFileParser& tdxParser, DeviceInfo& info);

// Enters (or replaces) the device type's entry in the catalogue, registers
// the component categories and then writes the validated catalogue. True when
// both were done; otherwise the catalogue stays as it was and the category
// marks the run added are withdrawn.
bool RegisterDtm(const DeviceInfo& device, const QString& classification, const QString& date,
                 const QString& tdxPath, const QString& fdtPath, const QString& gsdPath);

// Marks the DTM class with the categories of a device type of the bus
// category (no braces) and creates the categories. False, traced, on the
// first failure; the remaining steps are skipped.
bool RegisterFdtCategories(const QString& busCategory);

// Removes the entries of the FDT file (exact path; may be empty) and every
// entry whose files are gone, writes or deletes the catalogue, and withdraws
// the categories no remaining entry needs. A catalogue that exists but cannot
// be used is kept with every category. True when all of it was done.
bool UnregisterDtm(const QString& fdtPath);

// Opens the catalogue. deviceTypes is null when there is no usable catalogue
// (problem, when given, then says why: the file does not parse or is no
// regular file, or it holds no device types element or more than one);
// document is null when nothing is at the catalogue's name and none was
// created.
void LoadDeviceCatalogue(XMLHelper::DocumentPtr& document, xml::XmlNode& deviceTypes, bool createWhenMissing,
                         QString* problem = nullptr);
// A new, empty catalogue, saved as the catalogue file.
void CreateDeviceCatalogue(XMLHelper::DocumentPtr& document, xml::XmlNode& deviceTypes);
// Sets the catalogue's own version information to its fixed values.
void ResetCatalogueVersionInfo(xml::XmlDocument& document);
// The XPath of the entries of an identity; empty values are left out.
QString BuildDeviceTypeQuery(const QString& manufacturerId, const QString& deviceTypeId,
                             const QString& classificationId);

// ---- What the frame learns --------------------------------------------------

// The catalogue without file references and with the device icon; the empty
// text when there is no usable catalogue.
QString GetDtmInformationXml();

// The description files of the catalogue entry of the device type element
// that the frame passes; several entries of the identity are offered to the
// user (frmSelectDtm through the dialog service). False when none is chosen.
bool GetDeviceType(const xml::XmlNode& deviceType, QString& tdxPath, QString& fdtPath, QString& gsdPath);
// manufacturerId, deviceTypeId and classificationId of the element; true when
// all three are present.
bool GetDeviceType_criteria(const xml::XmlNode& deviceType, QString& manufacturerId, QString& deviceTypeId,
                            QString& classificationId);
// The deviceTypeInformation of the first entry of the identity, or empty.
QString GetDeviceTypeInformation(const QString& manufacturerId, const QString& deviceTypeId,
                                 const QString& classificationId);

} // namespace Deployment
