#include "platform/applet/DatasetFile.h"
#include "platform/xml/XmlDocument.h"

namespace applet::DatasetFile {

namespace {
const QString kNamespace = QStringLiteral("urn:trivex:dataset:1");
}

bool Write(const QString& path, const QString& device, const Values& values, QString& error)
{
    xml::XmlDocument document;
    document.AppendProcessingInstruction(QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"UTF-8\""));
    xml::XmlNode root = document.AppendChild(document.CreateElement(QStringLiteral("TrivexDataset")));
    root.SetAttribute(QStringLiteral("xmlns"), kNamespace);
    root.SetAttribute(QStringLiteral("device"), device);
    for (const auto& [name, value] : values) {
        xml::XmlNode element = root.AppendChild(document.CreateElement(QStringLiteral("Value")));
        element.SetAttribute(QStringLiteral("name"), name);
        element.SetText(value);
    }
    QString why;
    if (!document.Save(path, &why)) {
        error = QStringLiteral("%1: %2").arg(path, why);
        return false;
    }
    return true;
}

bool Read(const QString& path, Values& values, QString& error)
{
    xml::XmlDocument document;
    document.SetValidateOnParse(false);
    if (!document.Load(path)) {
        error = QStringLiteral("%1(%2): %3").arg(path).arg(document.ParseError().line).arg(document.ParseError().reason.trimmed());
        return false;
    }
    const xml::XmlNode root = document.DocumentElement();
    if (root.LocalName() != QLatin1String("TrivexDataset") || root.NamespaceUri() != kNamespace) {
        error = QStringLiteral("%1(%2): not a dataset file").arg(path).arg(root.Line());
        return false;
    }
    Values read;
    for (const xml::XmlNode& element : root.ChildElements()) {
        if (element.LocalName() != QLatin1String("Value") || !element.HasAttribute(QStringLiteral("name"))) {
            error = QStringLiteral("%1(%2): unexpected element %3").arg(path).arg(element.Line()).arg(element.Name());
            return false;
        }
        read.append({element.Attribute(QStringLiteral("name")), element.Text()});
    }
    values = read;
    return true;
}

} // namespace applet::DatasetFile
