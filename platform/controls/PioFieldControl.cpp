#include "platform/controls/PioFieldControl.h"
#include "platform/applet/Description.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/ItemValue.h"
#include "platform/applet/UserDate.h"
#include "platform/applet/UserNumber.h"
#include "platform/controls/NumberFieldValidator.h"
#include "platform/dialogs/DialogService.h"
#include "platform/applet/SubItemName.h"
#include "platform/loop/EventLoop.h"
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPointer>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <algorithm>
#include <cmath>
#include <optional>

namespace controls {

namespace {

const QString kMarkStyle = QStringLiteral("color: #0000FF; text-decoration: underline;");

// The enable mask as a list of flags; an entry beyond its end is enabled.
QList<bool> ParseMask(const QString& text)
{
    QList<bool> enabled;
    for (const QString& flag : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        enabled.append(flag.trimmed() != QLatin1String("0"));
    return enabled;
}

// The notice when the dataset took another value than the one typed (a rule
// kept it within what the device accepts), in English and German: %1 the
// value's name, %2 the value typed, %3 the value taken, each with its unit.
constexpr const char* kAdjustedText[2] = {
    "%1: the value %2 lies outside what the device accepts; %3 was taken instead.",
    "%1: Der Wert %2 liegt außerhalb dessen, was das Gerät annimmt; stattdessen wurde %3 übernommen."};

bool IsNumberType(applet::ItemType type)
{
    return type == applet::ItemType::Int || type == applet::ItemType::Unsigned || type == applet::ItemType::Float;
}

bool SameNumber(double a, double b)
{
    return std::fabs(a - b) <= 1e-5 * std::max({1.0, std::fabs(a), std::fabs(b)});
}

} // namespace

PioFieldControl::PioFieldControl(int parts, QWidget* parent)
    : PioDisplayControl(parent),
      m_text(AddBinding()),
      m_label(AddBinding()),
      m_combo(AddBinding()),
      m_mask(AddBinding()),
      m_unit(AddBinding())
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    if (parts & CaptionPart) {
        m_captionLabel = new QLabel(this);
        m_captionLabel->setObjectName(QStringLiteral("caption"));
        layout->addWidget(m_captionLabel, 2);
    }
    if (parts & ValuePart) {
        m_field = new QLineEdit(this);
        m_field->setObjectName(QStringLiteral("value"));
        layout->addWidget(m_field, 2);
        connect(m_field, &QLineEdit::editingFinished, this, &PioFieldControl::Commit);
    }
    if (parts & ListPart) {
        m_list = new QComboBox(this);
        m_list->setObjectName(QStringLiteral("list"));
        // The layout gives the list no less than its longest entry needs.
        m_list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        layout->addWidget(m_list, 2);
        // Every change of the selection writes, also one made by code, as a
        // page expects of the list; filling and showing block the signals.
        connect(m_list, &QComboBox::currentIndexChanged, this, &PioFieldControl::ChooseEntry);
    }
    if (parts & UnitPart) {
        m_unitLabel = new QLabel(this);
        m_unitLabel->setObjectName(QStringLiteral("unit"));
        layout->addWidget(m_unitLabel, 1);
    }
    UpdateEntries();
}

void PioFieldControl::SetObjectNameCombo(const QString& name)
{
    SetBindingName(m_combo, name);
    SetBindingName(m_mask, name.isEmpty() ? QString()
                                          : applet::SubItemName::Compose(applet::SubItemKind::ObjectLimit, name));
}

QString PioFieldControl::Caption() const
{
    return m_captionLabel ? m_captionLabel->text() : QString();
}

void PioFieldControl::SetCaption(const QString& caption)
{
    if (m_captionLabel)
        m_captionLabel->setText(caption);
}

void PioFieldControl::SetCaptionTextId(int id)
{
    m_captionTextId = id;
    ShowItems();
}

void PioFieldControl::SetUnitText(const QString& text)
{
    m_unitText = text;
    ShowItems();
}

void PioFieldControl::SetUnitVisible(bool visible)
{
    m_unitVisible = visible;
    if (m_unitLabel)
        m_unitLabel->setVisible(visible);
}

void PioFieldControl::SetDeviceDate(bool date)
{
    m_deviceDate = date;
    ShowItems();
}

QString PioFieldControl::FieldText(int binding) const
{
    const QString text = DisplayText(binding);
    return m_deviceDate ? applet::UserDate::Shown(text, UserCountryCode()) : text;
}

void PioFieldControl::SetHideMaskedEntries(bool hide)
{
    m_hideMasked = hide;
    ShowItems();
}

QString PioFieldControl::PageCaption() const
{
    const QString caption = m_captionLabel ? CaptionText(m_captionLabel->text()) : QString();
    return caption.isEmpty() ? PioDisplayControl::PageCaption() : caption;
}

QString PioFieldControl::ShownUnit(int binding) const
{
    if (m_unitLabel && m_unitVisible && !m_unitLabel->text().isEmpty())
        return m_unitLabel->text();
    return PioDisplayControl::ShownUnit(binding);
}

int PioFieldControl::ValueBinding() const
{
    return ObjectNameText().isEmpty() ? m_label : m_text;
}

QString PioFieldControl::ShownText() const
{
    if (m_field)
        return m_field->text();
    return m_list ? m_list->currentText() : QString();
}

void PioFieldControl::UpdateEntries()
{
    // A field of a number item takes only what can be a number.
    if (m_field && !ObjectNameText().isEmpty()) {
        const applet::DescObject* object = IsBound(m_text) ? Object(m_text) : nullptr;
        const bool number = object && IsNumberType(object->type);
        const bool blocking = qobject_cast<const NumberFieldValidator*>(m_field->validator()) != nullptr;
        if (number && !m_field->validator())
            m_field->setValidator(new NumberFieldValidator(m_field));
        else if (!number && blocking)
            m_field->setValidator(nullptr);
    }
    if (m_field) {
        const bool shownOnly = ObjectNameText().isEmpty();
        m_field->setReadOnly(shownOnly || !MayWrite(m_text));
        m_field->setEnabled(shownOnly || MayWrite(m_text));
        // A value only shown looks it: it stands on the page's background and
        // takes no caret, as nothing typed there would go anywhere.
        m_field->setFocusPolicy(shownOnly ? Qt::NoFocus : Qt::StrongFocus);
        QPalette palette;
        if (shownOnly) {
            palette = m_field->palette();
            palette.setBrush(QPalette::Base, palette.brush(QPalette::Window));
        }
        m_field->setPalette(palette);
    }
    if (m_list)
        m_list->setEnabled(MayWrite(m_combo));
}

void PioFieldControl::ShowItems()
{
    m_busy = true;
    if (m_captionLabel && m_captionTextId > 0) {
        const QString caption = LookUpText(m_captionTextId, UserCountryCode());
        if (!caption.isEmpty())
            m_captionLabel->setText(caption);
    }
    bool marked = false;
    if (m_field) {
        const int binding = ValueBinding();
        if (HasPendingEdit()) {
            QueuePendingCommit(); // which shows the item again once written
        } else {
            m_field->setText(FieldText(binding));
            m_field->setCursorPosition(0);
        }
        marked = marked || DeviceValueDiffers(binding);
    }
    if (m_list) {
        FillList();
        marked = marked || DeviceValueDiffers(m_combo);
    }
    if (m_unitLabel)
        m_unitLabel->setText(ObjectNameUnit().isEmpty() || !IsBound(m_unit) ? UnitSymbol(m_unitText)
                                                                            : PioDisplayControl::UnitText(m_unit));
    ShowMark(marked);
    m_busy = false;
    // Released, the control shows nothing of an item: nothing to follow (the
    // page may be on its way out).
    if (IsRegistered())
        emit ItemsShown();
}

void PioFieldControl::FillList()
{
    const QSignalBlocker blocker(m_list);
    m_list->clear();
    const applet::DescEnumeration* enumeration = Enumeration(m_combo);
    if (!enumeration)
        return;
    QString maskText;
    const QList<bool> mask = ReadText(m_mask, maskText) ? ParseMask(maskText) : QList<bool>();
    double value = 0;
    const bool known = ReadNumber(m_combo, value);
    const int32_t current = known ? static_cast<int32_t>(std::lround(value)) : 0;
    auto* model = qobject_cast<QStandardItemModel*>(m_list->model());
    for (int i = 0; i < enumeration->entries.size(); ++i) {
        const applet::DescEnumEntry& entry = enumeration->entries[i];
        const bool enabled = i >= mask.size() || mask[i];
        // The item's own value stays in the list, so that it can be shown.
        if (!enabled && m_hideMasked && !(known && entry.value == current))
            continue;
        // A unit item's entries read as the symbols the unit labels show; the
        // entry's value, not its text, is what a choice writes.
        m_list->addItem(UnitSymbol(entry.Text(UserCountryCode())), entry.value);
        if (!enabled && model)
            model->item(m_list->count() - 1)->setEnabled(false);
    }
    m_list->setCurrentIndex(known ? m_list->findData(current) : -1);
    // Whatever entry is chosen, its whole text shows: the list is never
    // narrower than its widest entry needs in the real font.
    int widest = 0;
    for (int i = 0; i < m_list->count(); ++i)
        widest = std::max(widest, m_list->fontMetrics().horizontalAdvance(m_list->itemText(i)));
    QStyleOptionComboBox option;
    option.initFrom(m_list);
    const QSize text(widest, m_list->fontMetrics().height());
    m_list->setMinimumWidth(m_list->style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, m_list).width());
}

