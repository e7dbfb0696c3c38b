#include "fennick/services/Deployment.h"
#include "fennick/services/DataTypes.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/Publics.h"
#include "fennick/services/frmSelectDtm.h"
#include "platform/applet/FdtFileParser.h"
#include "platform/automation/AtomicFile.h"
#include "platform/automation/CheckedFile.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/crosscheck/CategoryManager.h"
#include "platform/crosscheck/ConsistencyChecker.h"
#include "platform/dialogs/DialogService.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringConverter>
#include <QStringList>
#include <QTextStream>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Deployment {

namespace {

using XMLHelper::DocumentPtr;

// ---- Fixed texts and tables -------------------------------------------------

const QString kKeyFunction = QStringLiteral("FUNC:");
const QString kKeyDescriptionDir = QStringLiteral("DSCR_DIR:");
const QString kKeyFdtFile = QStringLiteral("FDT_FILE:");
const QString kKeyTdxFile = QStringLiteral("TDX_FILE:");
const QString kKeyGsdFile = QStringLiteral("GSD_FILE:");
const QString kKeyDate = QStringLiteral("DTMINFO_DATE:");
const QString kKeyClassification = QStringLiteral("FDTCLASSIFICATIONID:");

const QString kElementRoot = QStringLiteral("FDT");
const QString kElementDtmInfo = QStringLiteral("DtmInfo");
const QString kElementFdtVersion = QStringLiteral("FDTVersion");
const QString kElementVersionInformation = QStringLiteral("fdt:VersionInformation");
const QString kElementDeviceTypes = QStringLiteral("DtmDeviceTypes");
const QString kElementDeviceType = QStringLiteral("fdt:DtmDeviceType");
const QString kElementSupportedLanguages = QStringLiteral("fdt:SupportedLanguages");
const QString kElementLanguageId = QStringLiteral("fdt:LanguageId");
const QString kElementBusCategories = QStringLiteral("fdt:BusCategories");
const QString kElementBusCategory = QStringLiteral("fdt:BusCategory");
const QString kElementDdFiles = QStringLiteral("fdt:DTK_DDFiles");
const QString kElementDeviceIcon = QStringLiteral("fdt:DeviceIcon");

const QString kAttrManufacturerId = QStringLiteral("manufacturerId");
const QString kAttrDeviceTypeId = QStringLiteral("deviceTypeId");
const QString kAttrClassificationId = QStringLiteral("classificationId");
const QString kAttrDeviceTypeInformation = QStringLiteral("deviceTypeInformation");
const QString kAttrTdxFile = QStringLiteral("tdxFile");
const QString kAttrFdtFile = QStringLiteral("fdtFile");
const QString kAttrGsdFile = QStringLiteral("gsdFile");

const QString kIconFile = QStringLiteral("DTM.ICO");

struct Namespace {
    const char* prefix;
    const char* uri;
};
constexpr std::array<Namespace, 3> kCatalogueNamespaces{{
    {"", "x-schema:DTMInformationSchema.xml"},
    {"fdt", "x-schema:FDTDataTypesSchema.xml"},
    {"appId", "x-schema:FDTApplicationIdSchema.xml"},
}};

struct Attribute {
    const char* name;
    const char* value;
};
// The catalogue's own version information, written again at every registration.
constexpr std::array<Attribute, 5> kCatalogueVersion{{
    {"name", "Radedov IRU"},
    {"descriptor", "ROV Aderave"},
    {"vendor", "Korvel Automation"},
    {"version", "2.00.36"},
    {"date", "2005-08-31"},
}};

constexpr std::array<const char*, 16> kClassificationNames{{
    "flow", "level", "pressure", "temperature", "valve", "positioner", "actuator", "nc_rc",
    "encoder", "speedDrive", "hmi", "analogInput", "analogOutput", "digitalInput", "digitalOutput",
    "electrochemicalAnalyser",
}};
const QString kClassificationOther = QStringLiteral("dtmSpecific");

struct Category {
    const char* id;
    const char* traceName;
    const char* description; // nullptr: never created
};
enum CategoryIndex { kCatDtm, kCatDevice, kCatPresentation, kCatDpv0, kCatHart, kCatDpv1 };
constexpr std::array<Category, 6> kCategories{{
    {"036D1490-387B-11D4-86E1-00E0987270B9", "CATID_FDT_DTM", "FDT DTM"},
    {"036D1491-387B-11D4-86E1-00E0987270B9", "CATID_FDT_DEVICE", "FDT DTM Device"},
    {"036D1496-387B-11D4-86E1-00E0987270B9", "CATID_FDT_PRESENTATION", nullptr},
    {"036D1497-387B-11D4-86E1-00E0987270B9", "CATID_FDT_PROFIBUS_DPV0", "FDT FIELDBUS Profibus DPV0"},
    {"036D1498-387B-11D4-86E1-00E0987270B9", "CATID_FDT_HART", "FDT FIELDBUS Hart"},
    {"036D1499-387B-11D4-86E1-00E0987270B9", "CATID_FDT_PROFIBUS_DPV1", "FDT FIELDBUS Profibus DPV1"},
}};
// The order in which the registration creates the categories.
constexpr std::array<CategoryIndex, 5> kCategoriesCreated{{kCatDevice, kCatDtm, kCatHart, kCatDpv0, kCatDpv1}};

QString CategoryId(CategoryIndex index)
{
    return QString::fromLatin1(kCategories[index].id);
}

struct BusInterface {
    const char* interfaceParent;
    CategoryIndex category;
};
constexpr std::array<BusInterface, 2> kBusInterfaces{{
    {"COM_DPV1", kCatDpv1},
    {"COM_HART", kCatHart},
}};

// The header keys of the TDX file in reading order, with what stands in for
// a missing key and whether the value is a hexadecimal identifier.
enum class DeviceField { Descriptor, Name, Vendor, ManufacturerId, Interface, DeviceTypeId, HwRelease, SwRelease };
struct HeaderKey {
    const char* key;
    DeviceField field;
    const char* missing;
    bool hexIdentifier;
};
constexpr std::array<HeaderKey, 8> kHeaderKeys{{
    {"DevDescLong", DeviceField::Descriptor, " -/- ", false},
    {"Nickname", DeviceField::Name, " -/- ", false},
    {"Vendor", DeviceField::Vendor, " -/- ", false},
    {"VendorId", DeviceField::ManufacturerId, "0", true},
    {"InterfaceParent", DeviceField::Interface, "", false},
    {"DeviceId", DeviceField::DeviceTypeId, "0", true},
    {"HWRelease", DeviceField::HwRelease, "", false},
    {"SWRelease", DeviceField::SwRelease, " -/- ", false},
}};

// ---- Small helpers ----------------------------------------------------------

QString& catalogueFolderOverride()
{
    static QString folder;
    return folder;
}

QString& reportFolderOverride()
{
    static QString folder;
    return folder;
}

QString Joined(const QString& folder, const QString& file)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + file : folder + QLatin1Char('/') + file;
}

