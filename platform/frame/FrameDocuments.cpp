#include "platform/frame/FrameDocuments.h"
#include "platform/automation/ComError.h"
#include "platform/xml/XmlDocument.h"
#include <algorithm>
#include <iterator>

namespace frame::FrameDocuments {

namespace {

struct IconName {
    const char* name;
    dialogs::MessageIcon icon;
};
constexpr IconName kIcons[] = {
    {"information", dialogs::MessageIcon::Information},
    {"warning", dialogs::MessageIcon::Warning},
    {"error", dialogs::MessageIcon::Critical},
    {"question", dialogs::MessageIcon::Question},
};

struct ButtonsName {
    const char* name;
    dialogs::MessageButtons buttons;
};
constexpr ButtonsName kButtons[] = {
    {"ok", dialogs::MessageButtons::Ok},
    {"okCancel", dialogs::MessageButtons::OkCancel},
    {"abortRetryIgnore", dialogs::MessageButtons::AbortRetryIgnore},
    {"yesNoCancel", dialogs::MessageButtons::YesNoCancel},
    {"yesNo", dialogs::MessageButtons::YesNo},
    {"retryCancel", dialogs::MessageButtons::RetryCancel},
};

struct AnswerName {
    dialogs::DialogResult answer;
    const char* name;
};
constexpr AnswerName kAnswers[] = {
    {dialogs::DialogResult::None, "none"},   {dialogs::DialogResult::Ok, "ok"},
    {dialogs::DialogResult::Cancel, "cancel"}, {dialogs::DialogResult::Abort, "abort"},
    {dialogs::DialogResult::Retry, "retry"}, {dialogs::DialogResult::Ignore, "ignore"},
    {dialogs::DialogResult::Yes, "yes"},     {dialogs::DialogResult::No, "no"},
};

const QString kMessageXPath = QStringLiteral("/FDT/UserMessage");

// The document and its "UserMessage" element, or false with the reason.
bool LoadMessage(const QString& text, xml::XmlDocument& document, xml::XmlNode& element, QString* error)
{
    auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (!document.LoadXml(text))
        return fail(QStringLiteral("The user message is not an XML document: %1").arg(document.ParseError().reason));
    try {
        element = document.SelectSingleNode(kMessageXPath);
    } catch (const automation::ComError& e) {
        return fail(e.description());
    }
    if (!element)
        return fail(QStringLiteral("The user message has no element FDT/UserMessage"));
    return true;
}

} // namespace

QString UserInformationDocument(const QString& userLevel, bool oemService)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<FDT xmlns=\"%1\"><FDTUserInformation "
                          "userLevel=\"%2\" oemService=\"%3\"/></FDT>")
        .arg(kUserInformationNamespace, userLevel.toHtmlEscaped(),
             oemService ? QStringLiteral("1") : QStringLiteral("0"));
}

bool ParseUserMessage(const QString& text, UserMessage& message, QString* error)
{
    xml::XmlDocument document;
    xml::XmlNode element;
    if (!LoadMessage(text, document, element, error))
        return false;
    UserMessage parsed;
    parsed.title = element.Attribute(QStringLiteral("title"));
    parsed.text = element.Attribute(QStringLiteral("text"));
    if (element.HasAttribute(QStringLiteral("type"))) {
        const QString type = element.Attribute(QStringLiteral("type"));
        const auto it = std::find_if(std::begin(kIcons), std::end(kIcons),
                                     [&](const IconName& entry) { return type == QLatin1String(entry.name); });
        if (it == std::end(kIcons)) {
            if (error)
                *error = QStringLiteral("Unknown user message type '%1'").arg(type);
            return false;
        }
        parsed.icon = it->icon;
    }
    if (element.HasAttribute(QStringLiteral("buttons"))) {
        const QString buttons = element.Attribute(QStringLiteral("buttons"));
        const auto it = std::find_if(std::begin(kButtons), std::end(kButtons),
                                     [&](const ButtonsName& entry) { return buttons == QLatin1String(entry.name); });
        if (it == std::end(kButtons)) {
            if (error)
                *error = QStringLiteral("Unknown user message buttons '%1'").arg(buttons);
            return false;
        }
        parsed.buttons = it->buttons;
    }
    message = parsed;
    return true;
}

