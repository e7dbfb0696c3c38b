#include "corvane/frame/clsReportFactory.h"
#include "platform/automation/CheckedFile.h"
#include "corvane/frame/ComponentSupport.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "pioextensions/enmRegMask.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/AtomicFile.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cmath>

namespace {

const QString kSource = QStringLiteral("clsReportFactory");

// The bus letter of the template names, by IDeviceInfo::CommType; any other
// bus gives an empty letter.
struct BusLetter {
    enmCommType bus;
    const char* letter;
};
constexpr BusLetter kBusLetters[] = {
    {enmCommType::HART, "H"},
    {enmCommType::PROFIBUS, "P"},
    {enmCommType::ff, "F"},
};

QString LetterOf(enmCommType bus)
{
    for (const BusLetter& row : kBusLetters)
        if (row.bus == bus)
            return QString::fromLatin1(row.letter);
    return QString();
}

// The language part of the templates when the country's templates are missing.
const QString kFallbackLanguage = QStringLiteral("001");
// The module part of the main template when the multivariable function is on.
const QString kFlowFunctionModule = QStringLiteral("TC");

// The report's files. Templates are read from the description folder T;
// the page and its copies go to the output folder O (T, or the cache folder
// where T cannot be written). B bus letter, CCC country code, L language
// part (CCC or "001"), M module part.
struct ReportFiles {
    QString probe;          // T + "gv/GV20" + B + CCC + ".htm": templates in language CCC exist
    QString mainTemplate;   // T + "gv/GV" + M + B + L + ".htm"
    QString pidSection;     // T + "gv/GV_PID_" + B + L + ".htm"
    QString userCurveStart; // T + "gv/UserCurveStart" + L + ".htm"
    QString userCurveEnd;   // T + "gv/UserCurveEnd.htm"
    QString page;           // O + "prt_" + CCC + ".htm"
    QString copyNeutral;    // O + "prt_.htm"
    QString copyEnglish;    // O + "prt_001.htm"

    QStringList All() const
    {
        return {probe, mainTemplate, pidSection, userCurveStart, userCurveEnd, page, copyNeutral, copyEnglish};
    }
};

QString ProbePath(const QString& t, const QString& b, const QString& ccc)
{
    return t + QStringLiteral("gv/GV20") + b + ccc + QStringLiteral(".htm");
}

ReportFiles FilesFor(const QString& t, const QString& o, const QString& b, const QString& ccc, const QString& l,
                     const QString& m)
{
    ReportFiles files;
    files.probe = ProbePath(t, b, ccc);
    files.mainTemplate = t + QStringLiteral("gv/GV") + m + b + l + QStringLiteral(".htm");
    files.pidSection = t + QStringLiteral("gv/GV_PID_") + b + l + QStringLiteral(".htm");
    files.userCurveStart = t + QStringLiteral("gv/UserCurveStart") + l + QStringLiteral(".htm");
    files.userCurveEnd = t + QStringLiteral("gv/UserCurveEnd.htm");
    files.page = o + QStringLiteral("prt_") + ccc + QStringLiteral(".htm");
    files.copyNeutral = o + QStringLiteral("prt_.htm");
    files.copyEnglish = o + QStringLiteral("prt_001.htm");
    return files;
}

// A template larger than this is not a report template.
constexpr qint64 kMaxTemplateBytes = 4 * 1024 * 1024;

// The whole template, or nothing (traced) when it cannot be read.
QByteArray ReadTemplate(const QString& path, const QString& role)
{
    if (automation::CheckedFile::Missing(path)) {
        // A template the description does not ship leaves its part out.
        applet::AppletTrace::Info(QStringLiteral("%1: the %2 \"%3\" is not there").arg(kSource, role, path));
        return QByteArray();
    }
    QByteArray bytes;
    QString reason;
    if (!automation::CheckedFile::Read(path, kMaxTemplateBytes, bytes, &reason)) {
        applet::AppletTrace::Error(QStringLiteral("%1: the %2 %3; left out").arg(kSource, role, reason));
        return QByteArray();
    }
    return bytes;
}

// The five lines of one user-curve table row: the cells carry the placeholders
// of the curve point's X and Y items.
QByteArray UserCurveRow(int i)
{
    const QString ii = QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    const QString cell = QStringLiteral("<TD WIDTH=\"350\"><FONT FACE=\"Arial\" SIZE=\"-1\">#%1%2# %</FONT></TD>");
    const QStringList lines = {
        QStringLiteral("<TR>"),
        QStringLiteral("<TD WIDTH=\"20\"></TD>"),
        cell.arg(QStringLiteral("UserCurveX_"), ii),
        cell.arg(QStringLiteral("UserCurveY_"), ii),
        QStringLiteral("</TR>"),
    };
    QByteArray rows;
    for (const QString& line : lines)
        rows += line.toLatin1() + "\r\n";
    return rows;
}

// Every path of the report fits kMaxPathLength; a longer one is traced.
bool PathsFit(const ReportFiles& files)
{
    for (const QString& path : files.All()) {
        if (path.size() > clsReportFactory::kMaxPathLength) {
            applet::AppletTrace::Error(QStringLiteral("%1: the path \"%2\" is longer than %3 characters; no report")
                                           .arg(kSource, path)
                                           .arg(clsReportFactory::kMaxPathLength));
            return false;
        }
    }
    return true;
}

// The pages of the last build go. Those this build writes again are replaced
// whole by their rename instead: removed first, a viewer of another instance
// on the same description would find no page at all for a moment.
void RemoveOldPages(const QString& folder, const QStringList& replaced)
{
    const QDir out(folder);
    for (const QString& name : out.entryList({QStringLiteral("prt_*.htm")}, QDir::Files))
        if (!replaced.contains(out.filePath(name)) && !QFile::remove(out.filePath(name))
            && QFile::exists(out.filePath(name)))
            applet::AppletTrace::Error(
                QStringLiteral("%1: the old page \"%2\" cannot be removed").arg(kSource, out.filePath(name)));
}

bool FolderWritable(const QString& folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
}

// Writes a page whole or not at all (a temporary file renamed over the old
// one, so a reader never sees half a page); false, traced, when it fails.
bool WriteWhole(const QString& path, const QByteArray& text)
{
    QString error;
    if (automation::AtomicFile::Write(path, text, &error))
        return true;
    applet::AppletTrace::Error(QStringLiteral("%1: the page \"%2\" cannot be written: %3").arg(kSource, path, error));
    return false;
}

} // namespace