void Progress(const QString& text)
{
    DataTypes::WriteTrace(Debugging::kLevelInfo, text);
}

// Runs f and hands back the error it raised, if any.
template <class F>
std::optional<automation::ComError> Trapped(F&& f)
{
    try {
        f();
        return std::nullopt;
    } catch (const automation::ComError& error) {
        return error;
    } catch (const std::exception& error) {
        return automation::ComError(automation::E_FAIL_, QString::fromLocal8Bit(error.what()),
                                    Debugging::ProgramTitle());
    }
}

bool FileExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

// The file's absolute path with every component spelt as the file system
// has it, so that a path typed in another case still finds its file; empty
// when no file, or more than one, fits.
QString RealFilePath(const QString& path)
{
    if (path.isEmpty())
        return QString();
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (QFileInfo(absolute).isFile())
        return absolute;
    QString current = QStringLiteral("/");
    for (const QString& part : absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const QDir dir(current);
        QString next = dir.filePath(part);
        if (!QFileInfo::exists(next)) {
            QStringList fits;
            for (const QString& entry :
                 dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
                if (entry.compare(part, Qt::CaseInsensitive) == 0)
                    fits.append(entry);
            if (fits.size() != 1)
                return QString();
            next = dir.filePath(fits.first());
        }
        current = next;
    }
    return QFileInfo(current).isFile() ? current : QString();
}

QStringList& FailureList()
{
    static QStringList failures;
    return failures;
}

// A reason the asked function was not carried out: traced, and kept for the
// user of a run without traces (Failures()).
void Fault(const QString& text)
{
    Debugging::TraceError(text);
    FailureList() << text;
}

// Description directory + file name, looked up under the file's real name.
// Empty, traced, when there is no such file; something else in its place (a
// FIFO, a folder) is named with what it is.
QString ExistingFile(const QString& directory, const QString& fileName, const QString& kind)
{
    const QString path = directory + fileName;
    const QString real = RealFilePath(path);
    if (!real.isEmpty())
        return real;
    QString why;
    if (!fileName.isEmpty() && !automation::CheckedFile::Missing(path)
        && !automation::CheckedFile::Check(path, automation::CheckedFile::kMaxBytes, &why))
        Fault(kind + QStringLiteral(" file ") + why);
    else
        Fault(kind + QStringLiteral(" file not found: ") + path);
    return QString();
}

QString TrimLeadingBlanks(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size() && text[start] == QLatin1Char(' '))
        ++start;
    return text.mid(start);
}

xml::XmlNode ChildElement(const xml::XmlNode& parent, const QString& name)
{
    return parent ? parent.FirstChildElement(name) : xml::XmlNode();
}

// Selects below the node; an expression the XPath engine refuses selects nothing.
xml::XmlNodeList Select(const xml::XmlNode& node, const QString& xpath)
{
    xml::XmlNodeList nodes;
    if (auto error = Trapped([&] { nodes = node.SelectNodes(xpath); })) {
        Debugging::TraceRuntimeError(*error);
        nodes.clear();
    }
    return nodes;
}

bool SaveCatalogue(const xml::XmlDocument& document)
{
    QString error;
    if (document.Save(CataloguePath(), &error))
        return true;
    Fault(QStringLiteral("Unable to write the device catalogue: ") + error);
    return false;
}

// Sets the attributes in the order given (the order they are written in).
void SetAttributes(xml::XmlNode element, std::initializer_list<std::pair<QString, QString>> attributes)
{
    for (const auto& [name, value] : attributes)
        element.SetAttribute(name, value);
}

std::shared_ptr<crosscheck::CategoryManager> CreateCategoryManager()
{
    return automation::ClassRegistry::instance().Create<crosscheck::CategoryManager>(
        crosscheck::kCategoryManagerClassId);
}

// Runs the cross-check; its report is kept in memory until the result says
// whether it is written at all.
void RunCrossCheck(crosscheck::ConsistencyChecker& checker, applet::FdtFileParser& fdtParser,
                   applet::TdxFileParser& tdxParser, QByteArray& reportText, bool& ok)
{
    QTextStream report(&reportText, QIODevice::WriteOnly);
    report.setEncoding(QStringConverter::Latin1);
    ok = false;
    const auto error = Trapped([&] { checker.CheckConsistency(fdtParser, tdxParser, report, ok); });
    report.flush();
    if (error) {
        Debugging::TraceRuntimeError(*error);
        ok = false;
    }
}

// A new, empty catalogue in memory.
void BuildDeviceCatalogue(DocumentPtr& document, xml::XmlNode& deviceTypes);

// Which buses the entries of a catalogue's device types element serve.
struct BusNeeds {
    bool any = false;
    bool hart = false;
    bool profibus = false;
};

BusNeeds NeedsOf(const xml::XmlNode& deviceTypes)
{
    BusNeeds needs;
    if (!deviceTypes)
        return needs;
    for (const xml::XmlNode& entry : deviceTypes.ChildElements()) {
        needs.any = true;
        const QString bus = ChildElement(ChildElement(entry, kElementBusCategories), kElementBusCategory)
                                .Attribute(QStringLiteral("busCategory"));
        needs.hart = needs.hart || bus == kBusCategoryHart;
        needs.profibus = needs.profibus || bus == kBusCategoryProfibusDpv1;
    }
    return needs;
}

