#include "fennick/services/Publics.h"
#include "fennick/fdt/frmBusy.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/Language.h"
#include "platform/automation/ClassRegistry.h"
#include <QCoreApplication>
#include <QPointer>
#include <optional>

namespace Publics {
namespace {

const QString kInstallMarker = QStringLiteral("FDT 1.2");
const QString kTdxDescFolder = QStringLiteral("TDXDESC/");

QString& programFolderOverride()
{
    static QString folder;
    return folder;
}

QPointer<frmBusy>& busyForm()
{
    static QPointer<frmBusy> form;
    return form;
}

// Runs f and hands back the error it raised, if any; anything that is not a
// ComError is reported as a general failure.
template <class F>
std::optional<automation::ComError> trapped(F&& f)
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

QString hex(int32_t number)
{
    return QString::number(static_cast<uint32_t>(number), 16).toUpper();
}

// Why a description file did not load, in words: the file, then the cause.
// The parsers' own texts name the file already; a text that does not gets
// its name put before it.
void tell(QString* failure, const QString& path, const QString& cause)
{
    if (!failure)
        return;
    const QString why = cause.trimmed().isEmpty() ? QStringLiteral("no cause given") : cause.trimmed();
    *failure = path.isEmpty() || why.contains(path) ? why : path + QStringLiteral(": ") + why;
}

} // namespace

QString ProgramFolder()
{
    if (!programFolderOverride().isEmpty())
        return programFolderOverride();
    return QCoreApplication::applicationDirPath();
}

void SetProgramFolder(const QString& folder)
{
    programFolderOverride() = folder;
}

QString GetInstallRoot()
{
    const QString folder = ProgramFolder();
    const qsizetype at = folder.indexOf(kInstallMarker, 0, Qt::CaseInsensitive);
    if (at < 0) {
        Debugging::TraceError(QStringLiteral("Wrong installation path for Fennick!"));
        return QString();
    }
    return folder.left(at);
}

QString GetTdxDescriptionDir()
{
    const QString root = GetInstallRoot();
    if (root.isEmpty()) {
        Debugging::TraceError(QStringLiteral("Unable to navigate towards ..\\TDXDESC !"));
        return QString();
    }
    return root + kTdxDescFolder;
}

int16_t LoadFdtFileParser(std::shared_ptr<applet::FdtFileParser>& parser, const QString& fdtFilePath,
                          QString* failure)
{
    if (auto error = trapped([&] {
            parser = automation::ClassRegistry::instance().Create<applet::FdtFileParser>(
                applet::kFdtFileParserClassId);
        })) {
        Debugging::TraceRuntimeError(*error);
        Debugging::TraceError(QStringLiteral("FDT file parser not loaded!"));
        tell(failure, fdtFilePath, QStringLiteral("no FDT file parser: ") + error->description());
        parser.reset();
        return 0;
    }
    QString errorText;
    const auto error = trapped([&] { parser->Load(fdtFilePath, errorText); });
    if (!error)
        return -1;
    tell(failure, fdtFilePath, errorText.isEmpty() ? error->description() : errorText);
    if (!errorText.isEmpty()) {
        Debugging::TraceError(QStringLiteral("Fdt file: ") + fdtFilePath);
        Debugging::TraceError(QStringLiteral("Error code: 0x") + hex(error->number()) + QStringLiteral(", ")
                              + errorText);
    } else {
        Debugging::TraceRuntimeError(*error);
        Debugging::TraceError(QStringLiteral("FDT file parser failure"));
    }
    parser.reset();
    return 0;
}

int16_t LoadTdxFileParser(std::shared_ptr<applet::TdxFileParser>& parser, const QString& tdxFilePath,
                          int32_t kind, QString* failure)
{
    if (auto error = trapped([&] {
            parser = automation::ClassRegistry::instance().Create<applet::TdxFileParser>(
                applet::kTdxFileParserClassId);
        })) {
        Debugging::TraceRuntimeError(error->number(), error->description(),
                                     error->source() + QStringLiteral(" Unable to load TDX file parser!"));
        tell(failure, tdxFilePath, QStringLiteral("no TDX file parser: ") + error->description());
        parser.reset();
        return 0;
    }
    const int32_t language = Language::GetLanguageCode().toInt();
    QString errorText;
    int32_t status = 0;
    if (auto error = trapped([&] { parser->Load(kind, tdxFilePath, language, errorText, status); })) {
        Debugging::TraceRuntimeError(error->number(), error->description(),
                                     error->source() + QStringLiteral(" TDX file parser fault!"));
        tell(failure, tdxFilePath, errorText.isEmpty() ? error->description() : errorText);
        return 0;
    }
    if (status != 0) {
        Debugging::TraceError(QStringLiteral("Invalid TDX file: ") + errorText);
        tell(failure, tdxFilePath, errorText);
        return 0;
    }
    return -1;
}

void ShowBusy(int16_t on)
{
    // The busy window only informs; a failure to show or remove it is traced
    // and otherwise ignored.
    if (auto error = trapped([&] {
            QPointer<frmBusy>& form = busyForm();
            if (on == -1) {
                if (!form)
                    form = new frmBusy();
                form->show();
            } else if (form) {
                delete form.data();
                form = nullptr;
            }
        }))
        Debugging::TraceRuntimeError(*error);
}

frmBusy* BusyForm()
{
    return busyForm().data();
}

void AddTrailingBackslash(QString& path)
{
    QString trimmed = path;
    while (trimmed.endsWith(QLatin1Char(' ')))
        trimmed.chop(1);
    if (!trimmed.endsWith(QLatin1Char('/')))
        path = trimmed + QLatin1Char('/');
}

void RemoveNullChars(QString& text)
{
    text.remove(QChar(u'\0'));
}

void CutText(QString& text, const QString& part)
{
    if (text.isEmpty() || part.isEmpty())
        return;
    const qsizetype at = text.indexOf(part);
    if (at >= 0)
        text.remove(at, part.size());
}

QString EncloseInBraces(const QString& text)
{
    return QLatin1Char('{') + text + QLatin1Char('}');
}

} // namespace Publics