QString UserMessageAnswer(const QString& text, dialogs::DialogResult answer)
{
    xml::XmlDocument document;
    xml::XmlNode element;
    if (!LoadMessage(text, document, element, nullptr))
        return QString();
    for (const xml::XmlNode& old : element.ChildElements())
        if (old.LocalName() == QLatin1String("UserResponse"))
            element.RemoveChild(old);
    xml::XmlNode response = element.AppendChild(document.CreateElement(QStringLiteral("UserResponse")));
    response.SetAttribute(QStringLiteral("button"), ButtonName(answer));
    return document.Xml();
}

QString ButtonName(dialogs::DialogResult answer)
{
    for (const AnswerName& entry : kAnswers)
        if (entry.answer == answer)
            return QLatin1String(entry.name);
    return QStringLiteral("none");
}

namespace {

// The child elements of the element with that local name.
QList<xml::XmlNode> ChildrenNamed(const xml::XmlNode& parent, const QString& localName)
{
    QList<xml::XmlNode> found;
    for (const xml::XmlNode& child : parent.ChildElements())
        if (child.LocalName() == localName)
            found.append(child);
    return found;
}

// Text that must be an FDT document: false with the reason, naming it as
// `what`, when it is no XML or its root is no "FDT".
bool LoadFdtDocument(const QString& text, const QString& what, xml::XmlDocument& document, QString* error)
{
    QString reason;
    if (!document.LoadXml(text))
        reason = QStringLiteral("%1 is no XML document: %2").arg(what, document.ParseError().reason);
    else if (document.DocumentElement().LocalName() != QLatin1String("FDT"))
        reason = QStringLiteral("%1 is no FDT document").arg(what);
    if (error && !reason.isEmpty())
        *error = reason;
    return reason.isEmpty();
}

} // namespace

bool DeviceTypes(const QString& dtmInformation, QList<DeviceType>& types, QString* error)
{
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    xml::XmlDocument document;
    if (!LoadFdtDocument(dtmInformation, QStringLiteral("The DTM information"), document, error))
        return false;
    const xml::XmlNode root = document.DocumentElement();
    QList<DeviceType> found;
    for (const xml::XmlNode& info : ChildrenNamed(root, QStringLiteral("DtmInfo")))
        for (const xml::XmlNode& list : ChildrenNamed(info, QStringLiteral("DtmDeviceTypes")))
            for (const xml::XmlNode& element : ChildrenNamed(list, QStringLiteral("DtmDeviceType"))) {
                if (element.NamespaceUri() != kDataTypesNamespace)
                    continue;
                DeviceType type;
                type.manufacturerId = element.Attribute(QStringLiteral("manufacturerId"));
                type.deviceTypeId = element.Attribute(QStringLiteral("deviceTypeId"));
                const QList<xml::XmlNode> versions = ChildrenNamed(element, QStringLiteral("VersionInformation"));
                if (!versions.isEmpty()) {
                    type.name = versions.first().Attribute(QStringLiteral("name"));
                    type.vendor = versions.first().Attribute(QStringLiteral("vendor"));
                    type.version = versions.first().Attribute(QStringLiteral("version"));
                }
                xml::XmlDocument init;
                const QString text = QStringLiteral("<FDT xmlns=\"%1\" xmlns:fdt=\"%2\">%3</FDT>")
                                         .arg(kInitNamespace, kDataTypesNamespace, element.Xml());
                // The element must stand on its own under the new root.
                if (!init.LoadXml(text))
                    return fail(QStringLiteral("A device type of the DTM information cannot be handed over: ")
                                + init.ParseError().reason);
                type.initDocument = init.DocumentElement().Xml();
                found.append(type);
            }
    if (found.isEmpty())
        return fail(QStringLiteral("The DTM information offers no device type"));
    types = found;
    return true;
}

