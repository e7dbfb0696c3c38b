#include "platform/applet/DescriptionCache.h"
#include "platform/applet/SchemaFiles.h"
#include "platform/applet/TdxDescriptionReader.h"
#include "platform/xml/FileStamp.h"
#include <QFileInfo>
#include <map>
#include <utility>

namespace applet::DescriptionCache {

namespace {

struct Kept {
    xml::FileStamp stamp;
    std::shared_ptr<const Description> description;
};

std::map<std::pair<QString, int32_t>, Kept>& Descriptions()
{
    static std::map<std::pair<QString, int32_t>, Kept> descriptions;
    return descriptions;
}

} // namespace

std::shared_ptr<const Description> Read(const QString& path, int32_t kind, QString& error)
{
    const std::pair<QString, int32_t> key{QFileInfo(path).absoluteFilePath(), kind};
    auto& descriptions = Descriptions();
    // The stamp reads the whole file: one too large to be a description is
    // refused before that.
    if (!SchemaFiles::FitsSizeBound(path, error)) {
        descriptions.erase(key);
        return nullptr;
    }
    const auto kept = descriptions.find(key);
    // Stamped before the read: a change while it reads shows on the next one.
    const xml::FileStamp stamp = xml::FileStamp::Of(key.first, kept != descriptions.end() ? &kept->second.stamp : nullptr);
    if (kept != descriptions.end()) {
        if (kept->second.stamp == stamp && stamp.exists)
            return kept->second.description;
        descriptions.erase(kept);
    }
    auto description = std::make_shared<Description>();
    if (!TdxDescriptionReader::Read(path, kind, *description, error))
        return nullptr;
    std::shared_ptr<const Description> read = std::move(description);
    if (stamp.exists)
        descriptions[key] = Kept{stamp, read};
    return read;
}

} // namespace applet::DescriptionCache
