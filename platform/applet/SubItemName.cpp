#include "platform/applet/SubItemName.h"

namespace applet::SubItemName {

namespace {

struct MarkerRow {
    SubItemKind kind;
    const char* marker;
};

// Longer markers first, so that "&&Record_Response_Control&&" is not taken
// for "&&Record_Response&&".
constexpr std::array<MarkerRow, 8> kMarkers{{
    {SubItemKind::RecordResponseControl, "&&Record_Response_Control&&"},
    {SubItemKind::SequenceProgress, "&&Sequence_Progress&&"},
    {SubItemKind::SequenceControl, "&&Sequence_Control&&"},
    {SubItemKind::RecordResponse, "&&Record_Response&&"},
    {SubItemKind::SequenceState, "&&Sequence_State&&"},
    {SubItemKind::RecordState, "&&Record_State&&"},
    {SubItemKind::ObjectLimit, "&&ObjectLimit&&"},
    {SubItemKind::MenuState, "&&Menu_State&&"},
}};

} // namespace

QString Marker(SubItemKind kind)
{
    for (const MarkerRow& row : kMarkers)
        if (row.kind == kind)
            return QString::fromLatin1(row.marker);
    return QString();
}

QString Compose(SubItemKind kind, const QString& owner)
{
    return Marker(kind) + owner;
}

SubItemKind Parse(const QString& name, QString& owner)
{
    owner.clear();
    for (const MarkerRow& row : kMarkers) {
        const QLatin1String marker(row.marker);
        if (name.size() <= marker.size())
            continue;
        if (name.startsWith(marker, Qt::CaseInsensitive)) {
            owner = name.mid(marker.size());
            return row.kind;
        }
        if (name.endsWith(marker, Qt::CaseInsensitive)) {
            owner = name.left(name.size() - marker.size());
            return row.kind;
        }
    }
    return SubItemKind::None;
}

const std::array<SubItemKind, 8>& AllKinds()
{
    static const std::array<SubItemKind, 8> kinds{
        SubItemKind::SequenceState,  SubItemKind::SequenceControl,      SubItemKind::SequenceProgress,
        SubItemKind::RecordState,    SubItemKind::RecordResponse,       SubItemKind::RecordResponseControl,
        SubItemKind::ObjectLimit,    SubItemKind::MenuState,
    };
    return kinds;
}

} // namespace applet::SubItemName