clsReportFactory::clsReportFactory() = default;

clsReportFactory::~clsReportFactory()
{
    for (QObject* sender : {static_cast<QObject*>(appPtrbLinType.get()),
                            static_cast<QObject*>(appGenerateHTMLPrintOut.get()),
                            static_cast<QObject*>(seqGetDeviceInfo.get())})
        if (sender)
            disconnect(sender, nullptr, this, nullptr);
}

void clsReportFactory::Register(const std::shared_ptr<IViewEx>& myView)
{
    if (m_registered)
        return;
    m_manager = corvane::RequireManager(myView, kSource);
    deviceInfo = corvane::RegisteredDeviceInfo(m_manager);
    appCountryCode = items.Add(kCountryCode, false, 0);
    appTdxPath = items.Add(kTdxPath, false, 0);
    appPtrbModulType = items.Add(kPtrbModulType, false, 0);
    appPtrbLinType = items.Add(kPtrbLinType, false, 0);
    appGenerateHTMLPrintOut = items.Add(kGenerateHTMLPrintOut, false, 0);
    appPtrbTabActualNumber = items.Add(kPtrbTabActualNumber, false, 0);
    connect(appPtrbLinType.get(), &clsAppItem::ValueChanged2, this, &clsReportFactory::appPtrbLinType_ValueChanged2,
            Qt::UniqueConnection);
    connect(appGenerateHTMLPrintOut.get(), &clsAppItem::ValueChanged2, this,
            &clsReportFactory::appGenerateHTMLPrintOut_ValueChanged2, Qt::UniqueConnection);
    seqGetDeviceInfo = sequences.Add(kGetDeviceInfo, false, 0, REGISTER_STATE);
    connect(seqGetDeviceInfo.get(), &clsSequenceItem::StatusChanged, this,
            &clsReportFactory::seqGetDeviceInfo_StatusChanged, Qt::UniqueConnection);
    items.Register(m_manager);
    sequences.Register(m_manager);
    m_registered = true;
}

void clsReportFactory::UnRegister()
{
    if (!m_registered)
        return;
    items.UnRegister();
    sequences.UnRegister();
    m_registered = false;
}

void clsReportFactory::appGenerateHTMLPrintOut_ValueChanged2(const QString& /*Value*/, bool /*suppressRule*/)
{
    if (!m_registered || appGenerateHTMLPrintOut->UIntValue() != 1)
        return;
    appGenerateHTMLPrintOut->SetStringValue(QStringLiteral("0"));
    if (!CreateGeneralViewTemplate()) {
        applet::AppletTrace::Error(
            QStringLiteral("%1: no report page was written; the print viewer is not opened").arg(kSource));
        return;
    }
    StartPrintView();
}

void clsReportFactory::appPtrbLinType_ValueChanged2(const QString& /*Value*/, bool /*suppressRule*/)
{
    if (m_registered)
        CreateGeneralViewTemplate();
}