// Withdraws one category mark of the DTM class; false, told, when the
// category manager refuses.
bool WithdrawCategory(crosscheck::CategoryManager& manager, CategoryIndex index)
{
    const auto error = Trapped([&] {
        manager.UnregisterImplementedCategory(kDtmProgId, Publics::EncloseInBraces(CategoryId(index)));
    });
    if (!error)
        return true;
    Debugging::TraceRuntimeError(*error);
    Debugging::TraceError(QStringLiteral("DTM_Unregister_Category ") + QString::fromLatin1(kCategories[index].traceName));
    FailureList() << QStringLiteral("The component category %1 could not be withdrawn: %2")
                         .arg(QString::fromLatin1(kCategories[index].traceName), error->description());
    return false;
}

// After a registration that failed: the marks it may have added and that no
// entry of the catalogue as it stays needs are withdrawn again.
void WithdrawCategoriesOfFailedRegistration(const BusNeeds& kept, const QString& busCategory)
{
    std::vector<CategoryIndex> withdrawn;
    if (busCategory == kBusCategoryHart && !kept.hart)
        withdrawn.push_back(kCatHart);
    if (busCategory == kBusCategoryProfibusDpv1 && !kept.profibus)
        withdrawn.insert(withdrawn.end(), {kCatDpv1, kCatDpv0});
    if (!kept.any)
        withdrawn.insert(withdrawn.end(), {kCatDtm, kCatDevice});
    if (withdrawn.empty())
        return;
    std::shared_ptr<crosscheck::CategoryManager> manager;
    if (auto error = Trapped([&] { manager = CreateCategoryManager(); })) {
        Debugging::TraceRuntimeError(*error);
        return;
    }
    for (CategoryIndex index : withdrawn)
        WithdrawCategory(*manager, index);
}

// While a run changes the catalogue it holds a lock on the catalogue's
// folder, so two runs never interleave their changes, and a temporary of
// the catalogue's writer found then is one whose writer was ended before it
// could finish (killed, or the machine stopped): it is removed.
class CatalogueLock {
public:
    CatalogueLock()
    {
        // Without the lock (no such folder, say) the run goes on: its writes
        // fail, or succeed, on their own.
        const auto unlocked = [] {
            Debugging::TraceError(QStringLiteral("The catalogue's folder %1 cannot be locked: %2")
                                      .arg(CatalogueFolder(), QString::fromLocal8Bit(std::strerror(errno))));
        };
        m_fd = ::open(QFile::encodeName(CatalogueFolder()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_fd < 0) {
            unlocked();
            return;
        }
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                unlocked();
                ::close(m_fd);
                m_fd = -1;
                return;
            }
        }
        RemoveStaleTemporaries();
    }
    ~CatalogueLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // releases the lock
    }
    CatalogueLock(const CatalogueLock&) = delete;
    CatalogueLock& operator=(const CatalogueLock&) = delete;

private:
    static void RemoveStaleTemporaries()
    {
        const QDir folder(CatalogueFolder());
        const QString prefix = QLatin1Char('.') + kCatalogueFileName + QLatin1Char('.');
        for (const QString& name : folder.entryList({prefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden | QDir::System)) {
            const QByteArray path = QFile::encodeName(folder.filePath(name));
            struct stat info {};
            if (::lstat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode))
                continue; // not a temporary the writer made
            if (::unlink(path.constData()) == 0)
                Debugging::TraceInfo(QStringLiteral("Removed the unfinished catalogue ") + folder.filePath(name));
            else
                Debugging::TraceError(QStringLiteral("Unable to remove the unfinished catalogue %1: %2")
                                          .arg(folder.filePath(name), QString::fromLocal8Bit(std::strerror(errno))));
        }
    }

    int m_fd = -1;
};

} // namespace

// ---- Folders ----------------------------------------------------------------

QString CatalogueFolder()
{
    return catalogueFolderOverride().isEmpty() ? Publics::ProgramFolder() : catalogueFolderOverride();
}

void SetCatalogueFolder(const QString& folder)
{
    catalogueFolderOverride() = folder;
}

QString CataloguePath()
{
    return Joined(CatalogueFolder(), kCatalogueFileName);
}

QString ReportFolder()
{
    return reportFolderOverride().isEmpty() ? QDir::currentPath() : reportFolderOverride();
}

void SetReportFolder(const QString& folder)
{
    reportFolderOverride() = folder;
}

// ---- Command line -------------------------------------------------------------

QString GetCommandLineParameter(const QString& key, const QString& commandLine)
{
    const QString blankKey = QLatin1Char(' ') + key;
    const QString line = QLatin1Char(' ') + commandLine + QLatin1Char(' ');
    const qsizetype at = line.indexOf(blankKey, 0, Qt::CaseInsensitive);
    if (at < 0) {
        Debugging::TraceError(QStringLiteral("Command line parameter not found: ") + blankKey);
        return QString();
    }
    const qsizetype start = at + blankKey.size();
    if (line[start] == QLatin1Char('"')) {
        const qsizetype end = line.indexOf(QStringLiteral("\" "), start + 1);
        if (end < 0) {
            Fault(QStringLiteral("Invalid commandline parameter ") + blankKey
                                  + QStringLiteral(" Missing closing quote!"));
            return QString();
        }
        return line.mid(start + 1, end - start - 1);
    }
    return line.mid(start, line.indexOf(QLatin1Char(' '), start) - start);
}

bool GetClassificationName(QString& classification)
{
    bool isNumber = false;
    const int number = classification.trimmed().toInt(&isNumber, 10);
    if (!isNumber) {
        // A device type is registered all the same: as one of its own kind.
        Debugging::TraceError(QStringLiteral("Invalid classification: \"") + classification
                              + QStringLiteral("\" is no whole number, registered as ") + kClassificationOther);
        classification = kClassificationOther;
        return false;
    }
    classification = number >= 1 && number <= static_cast<int>(kClassificationNames.size())
                         ? QString::fromLatin1(kClassificationNames[static_cast<size_t>(number - 1)])
                         : kClassificationOther;
    return true;
}

