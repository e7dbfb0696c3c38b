#include "platform/frame/ProjectFolder.h"
#include "platform/automation/CheckedFile.h"
#include "platform/automation/AtomicFile.h"
#include "platform/automation/ComError.h"
#include "platform/frame/PropertyBagFile.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace frame {

namespace {

void SetError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

bool IsTagCharacter(QChar c)
{
    if (c.unicode() > 127)
        return false;
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-') || c == QLatin1Char('.')
        || c == QLatin1Char('{') || c == QLatin1Char('}');
}

} // namespace

ProjectFolder::ProjectFolder(QString path) : m_path(QDir::cleanPath(std::move(path))) {}

bool ProjectFolder::Ensure(QString* error) const
{
    if (m_path.isEmpty()) {
        SetError(error, QStringLiteral("No project folder given"));
        return false;
    }
    if (QDir().mkpath(m_path))
        return true;
    SetError(error, QStringLiteral("Cannot create the project folder %1").arg(m_path));
    return false;
}

bool ProjectFolder::IsValidSystemTag(const QString& systemTag)
{
    if (systemTag.isEmpty() || systemTag.size() > 64 || systemTag.startsWith(QLatin1Char('.')))
        return false;
    for (QChar c : systemTag)
        if (!IsTagCharacter(c))
            return false;
    return true;
}

bool ProjectFolder::CheckTag(const QString& systemTag, QString* error) const
{
    if (IsValidSystemTag(systemTag))
        return true;
    SetError(error, QStringLiteral("Invalid system tag '%1'").arg(systemTag));
    return false;
}

QString ProjectFolder::InstanceFile(const QString& systemTag) const
{
    return m_path + QLatin1Char('/') + systemTag + kInstanceSuffix;
}

bool ProjectFolder::HasInstance(const QString& systemTag) const
{
    return IsValidSystemTag(systemTag) && QFileInfo(InstanceFile(systemTag)).isFile();
}

bool ProjectFolder::CheckInstanceFile(const QString& systemTag, QString* error) const
{
    if (!CheckTag(systemTag, error))
        return false;
    const QString path = InstanceFile(systemTag);
    const QString irregular = automation::CheckedFile::Irregular(path);
    if (irregular.isEmpty())
        return true;
    SetError(error, QStringLiteral("%1 is %2, not a stored instance: it is neither read nor replaced")
                        .arg(QDir::toNativeSeparators(path), irregular));
    return false;
}

bool ProjectFolder::StoreInstance(const QString& systemTag, const automation::PropertyBag& bag, QString* error) const
{
    if (!CheckInstanceFile(systemTag, error) || !Ensure(error))
        return false;
    const QString path = InstanceFile(systemTag);
    QByteArray bytes;
    try {
        bytes = PropertyBagFile::ToBytes(bag);
    } catch (const automation::ComError& e) {
        SetError(error, QStringLiteral("Cannot store %1: %2").arg(path, e.description()));
        return false;
    }
    return automation::AtomicFile::Write(path, bytes, error);
}

bool ProjectFolder::LoadInstance(const QString& systemTag, automation::PropertyBag& bag, QString* error) const
{
    if (!CheckTag(systemTag, error))
        return false;
    const QString path = InstanceFile(systemTag);
    QByteArray bytes;
    QString reason;
    if (!automation::CheckedFile::Read(path, PropertyBagFile::kMaxFileSize, bytes, &reason)) {
        SetError(error, QStringLiteral("Cannot read the stored instance %1").arg(reason));
        return false;
    }
    automation::PropertyBag loaded;
    try {
        PropertyBagFile::FromBytes(bytes, loaded);
    } catch (const automation::ComError& e) {
        SetError(error, QStringLiteral("%1: %2").arg(path, e.description()));
        return false;
    }
    bag = loaded;
    return true;
}

bool ProjectFolder::RemoveInstance(const QString& systemTag, QString* error) const
{
    if (!CheckTag(systemTag, error))
        return false;
    const QString path = InstanceFile(systemTag);
    if (!QFileInfo::exists(path) || QFile::remove(path))
        return true;
    SetError(error, QStringLiteral("Cannot remove %1").arg(path));
    return false;
}

QStringList ProjectFolder::Instances() const
{
    QStringList tags;
    const QStringList files =
        QDir(m_path).entryList({QLatin1Char('*') + kInstanceSuffix}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        const QString tag = name.left(name.size() - kInstanceSuffix.size());
        if (IsValidSystemTag(tag))
            tags.append(tag);
    }
    return tags;
}

bool ProjectFolder::BulkDataFolder(const QString& systemTag, QString& folder, QString* error) const
{
    if (!CheckTag(systemTag, error))
        return false;
    folder = m_path + QLatin1Char('/') + kBulkDataFolder + QLatin1Char('/') + systemTag + QLatin1Char('/');
    return true;
}

} // namespace frame