bool DatasetDeviceType(const QString& parameters, QString& manufacturerId, QString& deviceTypeId, QString* error)
{
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    xml::XmlDocument document;
    if (!LoadFdtDocument(parameters, QStringLiteral("The dataset"), document, error))
        return false;
    for (const xml::XmlNode& element : ChildrenNamed(document.DocumentElement(), QStringLiteral("DtmDeviceType"))) {
        if (element.NamespaceUri() != kDataTypesNamespace)
            continue;
        const QString manufacturer = element.Attribute(QStringLiteral("manufacturerId")).trimmed();
        const QString type = element.Attribute(QStringLiteral("deviceTypeId")).trimmed();
        if (manufacturer.isEmpty() || type.isEmpty())
            return fail(QStringLiteral("The dataset's device type lacks its manufacturerId or deviceTypeId"));
        manufacturerId = manufacturer;
        deviceTypeId = type;
        return true;
    }
    return fail(QStringLiteral("The dataset names no device type (FDT/fdt:DtmDeviceType)"));
}

QString OperationStateDocument(const QString& phase)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<FDT xmlns=\"%1\" operationPhase=\"%2\"/>")
        .arg(kOperationPhaseNamespace, phase.toHtmlEscaped());
}

QString FunctionCallDocument(int32_t functionId, const QString& phase)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<FDT xmlns=\"%1\" xmlns:func=\"%2\" "
                          "xmlns:ops=\"%3\"><FDTFunctionCall func:functionId=\"%4\" ops:operationPhase=\"%5\"/></FDT>")
        .arg(kFunctionCallNamespace, kFunctionsNamespace, kOperationPhaseNamespace)
        .arg(functionId)
        .arg(phase.toHtmlEscaped());
}

bool Functions(const QString& document, QList<OfferedFunction>& functions, QString* error)
{
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    xml::XmlDocument parsed;
    if (!parsed.LoadXml(document))
        return fail(QStringLiteral("The functions document is no XML document: ") + parsed.ParseError().reason);
    const xml::XmlNode root = parsed.DocumentElement();
    if (root.LocalName() != QLatin1String("FDT") || root.NamespaceUri() != kFunctionsNamespace)
        return fail(QStringLiteral("The functions document is no FDT functions document"));
    const QList<xml::XmlNode> lists = ChildrenNamed(root, QStringLiteral("Functions"));
    if (lists.size() != 1)
        return fail(QStringLiteral("The functions document holds no single element Functions"));
    // fdt:name is read through its namespace, whatever prefix the DTM chose.
    auto fdtName = [](const xml::XmlNode& element) {
        for (const auto& [name, value] : element.Attributes()) {
            const xml::XmlNode attribute = element.AttributeNode(name);
            if (attribute.LocalName() == QLatin1String("name") && attribute.NamespaceUri() == kDataTypesNamespace)
                return value;
        }
        return QString();
    };
    QList<OfferedFunction> found;
    for (const xml::XmlNode& element : lists.first().ChildElements()) {
        const QString kind = element.LocalName();
        if (kind != QLatin1String("Function") && kind != QLatin1String("StandardFunction"))
            continue;
        OfferedFunction function;
        function.standard = kind == QLatin1String("StandardFunction");
        bool numeric = false;
        function.functionId = element.Attribute(QStringLiteral("functionId")).toInt(&numeric);
        if (!numeric)
            return fail(QStringLiteral("A %1 of the functions document has no numeric functionId").arg(kind));
        function.label = element.Attribute(QStringLiteral("label"));
        function.name = fdtName(element);
        function.help = element.Attribute(QStringLiteral("help"));
        function.hasGui = element.Attribute(QStringLiteral("hasGUI")) == QLatin1String("1");
        const QList<xml::XmlNode> status = ChildrenNamed(element, QStringLiteral("Status"));
        if (!status.isEmpty()) {
            function.hidden = status.first().Attribute(QStringLiteral("hidden")) == QLatin1String("1");
            function.enabled = status.first().Attribute(QStringLiteral("enabled")) == QLatin1String("1");
            function.checked = status.first().Attribute(QStringLiteral("checked")) == QLatin1String("1");
        }
        for (const xml::XmlNode& application : ChildrenNamed(element, QStringLiteral("ApplicationId")))
            if (application.NamespaceUri() == kApplicationIdNamespace)
                function.applicationId = application.Attribute(QStringLiteral("applicationId"));
        found.append(function);
    }
    functions = found;
    return true;
}

} // namespace frame::FrameDocuments