bool ParseCommandLine(QString& commandLine, ParsedCommandLine& parsed)
{
    parsed = ParsedCommandLine();
    if (commandLine.trimmed().isEmpty()) {
        Fault(QStringLiteral("Command line empty!"));
        return false;
    }
    parsed.function = GetCommandLineParameter(kKeyFunction, commandLine);
    parsed.descriptionDir = GetCommandLineParameter(kKeyDescriptionDir, commandLine);
    const QString fdtName = GetCommandLineParameter(kKeyFdtFile, commandLine);
    parsed.fdtFile = ExistingFile(parsed.descriptionDir, fdtName, QStringLiteral("FDT"));

    bool result = false;
    if (parsed.function.toUpper() == kFunctionRegister) {
        parsed.date = GetCommandLineParameter(kKeyDate, commandLine);
        const QString gsdName = GetCommandLineParameter(kKeyGsdFile, commandLine);
        const QString tdxName = GetCommandLineParameter(kKeyTdxFile, commandLine);
        parsed.classification = GetCommandLineParameter(kKeyClassification, commandLine);
        GetClassificationName(parsed.classification);
        parsed.tdxFile = ExistingFile(parsed.descriptionDir, tdxName, QStringLiteral("TDX"));
        result = !parsed.tdxFile.isEmpty() && !parsed.fdtFile.isEmpty();
        if (!gsdName.isEmpty()) {
            parsed.gsdFile = ExistingFile(parsed.descriptionDir, gsdName, QStringLiteral("GSD"));
            if (parsed.gsdFile.isEmpty())
                result = false;
        }
    }

    Debugging::TraceInfo(QStringLiteral("Parameters: ..."));
    Debugging::TraceInfo(QStringLiteral("Function .....: ") + parsed.function);
    Debugging::TraceInfo(QStringLiteral("DD-Directory..: ") + parsed.descriptionDir);
    Debugging::TraceInfo(QStringLiteral("TDX file .....: ") + parsed.tdxFile);
    Debugging::TraceInfo(QStringLiteral("FDT file .....: ") + parsed.fdtFile);
    Debugging::TraceInfo(QStringLiteral("GSD file .....: ") + parsed.gsdFile);
    Debugging::TraceInfo(QStringLiteral("Classification: ") + parsed.classification);
    Debugging::TraceInfo(QStringLiteral("Date .........: ") + parsed.date);
    return result;
}

QStringList Failures()
{
    return FailureList();
}

void ClearFailures()
{
    FailureList().clear();
}

namespace {

bool CarryOutCommandLine(const QString& commandLine)
{
    Debugging::TraceInfo(QStringLiteral("Parse Commandline ... "));
    QString line = commandLine;
    ParsedCommandLine parsed;
    const bool parsedOk = ParseCommandLine(line, parsed);
    const bool registration = parsed.function.toUpper() == kFunctionRegister;
    const bool unregistration = parsed.function.toUpper() == kFunctionUnregister;
    if (!registration && !unregistration)
        Fault(QStringLiteral("Unknown function \"") + parsed.function
                              + QStringLiteral("\": the FDT file's device types are unregistered"));

    if (parsedOk && registration) {
        std::shared_ptr<applet::TdxFileParser> tdxParser;
        if (CrossCheckFiles(tdxParser, parsed.tdxFile, parsed.fdtFile)) {
            DeviceInfo device;
            if (ReadDeviceInfo(*tdxParser, device) != 0) {
                Fault(QStringLiteral("Insufficient TDX file contents"));
            } else if (device.busCategory == kBusCategoryHart
                       || (device.busCategory == kBusCategoryProfibusDpv1 && !parsed.gsdFile.isEmpty())) {
                return RegisterDtm(device, parsed.classification, parsed.date, parsed.tdxFile, parsed.fdtFile,
                                   parsed.gsdFile);
            } else {
                Fault(QStringLiteral("A PROFIBUS DPV1 device type needs its GSD file"));
            }
        }
    }
    const bool unregistered = UnregisterDtm(parsed.fdtFile);
    // An installer that asked for a registration learns that it got the
    // opposite: the device types of the FDT file are gone.
    if (registration && unregistered)
        FailureList() << (parsed.fdtFile.isEmpty()
                              ? QStringLiteral("The device type was not registered; device types whose files are "
                                               "gone were unregistered")
                              : QStringLiteral("The device type was not registered, and the device types of %1 "
                                               "were unregistered")
                                    .arg(parsed.fdtFile));
    return unregistration && unregistered;
}

} // namespace

bool ProcessCommandLine(const QString& commandLine)
{
    ClearFailures();
    const CatalogueLock lock;
    bool done = false;
    // No error on the way ends the program: it is the failure of the function.
    if (const auto error = Trapped([&] { done = CarryOutCommandLine(commandLine); })) {
        Debugging::TraceRuntimeError(*error);
        Fault(QStringLiteral("The function was stopped by an error: ") + error->description());
        return false;
    }
    return done;
}

// ---- Cross-check and device facts ---------------------------------------------

