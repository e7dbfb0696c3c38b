#pragma once
// The frame's project: one folder holding each DTM instance's property bag as
// a file named after the instance's system tag (PropertyBagFile.h), and a
// bulk-data folder per instance. A bag is written to a temporary file that is then renamed over the
// old one, so a crash leaves either the old or the new instance, never half of
// one.
#include "platform/automation/PropertyBag.h"
#include <QString>
#include <QStringList>

namespace frame {

class ProjectFolder {
public:
    explicit ProjectFolder(QString path);

    QString Path() const { return m_path; }
    // Creates the folder when it is missing.
    bool Ensure(QString* error = nullptr) const;

    // A system tag names files, so only 1 to 64 letters, digits and "_-.{}"
    // are accepted, and no leading dot.
    static bool IsValidSystemTag(const QString& systemTag);

    QString InstanceFile(const QString& systemTag) const;
    bool HasInstance(const QString& systemTag) const;
    // False with the reason, naming the file, when something other than a
    // stored instance (a FIFO, a device, a folder, a dangling link) stands
    // where the instance's file belongs: it is neither read nor replaced.
    bool CheckInstanceFile(const QString& systemTag, QString* error = nullptr) const;
    // Each returns false with the reason in error and changes nothing (the
    // stored file, the bag) when the tag is invalid or the file cannot be
    // written or read; a file that is not a stored bag is refused.
    bool StoreInstance(const QString& systemTag, const automation::PropertyBag& bag, QString* error = nullptr) const;
    bool LoadInstance(const QString& systemTag, automation::PropertyBag& bag, QString* error = nullptr) const;
    bool RemoveInstance(const QString& systemTag, QString* error = nullptr) const;
    // The system tags of the stored instances, sorted.
    QStringList Instances() const;

    // "<project>/BulkData/<tag>/". Only the name: asking for it changes
    // nothing in the project (a reading command writes nothing), so whoever
    // stores bulk data makes the folder when it writes into it.
    bool BulkDataFolder(const QString& systemTag, QString& folder, QString* error = nullptr) const;

    static inline const QString kInstanceSuffix = QStringLiteral(".dtmbag");
    static inline const QString kBulkDataFolder = QStringLiteral("BulkData");

private:
    bool CheckTag(const QString& systemTag, QString* error) const;

    QString m_path;
};

} // namespace frame
