#include "fennick/communication/clsSequenceWatch.h"
#include "fennick/fdt/frmSequenceWatch.h"
#include "fennick/fdt/global.h"
#include "fennick/services/Debugging.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/TdxFileParser.h"
#include "platform/applet/clsAppletItemManager.h"
#include <cmath>

namespace {

using Colour = clsSequenceWatch::Colour;
using StateText = clsSequenceWatch::StateText;

constexpr StateText kSequenceStates[] = {
    {0, "READY", Colour::TableBackground},
    {1, "WRITE REQUEST", Colour::InfoBackground},
    {2, "READ REQUEST", Colour::InfoBackground},
    {4, "WRITE STOP CYC", Colour::InfoBackground},
    {8, "READ STOP CYC", Colour::InfoBackground},
    {16, "ADJUST STOP CYC", Colour::InfoBackground},
    {32, "WRITE ACTIVE", Colour::InfoBackground},
    {64, "READ ACTIVE", Colour::InfoBackground},
    {128, "ADJUST ACTIVE", Colour::InfoBackground},
    {256, "DYNA STOP CYC", Colour::InfoBackground},
    {512, "DYNA REQUEST", Colour::InfoBackground},
    {1024, "DYNA ACTIVE", Colour::InfoBackground},
    {2048, "READ SUSPEND", Colour::InfoBackground},
    {4096, "WRITE SUSPEND", Colour::InfoBackground},
    {8192, "DYNA SUSPEND", Colour::InfoBackground},
};
constexpr StateText kUnknownSequenceState = {-1, "", Colour::Unchanged};

constexpr StateText kTransferStates[] = {
    {0, "PENDING", Colour::InfoBackground},
    {1, "READY", Colour::ButtonFace},
    {2, "ABORTED", Colour::Red},
};
constexpr StateText kUnknownTransferState = {-1, "invalid", Colour::Unchanged};

// Shadow-only changes and changes without rules (refreshes among them) are
// not shown.
constexpr int32_t kIgnoredStateBits = applet::StateInfo::kShadowOnly | applet::StateInfo::kNoRules;

const char* const kHeader[] = {"Name", "Status", "Progress"};

QString Hex(int32_t error)
{
    return QString::number(static_cast<uint32_t>(error), 16).toUpper();
}

} // namespace

clsSequenceWatch::StateText clsSequenceWatch::SequenceStateText(int32_t state)
{
    for (const StateText& entry : kSequenceStates)
        if (entry.value == state)
            return entry;
    return kUnknownSequenceState;
}

clsSequenceWatch::StateText clsSequenceWatch::TransferStateText(int32_t value)
{
    for (const StateText& entry : kTransferStates)
        if (entry.value == value)
            return entry;
    return kUnknownTransferState;
}

clsSequenceWatch::clsSequenceWatch() = default;

clsSequenceWatch::~clsSequenceWatch()
{
    CloseWindow();
}

frmSequenceWatch* clsSequenceWatch::WatchWindow() const
{
    return m_window.data();
}

void clsSequenceWatch::StartSequenceWatch()
{
    const auto manager = global::AppletItemManager();
    if (!manager) {
        Debugging::TraceError(QStringLiteral("clsSequenceWatch: no applet item manager to register with"));
        return;
    }
    int32_t result = 0;
    manager->RegisterView(shared_from_this(), result);
}

void clsSequenceWatch::StopSequenceWatch()
{
    if (const auto manager = m_manager) {
        int32_t result = 0;
        manager->UnregisterView(this, result);
    }
    m_manager.reset();
    CloseWindow();
}

void clsSequenceWatch::CloseWindow()
{
    if (m_window)
        delete m_window.data();
    m_window = nullptr;
}

void clsSequenceWatch::SetAppletItemManagRef(int32_t lViewHandle,
                                             const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                             int32_t& result)
{
    m_manager = manager;
    m_viewHandle = lViewHandle;
    result = 0;
    if (m_manager)
        BuildWatchList();
}

void clsSequenceWatch::Destroy(int32_t& result)
{
    m_manager.reset();
    StopSequenceWatch();
    result = 0;
}

void clsSequenceWatch::ReadSequenceNames()
{
    m_names.clear();
    std::shared_ptr<applet::TdxFileParser> parser;
    m_manager->GetDataDictionary(parser);
    if (!parser) {
        Debugging::TraceError(QStringLiteral("clsSequenceWatch: the item manager has no description parser"));
        return;
    }
    int32_t count = 0;
    int32_t error = 0;
    parser->fncNumberOfEntries(kEntryKind, count, error);
    if (error != 0) {
        Debugging::TraceError(QStringLiteral("fncNumberOfEntries error = 0x") + Hex(error));
        return;
    }
    int32_t handle = 0;
    parser->fncGetFirstEntryHandle(kEntryKind, handle, error);
    if (error != 0) {
        Debugging::TraceError(QStringLiteral("fncGetFirstEntryHandle error = 0x") + Hex(error));
        return;
    }
    // An entry whose name cannot be read is left out and its place taken by
    // the next entry; a failing step to the next entry ends the list with the
    // names read so far.
    auto readName = [&] {
        QString name;
        int32_t nameError = 0;
        parser->fncGetEntryName(handle, name, nameError);
        if (nameError != 0) {
            --count;
            Debugging::TraceError(QStringLiteral("fncGetEntryName error = 0x") + Hex(nameError)
                                  + QStringLiteral(", Handle =") + QString::number(handle));
        } else {
            m_names.append(name);
        }
    };
    if (count > 0)
        readName();
    while (m_names.size() < count) {
        parser->fncGetNextEntryHandle(handle, error);
        if (error != 0) {
            Debugging::TraceError(QStringLiteral("fncGetNextEntryHandle error = 0x") + Hex(error));
            break;
        }
        readName();
    }
}