bool CrossCheckFiles(std::shared_ptr<applet::TdxFileParser>& tdxParser, const QString& tdxPath,
                     const QString& fdtPath)
{
    if (tdxPath.isEmpty() || fdtPath.isEmpty())
        return false;
    std::shared_ptr<applet::FdtFileParser> fdtParser;
    QString failure;
    if (Publics::LoadFdtFileParser(fdtParser, fdtPath, &failure) != -1) {
        FailureList() << QStringLiteral("The FDT file could not be loaded: ") + failure;
        return false;
    }
    if (Publics::LoadTdxFileParser(tdxParser, tdxPath, applet::kTdxKindDevice, &failure) != -1) {
        FailureList() << QStringLiteral("The TDX file could not be loaded: ") + failure;
        return false;
    }

    std::shared_ptr<crosscheck::ConsistencyChecker> checker;
    if (auto error = Trapped([&] {
            checker = automation::ClassRegistry::instance().Create<crosscheck::ConsistencyChecker>(
                crosscheck::kConsistencyCheckerProgId);
        })) {
        Debugging::TraceRuntimeError(error->number(), error->description(),
                                     error->source() + QStringLiteral(" Unable to load Cross checker!"));
        return false;
    }

    const QString reportPath = Joined(ReportFolder(), kCrossCheckReportFileName);
    bool ok = false;
    QByteArray reportText;
    RunCrossCheck(*checker, *fdtParser, *tdxParser, reportText, ok);
    // The report is a new file each time: whatever stands at its name (an
    // older report, a read-only one, a link to elsewhere) is replaced or
    // removed, never written through.
    if (!ok) {
        QString error;
        if (!automation::AtomicFile::Write(reportPath, reportText, &error))
            Fault(QStringLiteral("Unable to write the cross-check report: ") + error);
        Fault(QStringLiteral("Cross check failed see ") + kCrossCheckReportFileName + QStringLiteral(" for details."));
        return false;
    }
    if (::unlink(QFile::encodeName(reportPath).constData()) != 0 && errno != ENOENT)
        Debugging::TraceError(QStringLiteral("Unable to delete ") + reportPath + QStringLiteral(": ")
                              + QString::fromLocal8Bit(std::strerror(errno)));
    return true;
}

int16_t ReadDeviceInfo(applet::TdxFileParser& tdxParser, DeviceInfo& info)
{
    info = DeviceInfo();
    int16_t result = 0;
    QString interfaceParent;
    QString hwRelease;
    QString swRelease;
    for (const HeaderKey& key : kHeaderKeys) {
        QString value;
        int32_t failed = 0;
        tdxParser.fncReadKey(QString::fromLatin1(key.key), value, failed);
        if (failed != 0) {
            value = QString::fromLatin1(key.missing);
            result = 1;
        } else if (key.hexIdentifier) {
            DataTypes::Convert_Long0xToXmlDec(value);
        }
        switch (key.field) {
        case DeviceField::Descriptor: info.descriptor = value; break;
        case DeviceField::Name: info.name = value; break;
        case DeviceField::Vendor: info.vendor = value; break;
        case DeviceField::ManufacturerId: info.manufacturerId = value; break;
        case DeviceField::Interface: interfaceParent = value; break;
        case DeviceField::DeviceTypeId: info.deviceTypeId = value; break;
        case DeviceField::HwRelease: hwRelease = value; break;
        case DeviceField::SwRelease: swRelease = value; break;
        }
    }
    info.version = QStringLiteral("SW: ") + swRelease;
    if (!hwRelease.isEmpty())
        info.version += QStringLiteral(", HW: ") + hwRelease;
    for (const BusInterface& bus : kBusInterfaces)
        if (interfaceParent.toUpper() == QLatin1String(bus.interfaceParent))
            info.busCategory = CategoryId(bus.category);
    if (info.busCategory.isEmpty())
        result = 1;
    return result;
}

// ---- Catalogue ------------------------------------------------------------------

void LoadDeviceCatalogue(DocumentPtr& document, xml::XmlNode& deviceTypes, bool createWhenMissing,
                         QString* problem)
{
    document.reset();
    deviceTypes = xml::XmlNode();
    if (problem)
        *problem = QStringLiteral("no XML parser");
    DocumentPtr parser;
    XMLHelper::CreateXmlParser(parser);
    if (!parser)
        return;
    QString why;
    const QString path = CataloguePath();
    // Whatever stands at the catalogue's name is read as the catalogue, so
    // that a FIFO or a folder there is refused with its name, never replaced.
    if (!automation::CheckedFile::Missing(path)) {
        Debugging::TraceInfo(QStringLiteral("Loading Device catalogue...") + path);
        document = parser;
        if (document->Load(path)) {
            deviceTypes = document->SelectSingleNode(
                QStringLiteral("//") + QStringList{kElementRoot, kElementDtmInfo, kElementDeviceTypes}.join(QLatin1Char('/')));
            // The entries of an identity are looked up in the whole document:
            // with a second device types element they would not all be the
            // children of the one that is changed.
            const qsizetype lists =
                deviceTypes ? Select(deviceTypes, QStringLiteral("//") + kElementDeviceTypes).size() : 0;
            if (!deviceTypes) {
                why = QStringLiteral("Element ") + kElementDeviceTypes + QStringLiteral(" not found");
                Debugging::TraceError(QStringLiteral("Device catalogue failure: Element ") + kElementDeviceTypes
                                      + QStringLiteral(" not found!"));
            } else if (lists != 1) {
                deviceTypes = xml::XmlNode();
                why = QStringLiteral("it holds %1 elements %2 where one is allowed").arg(lists).arg(kElementDeviceTypes);
                Debugging::TraceError(QStringLiteral("Device catalogue failure: ") + why);
            }
        } else {
            why = document->ParseError().reason;
            Debugging::TraceXmlParseError(kCatalogueFileName, document->ParseError());
        }
    } else if (createWhenMissing) {
        CreateDeviceCatalogue(document, deviceTypes);
        if (!deviceTypes)
            why = QStringLiteral("it could not be created");
    }
    if (problem)
        *problem = deviceTypes ? QString() : why;
}

void CreateDeviceCatalogue(DocumentPtr& document, xml::XmlNode& deviceTypes)
{
    BuildDeviceCatalogue(document, deviceTypes);
    if (deviceTypes)
        SaveCatalogue(*document);
}