void clsReportFactory::seqGetDeviceInfo_StatusChanged(int32_t sequenceStatus)
{
    if (!m_registered)
        return;
    if (sequenceStatus == applet::SequenceState::AdjustActive) {
        m_getDeviceInfoAdjusting = true;
    } else if (sequenceStatus == applet::SequenceState::Ready && m_getDeviceInfoAdjusting) {
        m_getDeviceInfoAdjusting = false;
        CreateGeneralViewTemplate();
    }
}

void clsReportFactory::StartPrintView()
{
    std::shared_ptr<applet::AppletHost> host;
    m_manager->GetApplet(host);
    if (!host) {
        applet::AppletTrace::Error(QStringLiteral("%1: no applet to open the print viewer").arg(kSource));
        return;
    }
    int32_t result = 0;
    host->StartSingleView(kPrintViewProgId, result);
    if (result != 0)
        applet::AppletTrace::Error(QStringLiteral("%1: the print viewer %2 did not start: %3")
                                       .arg(kSource, kPrintViewProgId, applet::ResultText(result)));
}

bool clsReportFactory::CreateGeneralViewTemplate()
{
    m_outputFolder.clear();
    // 1. Module, bus and country: errors here end the build.
    const QString m = deviceInfo->MvFunctionEnabled()
                          ? kFlowFunctionModule
                          : QString::number(static_cast<qulonglong>(appPtrbModulType->UIntValue()));
    const QString b = LetterOf(deviceInfo->CommType());
    const QString ccc =
        QStringLiteral("%1").arg(static_cast<qulonglong>(appCountryCode->UIntValue()), 3, 10, QLatin1Char('0'));
    QString t = QDir::fromNativeSeparators(appTdxPath->StringValue());
    if (!t.isEmpty() && !t.endsWith(QLatin1Char('/')))
        t += QLatin1Char('/');

    // 2. The language: the country's templates where they exist, else English.
    QString l = kFallbackLanguage;
    const QString probe = ProbePath(t, b, ccc);
    if (probe.size() <= kMaxPathLength && automation::CheckedFile::Check(probe, kMaxTemplateBytes))
        l = ccc;

    // 4. to 6. The main template, the PID section and the user-curve table.
    const ReportFiles templates = FilesFor(t, t, b, ccc, l, m);
    if (!PathsFit(templates))
        return false;
    QByteArray text = ReadTemplate(templates.mainTemplate, QStringLiteral("main template"));
    if (deviceInfo->PidEnabled())
        text += ReadTemplate(templates.pidSection, QStringLiteral("PID section"));
    const int16_t linType = static_cast<int16_t>(appPtrbLinType->UIntValue());
    if (linType == deviceInfo->GetPtrbLinTypeCode(enmPtrbLinType::USER_CURVE)
        || linType == deviceInfo->GetPtrbLinTypeCode(enmPtrbLinType::PRIMARY_ELEMENT_LINEARIZATION)) {
        text += ReadTemplate(templates.userCurveStart, QStringLiteral("user-curve head"));
        // N + 1 rounded, halves to even.
        const double last = std::nearbyint(appPtrbTabActualNumber->UIntValue() + 1);
        for (int i = 0; i <= static_cast<int>(last); ++i)
            text += UserCurveRow(i);
        text += ReadTemplate(templates.userCurveEnd, QStringLiteral("user-curve tail"));
    }

    // 3., 4. and 7. The page and its copies replace those of the last build in
    // the description folder, else in the user's cache folder.
    for (const bool cache : {false, true}) {
        QString o = t;
        if (cache) {
            const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
            applet::AppletTrace::Error(
                QStringLiteral("%1: the report page cannot be written into the description folder \"%2\"; it goes "
                               "to the cache folder \"%3\"")
                    .arg(kSource, t, folder));
            if (folder.isEmpty() || !QDir().mkpath(folder)) {
                applet::AppletTrace::Error(QStringLiteral("%1: the cache folder cannot be made; no report").arg(kSource));
                return false;
            }
            o = folder + QLatin1Char('/');
        } else if (!FolderWritable(t)) {
            continue;
        }
        const ReportFiles files = FilesFor(t, o, b, ccc, l, m);
        if (!PathsFit(files))
            return false;
        RemoveOldPages(o, {files.page, files.copyNeutral, files.copyEnglish});
        if (!WriteWhole(files.page, text))
            continue;
        WriteWhole(files.copyNeutral, text);
        if (files.copyEnglish != files.page)
            WriteWhole(files.copyEnglish, text);
        m_outputFolder = o;
        return true;
    }
    return false;
}