void PioFieldControl::ShowMark(bool marked)
{
    m_marked = marked;
    QWidget* target = m_captionLabel ? static_cast<QWidget*>(m_captionLabel)
                      : m_field      ? static_cast<QWidget*>(m_field)
                                     : static_cast<QWidget*>(m_list);
    if (target)
        target->setStyleSheet(marked ? kMarkStyle : QString());
}

bool PioFieldControl::HasPendingEdit() const
{
    return m_field && m_field->isModified() && !ObjectNameText().isEmpty() && IsBound(m_text);
}

void PioFieldControl::CommitPendingEdit()
{
    if (!m_busy && HasPendingEdit())
        Commit();
}

void PioFieldControl::CommitPendingEdits()
{
    const QList<QWidget*> widgets = QApplication::allWidgets();
    QList<QPointer<PioFieldControl>> fields;
    for (QWidget* widget : widgets)
        if (auto* field = qobject_cast<PioFieldControl*>(widget))
            fields.append(field);
    // A write may close a window and its controls with it.
    for (const QPointer<PioFieldControl>& field : fields)
        if (field)
            field->CommitPendingEdit();
}

void PioFieldControl::QueuePendingCommit()
{
    if (m_commitQueued)
        return;
    m_commitQueued = true;
    loop::PostToLoop(
        [this] {
            m_commitQueued = false;
            CommitPendingEdit();
        },
        this);
}