namespace {

void BuildDeviceCatalogue(DocumentPtr& document, xml::XmlNode& deviceTypes)
{
    deviceTypes = xml::XmlNode();
    xml::XmlNode root;
    XMLHelper::AppendFdtRoot(document, root);
    Debugging::TraceInfo(QStringLiteral("Creating Device catalogue..."));
    if (!document)
        return;
    for (const Namespace& ns : kCatalogueNamespaces)
        XMLHelper::SetNamespace(root, QString::fromLatin1(ns.prefix), QString::fromLatin1(ns.uri));

    xml::XmlNode types = document->CreateElement(kElementDeviceTypes);
    xml::XmlNode info = document->CreateElement(kElementDtmInfo);
    xml::XmlNode fdtVersion = document->CreateElement(kElementFdtVersion);
    SetAttributes(fdtVersion, {{QStringLiteral("major"), QStringLiteral("1")}, {QStringLiteral("minor"), QStringLiteral("2")}});
    xml::XmlNode version = document->CreateElement(kElementVersionInformation);
    for (const Attribute& attribute : kCatalogueVersion)
        version.SetAttribute(QString::fromLatin1(attribute.name), QString::fromLatin1(attribute.value));
    info.AppendChild(fdtVersion);
    info.AppendChild(version);
    deviceTypes = info.AppendChild(types);
    root.AppendChild(info);
    ResetCatalogueVersionInfo(*document);
}

} // namespace

void ResetCatalogueVersionInfo(xml::XmlDocument& document)
{
    xml::XmlNode version = document.SelectSingleNode(
        QStringList{kElementRoot, kElementDtmInfo, kElementVersionInformation}.join(QLatin1Char('/')));
    if (!version)
        return;
    for (const Attribute& attribute : kCatalogueVersion)
        version.SetAttribute(QString::fromLatin1(attribute.name), QString::fromLatin1(attribute.value));
}

QString BuildDeviceTypeQuery(const QString& manufacturerId, const QString& deviceTypeId,
                             const QString& classificationId)
{
    QStringList conditions;
    const std::array<std::pair<QString, QString>, 3> values{{
        {kAttrManufacturerId, manufacturerId},
        {kAttrDeviceTypeId, deviceTypeId},
        {kAttrClassificationId, classificationId},
    }};
    for (const auto& [attribute, value] : values)
        if (!value.isEmpty())
            conditions.append(QLatin1Char('@') + attribute + QLatin1Char('=') + XMLHelper::QuoteText(value));
    QString query = QStringLiteral("//") + kElementDeviceTypes + QLatin1Char('/') + kElementDeviceType;
    // Without any condition the query selects every entry.
    if (!conditions.isEmpty())
        query += QLatin1Char('[') + conditions.join(QStringLiteral(" and ")) + QLatin1Char(']');
    return query;
}

// ---- Registration ---------------------------------------------------------------

bool RegisterDtm(const DeviceInfo& device, const QString& classification, const QString& date,
                 const QString& tdxPath, const QString& fdtPath, const QString& gsdPath)
{
    Progress(QStringLiteral("Registering DTM..."));
    DocumentPtr document;
    xml::XmlNode deviceTypes;
    QString problem;
    // A new catalogue is written only with the registration's entry in it.
    LoadDeviceCatalogue(document, deviceTypes, false, &problem);
    if (!deviceTypes && automation::CheckedFile::Missing(CataloguePath())) {
        BuildDeviceCatalogue(document, deviceTypes);
        if (!deviceTypes)
            problem = QStringLiteral("it could not be created");
    }
    if (!deviceTypes) {
        Fault(QStringLiteral("Device catalogue corrupt: ") + CataloguePath() + QStringLiteral(": ") + problem);
        return false;
    }
    const BusNeeds kept = NeedsOf(deviceTypes);

    xml::XmlNode entry = document->CreateElement(kElementDeviceType);
    SetAttributes(entry, {{kAttrManufacturerId, device.manufacturerId},
                          {kAttrDeviceTypeId, device.deviceTypeId},
                          {kAttrClassificationId, classification}});
    if (device.busCategory == kBusCategoryProfibusDpv1 && !gsdPath.isEmpty()) {
        QByteArray gsd;
        QString reason;
        if (!FileExists(gsdPath) || !automation::CheckedFile::Read(gsdPath, 4 * 1024 * 1024, gsd, &reason)) {
            Debugging::TraceError(QStringLiteral("Abort DTM registration"));
            Fault(QStringLiteral("File missing : ") + (reason.isEmpty() ? gsdPath : reason));
            return false;
        }
        entry.SetAttribute(kAttrDeviceTypeInformation, QString::fromLatin1(gsd));
    }

    xml::XmlNode version = entry.AppendChild(document->CreateElement(kElementVersionInformation));
    SetAttributes(version, {{QStringLiteral("name"), device.name},
                            {QStringLiteral("vendor"), device.vendor},
                            {QStringLiteral("version"), device.version},
                            {QStringLiteral("date"), date},
                            {QStringLiteral("descriptor"), device.descriptor}});
    xml::XmlNode languages = entry.AppendChild(document->CreateElement(kElementSupportedLanguages));
    languages.AppendChild(document->CreateElement(kElementLanguageId))
        .SetAttribute(QStringLiteral("languageId"), QStringLiteral("1033"));
    xml::XmlNode buses = entry.AppendChild(document->CreateElement(kElementBusCategories));
    buses.AppendChild(document->CreateElement(kElementBusCategory))
        .SetAttribute(QStringLiteral("busCategory"), device.busCategory);
    xml::XmlNode files = entry.AppendChild(document->CreateElement(kElementDdFiles));
    SetAttributes(files, {{kAttrTdxFile, tdxPath}, {kAttrFdtFile, fdtPath}});
    if (!gsdPath.isEmpty())
        files.SetAttribute(kAttrGsdFile, gsdPath);

    const QString query = BuildDeviceTypeQuery(device.manufacturerId, device.deviceTypeId, classification);
    Progress(QStringLiteral("Device Type to register ... "));
    Progress(QStringLiteral("Manufacturer Id: ") + device.manufacturerId);
    Progress(QStringLiteral("Device Id      : ") + device.deviceTypeId);
    Progress(QStringLiteral("Classification : ") + classification);

    const xml::XmlNodeList matches = Select(deviceTypes, query);
    const auto edited = Trapped([&] {
        if (!matches.isEmpty()) {
            Progress(QStringLiteral("Update for device type"));
            deviceTypes.ReplaceChild(entry, matches.first());
            // One entry per identity remains.
            for (qsizetype i = 1; i < matches.size(); ++i)
                deviceTypes.RemoveChild(matches[i]);
        } else {
            Progress(QStringLiteral("New device type"));
            deviceTypes.AppendChild(entry);
        }
        ResetCatalogueVersionInfo(*document);
    });
    if (edited) {
        // Nothing was written: the catalogue on disk stays as it was.
        Debugging::TraceRuntimeError(*edited);
        Fault(QStringLiteral("Device catalogue unusable: ") + CataloguePath() + QStringLiteral(": ")
              + edited->description());
        return false;
    }

    // The catalogue is checked by reading its text back. It is written last,
    // once the categories are registered, and a failure of either withdraws
    // what the run added: the frame never finds a device type whose
    // registration failed.
    DocumentPtr check;
    XMLHelper::CreateXmlParser(check);
    if (!check)
        return false;
    check->SetSchemas(XMLHelper::SchemaCache());
    if (!check->LoadXml(document->Xml())) {
        Debugging::TraceXmlParseError(QStringLiteral("Registration data"), check->ParseError());
        FailureList() << QStringLiteral("The new device catalogue does not fit its schema: ") + check->ParseError().reason;
        return false;
    }
    if (RegisterFdtCategories(device.busCategory) && SaveCatalogue(*document))
        return true;
    WithdrawCategoriesOfFailedRegistration(kept, device.busCategory);
    return false;
}

