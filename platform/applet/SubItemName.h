#pragma once
// Names of the sub-items that the item manager synthesises for sequences,
// records, enumerated objects and menu entries: a marker such as
// "&&Sequence_State&&" and the owner's name. Callers write the marker in front
// ("&&Sequence_State&&Upload") or behind ("Upload&&Sequence_State&&"); both
// name the same sub-item.
#include <QString>
#include <array>

namespace applet {

enum class SubItemKind {
    None,
    SequenceState,
    SequenceControl,
    SequenceProgress,
    RecordState,
    RecordResponse,
    RecordResponseControl,
    ObjectLimit,
    MenuState,
};

namespace SubItemName {

// The marker text of a kind ("&&Sequence_State&&", ...); empty for None.
QString Marker(SubItemKind kind);

// The canonical name: marker followed by the owner's name.
QString Compose(SubItemKind kind, const QString& owner);

// Splits a name that carries a marker in front or behind (matched without
// regard to case); kind None and an empty owner when it carries none, or
// when nothing but the marker is left.
SubItemKind Parse(const QString& name, QString& owner);

// Every marker, for callers that scan texts for sub-item names.
const std::array<SubItemKind, 8>& AllKinds();

} // namespace SubItemName
} // namespace applet