void PioFieldControl::Commit()
{
    if (m_busy || !m_field || ObjectNameText().isEmpty() || !IsBound(m_text))
        return;
    m_field->setModified(false); // taken now, whatever the item makes of it
    const QString entered = m_field->text().trimmed();
    if (entered == FieldText(m_text))
        return;
    // A number field left empty takes nothing: its value comes back.
    const applet::DescObject* object = Object(m_text);
    const bool number = object && IsNumberType(object->type);
    if (number && entered.isEmpty()) {
        ShowItems();
        return;
    }
    m_busy = true;
    QString error;
    const bool written = MayWrite(m_text) && WriteText(m_text, entered, error);
    m_busy = false;
    if (!written) {
        ShowItems(); // the item's value comes back
        ReportRefusedWrite(error.isEmpty() ? RefusalText(m_text, entered, 0) : error);
        return;
    }
    ShowItems();
    // A rule that kept the value within what the device accepts says so.
    double taken = 0;
    const std::optional<double> typed = applet::UserNumber::Parse(entered, UserCountryCode());
    if (number && typed && ReadNumber(m_text, taken) && !SameNumber(*typed, taken)) {
        const QString unit = ShownUnit(m_text);
        const auto withUnit = [&unit](const QString& value) {
            return unit.isEmpty() ? value : QStringLiteral("%1 %2").arg(value, unit);
        };
        const QString notice = InUserLanguage(kAdjustedText).arg(ValueName(m_text), withUnit(entered),
                                                                  withUnit(DisplayText(m_text)));
        applet::AppletTrace::Info(QStringLiteral("%1: %2").arg(objectName(), notice));
        dialogs::DialogService::instance().Information(
            window() && !window()->windowTitle().isEmpty() ? window()->windowTitle() : QStringLiteral("Trivex"), notice);
    }
}

void PioFieldControl::ChooseEntry(int index)
{
    if (m_busy || index < 0 || !IsBound(m_combo))
        return;
    const QVariant data = m_list->itemData(index);
    QString error;
    m_busy = true;
    const bool written = MayWrite(m_combo) && WriteText(m_combo, QString::number(data.toInt()), error);
    m_busy = false;
    if (!written) {
        ShowItems();
        if (!error.isEmpty())
            ReportRefusedWrite(error);
    }
}

} // namespace controls