bool RegisterFdtCategories(const QString& busCategory)
{
    const auto error = Trapped([&] {
        Progress(QStringLiteral("Registering FDt Categories...."));
        const auto manager = CreateCategoryManager();
        const auto mark = [&](CategoryIndex index, const QString& line) {
            manager->RegisterImplementedCategory(kDtmProgId, Publics::EncloseInBraces(CategoryId(index)));
            Progress(line);
        };
        mark(kCatDevice, QStringLiteral("...........CATID_FDT_DEVICE"));
        mark(kCatDtm, QStringLiteral("...........CATID_FDT_DTM"));
        manager->UnregisterImplementedCategory(kDtmProgId, Publics::EncloseInBraces(CategoryId(kCatPresentation)));
        Progress(QStringLiteral("Unregistering .....CATID_FDT_PRESENTATION"));
        manager->RegisterImplementedCategory(kDtmProgId, Publics::EncloseInBraces(busCategory));
        Progress(QStringLiteral("...........ProtocolCategory : ") + busCategory);
        if (busCategory == kBusCategoryProfibusDpv1)
            mark(kCatDpv0, QStringLiteral("...........CATID_FDT_PROFIBUS_DPV0"));
        Progress(QStringLiteral("Registering categories Complete..."));
        Progress(QStringLiteral("!!!Create Component categories ...!!!"));
        for (CategoryIndex index : kCategoriesCreated) {
            const Category& category = kCategories[index];
            manager->RegisterCategory(QString::fromLatin1(category.description),
                                      Publics::EncloseInBraces(CategoryId(index)));
            Progress(QStringLiteral("...........") + QString::fromLatin1(category.traceName));
        }
    });
    if (!error)
        return true;
    Debugging::TraceRuntimeError(*error);
    Debugging::TraceError(QStringLiteral("DTM_Register_Category"));
    FailureList() << QStringLiteral("The component categories could not be registered: ") + error->description();
    return false;
}

bool UnregisterDtm(const QString& fdtPath)
{
    Debugging::TraceInfo(QStringLiteral("Ungregister DTM ... "));
    DocumentPtr document;
    xml::XmlNode deviceTypes;
    QString problem;
    LoadDeviceCatalogue(document, deviceTypes, false, &problem);
    if (!deviceTypes && !automation::CheckedFile::Missing(CataloguePath())) {
        // Its entries cannot be read, so registrations may still stand on it.
        Fault(QStringLiteral("Device catalogue unusable: ") + CataloguePath() + QStringLiteral(": ") + problem
                              + QStringLiteral("; the component categories are kept"));
        return false;
    }

    bool hartRemains = false;
    bool profibusRemains = false;
    bool catalogueDone = true;
    if (deviceTypes) {
        const xml::XmlNodeList entries = deviceTypes ? deviceTypes.ChildElements() : xml::XmlNodeList();
        for (qsizetype i = entries.size() - 1; i >= 0; --i) {
            const xml::XmlNode entry = entries[i];
            const xml::XmlNode files = ChildElement(entry, kElementDdFiles);
            bool remove = !FileExists(XMLHelper::GetAttribute(files, kAttrTdxFile));
            if (!remove) {
                const QString fdtFile = XMLHelper::GetAttribute(files, kAttrFdtFile);
                remove = !FileExists(fdtFile) || fdtFile == fdtPath;
            }
            if (!remove) {
                if (!files.HasAttribute(kAttrGsdFile))
                    hartRemains = true;
                else if (!FileExists(files.Attribute(kAttrGsdFile)))
                    remove = true;
                else
                    profibusRemains = true;
            }
            if (remove)
                deviceTypes.RemoveChild(entry);
        }
        if (hartRemains || profibusRemains) {
            catalogueDone = SaveCatalogue(*document);
        } else {
            QFile catalogue(CataloguePath());
            if (!catalogue.remove()) {
                Fault(QStringLiteral("Unable to delete the device catalogue: ")
                                      + catalogue.errorString());
                catalogueDone = false;
            }
        }
    }
    if (!catalogueDone) {
        // The file on disk still names the device types; so do the categories.
        Debugging::TraceError(QStringLiteral("The component categories are kept"));
        return false;
    }

    std::shared_ptr<crosscheck::CategoryManager> manager;
    if (auto error = Trapped([&] { manager = CreateCategoryManager(); })) {
        Debugging::TraceRuntimeError(*error);
        Fault(QStringLiteral("Unable to to load Category manager"));
        return false;
    }

    bool allWithdrawn = true;
    const auto withdraw = [&](CategoryIndex index, const QString& line) {
        if (!WithdrawCategory(*manager, index))
            allWithdrawn = false;
        Progress(line);
    };
    Progress(QStringLiteral("Un-Registering categories ....."));
    if (!hartRemains)
        withdraw(kCatHart, QStringLiteral("Un-Registering categories ....."));
    if (!profibusRemains) {
        withdraw(kCatDpv1, QStringLiteral(".....CATID_FDT_PROFIBUS_DPV1"));
        withdraw(kCatDpv0, QStringLiteral(".....CATID_FDT_PROFIBUS_DPV0"));
    }
    if (!hartRemains && !profibusRemains) {
        withdraw(kCatDtm, QStringLiteral(" .....CATID_FDT_DTM"));
        withdraw(kCatDevice, QStringLiteral(".....CATID_FDT_DEVICE"));
        withdraw(kCatPresentation, QStringLiteral(".....CATID_FDT_PRESENTATION"));
    }
    Progress(QStringLiteral("Un-Registering categories Complete....."));
    return allWithdrawn;
}