void clsSequenceWatch::Register(const QString& name, int32_t& handle)
{
    handle = -1;
    int32_t failed = 0;
    m_manager->RegisterItem(name, false, m_viewHandle, handle, 0, 0, failed);
    if (failed != 0) {
        Debugging::TraceRegistrationFailed(name);
        handle = -1;
    }
}

void clsSequenceWatch::BuildWatchList()
{
    ReadSequenceNames();
    const int count = static_cast<int>(m_names.size());
    m_stateHandles.assign(count, -1);
    m_progressHandles.assign(count, -1);
    m_transferHandle = -1;
    if (count < 1)
        return;
    CloseWindow();
    m_window = new frmSequenceWatch();
    m_window->SetRows(count + 1);
    for (int column = 0; column < frmSequenceWatch::kColumns; ++column)
        m_window->SetCellText(0, column, QLatin1String(kHeader[column]));
    for (int i = 0; i < count; ++i) {
        m_window->SetCellText(i + 1, 0, m_names.at(i));
        Register(kStateMarker + m_names.at(i), m_stateHandles[i]);
        Register(kProgressMarker + m_names.at(i), m_progressHandles[i]);
    }
    Register(kTransferItem, m_transferHandle);
    m_window->show();
}

void clsSequenceWatch::NotifyChanged(int32_t lAppletItemHandle, bool, int32_t lStateInfo, int32_t,
                                     int32_t& result)
{
    if (!m_manager) {
        Debugging::TraceInfo(QStringLiteral("privAppletItemManager Is Nothing"));
        result = 1;
        return;
    }
    result = 0;
    if ((lStateInfo & kIgnoredStateBits) != 0 || lAppletItemHandle <= 0)
        return;
    if (lAppletItemHandle == m_transferHandle) {
        ShowTransferStatus();
        return;
    }
    for (int i = 0; i < static_cast<int>(m_names.size()); ++i) {
        if (m_stateHandles[i] == lAppletItemHandle) {
            ShowState(i);
            return;
        }
        if (m_progressHandles[i] == lAppletItemHandle) {
            ShowProgress(i);
            return;
        }
    }
}

QColor clsSequenceWatch::ColourOf(Colour colour) const
{
    switch (colour) {
    case Colour::TableBackground:
        return m_window ? m_window->TableBackground() : QColor();
    case Colour::InfoBackground:
        return m_window ? m_window->palette().color(QPalette::ToolTipBase) : QColor();
    case Colour::ButtonFace:
        return m_window ? m_window->palette().color(QPalette::Button) : QColor();
    case Colour::Red:
        return QColor(255, 0, 0);
    case Colour::Unchanged:
        break;
    }
    return QColor();
}

void clsSequenceWatch::ShowState(int index)
{
    const QString& name = m_names.at(index);
    double value = 0;
    int32_t failed = 0;
    m_manager->fncGetUIntValue(m_stateHandles[index], value, failed);
    if (failed != 0 || !std::isfinite(value)) {
        Debugging::TraceReadFailed(kStateMarker + name);
        return;
    }
    const StateText state = SequenceStateText(static_cast<int32_t>(std::llround(value)));
    const QString text = QLatin1String(state.text);
    Debugging::TraceInfo(QStringLiteral("Sequence <<") + name + QStringLiteral(">> Status is ") + text);
    if (!m_window)
        return;
    m_window->SetCellText(index + 1, 1, text);
    if (state.colour != Colour::Unchanged) {
        const QColor colour = ColourOf(state.colour);
        m_window->SetCellBackground(index + 1, 1, colour);
        m_window->SetCellBackground(index + 1, 2, colour);
    }
}

void clsSequenceWatch::ShowProgress(int index)
{
    int32_t value = 0;
    int32_t failed = 0;
    m_manager->GetIntValue(m_progressHandles[index], value, failed);
    if (failed != 0) {
        Debugging::TraceReadFailed(kProgressMarker + m_names.at(index));
        return;
    }
    if (m_window)
        m_window->SetCellText(index + 1, 2, QString::number(value));
}

void clsSequenceWatch::ShowTransferStatus()
{
    double value = -1;
    int32_t failed = 0;
    m_manager->fncGetUIntValue(m_transferHandle, value, failed);
    const int32_t transfer = failed == 0 && std::isfinite(value) ? static_cast<int32_t>(std::llround(value)) : -1;
    const StateText state = TransferStateText(transfer);
    if (m_window && state.colour != Colour::Unchanged)
        m_window->SetFixedBackground(ColourOf(state.colour));
    Debugging::TraceInfo(QStringLiteral("Transfer Status = ") + QLatin1String(state.text));
}