// ---- What the frame learns ----------------------------------------------------------

QString GetDtmInformationXml()
{
    DocumentPtr document;
    xml::XmlNode deviceTypes;
    LoadDeviceCatalogue(document, deviceTypes, false);
    // Without a loaded catalogue there is no document; one without device
    // types is still the document the frame asked for.
    if (!document || !document->DocumentElement())
        return QString();

    QString iconPath = Publics::GetInstallRoot();
    if (!iconPath.isEmpty())
        iconPath += kIconFile;
    const xml::XmlNodeList entries = deviceTypes.ChildElements();
    for (qsizetype i = entries.size() - 1; i >= 0; --i) {
        xml::XmlNode entry = entries[i];
        for (const xml::XmlNode& child : entry.ChildElements())
            if (child.Name() == kElementDdFiles)
                entry.RemoveChild(child);
        if (!iconPath.isEmpty())
            entry.AppendChild(document->CreateElement(kElementDeviceIcon)).SetAttribute(QStringLiteral("path"), iconPath);
    }
    const QString path = QStringList{kElementRoot, kElementDtmInfo, kElementDeviceTypes, kElementDeviceType}.join(
        QLatin1Char('/'));
    for (xml::XmlNode entry : document->SelectNodes(path))
        for (const QString& attribute : {kAttrDeviceTypeId, kAttrManufacturerId})
            if (entry.HasAttribute(attribute))
                entry.SetAttribute(attribute, TrimLeadingBlanks(entry.Attribute(attribute)));

    XMLHelper::SaveDebugXml(document, QStringLiteral("DTMInformation"));
    return document->Xml();
}

bool GetDeviceType_criteria(const xml::XmlNode& deviceType, QString& manufacturerId, QString& deviceTypeId,
                            QString& classificationId)
{
    manufacturerId.clear();
    deviceTypeId.clear();
    classificationId.clear();
    if (!deviceType.IsElement()) {
        Debugging::TraceError(QStringLiteral("GetDeviceType_criteria: Element") + kElementDeviceType
                              + QStringLiteral(" not found!"));
        return false;
    }
    classificationId = XMLHelper::GetAttribute(deviceType, kAttrClassificationId);
    deviceTypeId = XMLHelper::GetAttribute(deviceType, kAttrDeviceTypeId);
    manufacturerId = XMLHelper::GetAttribute(deviceType, kAttrManufacturerId);
    return !classificationId.isEmpty() && !deviceTypeId.isEmpty() && !manufacturerId.isEmpty();
}

bool GetDeviceType(const xml::XmlNode& deviceType, QString& tdxPath, QString& fdtPath, QString& gsdPath)
{
    tdxPath.clear();
    fdtPath.clear();
    gsdPath.clear();
    QString manufacturerId;
    QString deviceTypeId;
    QString classificationId;
    if (!GetDeviceType_criteria(deviceType, manufacturerId, deviceTypeId, classificationId))
        return false;

    DocumentPtr document;
    xml::XmlNode deviceTypes;
    LoadDeviceCatalogue(document, deviceTypes, false);
    if (!deviceTypes)
        return false;
    const xml::XmlNodeList matches =
        Select(deviceTypes, BuildDeviceTypeQuery(manufacturerId, deviceTypeId, classificationId));
    if (matches.isEmpty()) {
        Debugging::TraceError(QStringLiteral("GetDeviceType: Device type not found!"));
        Debugging::TraceError(QStringLiteral("Classification Id = ") + classificationId);
        Debugging::TraceError(QStringLiteral("Device Type Id    = ") + deviceTypeId);
        Debugging::TraceError(QStringLiteral("Manufacturer Id   = ") + manufacturerId);
        return false;
    }

    int index = 0;
    if (matches.size() > 1) {
        frmSelectDtm form;
        form.ShowDeviceTypes(matches);
        dialogs::DialogService::instance().ExecModal(form);
        index = form.SelectedIndex();
    }
    if (index < 0 || index >= matches.size())
        return false;
    const xml::XmlNode files = ChildElement(matches[index], kElementDdFiles);
    tdxPath = XMLHelper::GetAttribute(files, kAttrTdxFile);
    fdtPath = XMLHelper::GetAttribute(files, kAttrFdtFile);
    gsdPath = XMLHelper::GetAttribute(files, kAttrGsdFile);
    return true;
}

QString GetDeviceTypeInformation(const QString& manufacturerId, const QString& deviceTypeId,
                                 const QString& classificationId)
{
    DocumentPtr document;
    xml::XmlNode deviceTypes;
    LoadDeviceCatalogue(document, deviceTypes, false);
    if (!deviceTypes)
        return QString();
    const xml::XmlNodeList matches =
        Select(deviceTypes, BuildDeviceTypeQuery(manufacturerId, deviceTypeId, classificationId));
    if (matches.isEmpty())
        return QString();
    return XMLHelper::GetAttribute(matches.first(), kAttrDeviceTypeInformation);
}

} // namespace Deployment
