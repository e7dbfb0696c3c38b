// The documents a function produces: its "Function" element of the function
// list, and the export file of the DTM's parameters and channel data.
#include "fennick/dataset/clsDataBag.h"
#include "fennick/dataset/clsDataManager.h"
#include "fennick/fdt/clsApplicationFunction.h"
#include "fennick/fdt/clsTkDispatcher.h"
#include "fennick/fdt/global.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/XMLHelper.h"
#include "platform/automation/ComError.h"
#include "platform/dialogs/DialogService.h"
#include <exception>

namespace {

const QString kExportTitle = QStringLiteral("Export Data To...");
const QString kExportFilter = QStringLiteral("XML Files (*.xml) | *.xml");
const QString kXmlExtension = QStringLiteral(".xml");

void TraceExportError(int32_t number, const QString& description)
{
    Debugging::TraceError(QStringLiteral("Error Number : ") + QString::number(number)
                          + QStringLiteral("   Error Description : ") + description);
}

} // namespace

xml::XmlNode clsApplicationFunction::BuildFunctionXml(xml::XmlDocument& document)
{
    xml::XmlNode element = document.CreateElement(QStringLiteral("Function"));
    element.SetAttribute(QStringLiteral("label"), m_label);
    element.SetAttribute(QStringLiteral("fdt:name"), m_menuStateItem);
    element.SetAttribute(QStringLiteral("help"), m_help);
    element.SetAttribute(QStringLiteral("hasGUI"), XMLHelper::BoolToXml(m_hasGui));
    element.SetAttribute(QStringLiteral("functionId"), m_functionId);
    const int32_t state = MenuState();
    xml::XmlNode status;
    XMLHelper::CreateStatusElement((state & 1) != 0, (state & 2) != 0, (state & 4) != 0, document, status);
    element.AppendChild(status);
    return element;
}

bool clsApplicationFunction::WriteExportXML()
{
    Debugging::TraceInfo(QStringLiteral("WriteExportXML started........."));
    // The data bag follows the applet's data only once they are saved.
    const bool saved = SaveAppletData(kSaveToDatabase);
    dialogs::FileDialogRequest request;
    request.title = kExportTitle;
    request.filter = kExportFilter;
    const QString fileName = dialogs::DialogService::instance().ChooseSaveFile(request);
    bool written = false;
    std::shared_ptr<clsDataBag> bag;
    if (fileName.isEmpty()) {
        Debugging::TraceInfo(QStringLiteral("WriteExportXML: no file chosen, nothing exported"));
    } else if (!CurrentDataBag(bag)) {
        TraceExportError(automation::E_FAIL_, QStringLiteral("No DTM data to export"));
    } else {
        written = CreateXMLFile(fileName, *bag);
    }
    Debugging::TraceInfo(QStringLiteral("WriteExportXML ended........."));
    return saved && written;
}

bool clsApplicationFunction::CurrentDataBag(std::shared_ptr<clsDataBag>& bag)
{
    // The dataset as it is now, with what the applet has just saved; the bag
    // last exchanged with the frame may be older.
    const auto dtm = global::CurrentDtm();
    const auto data = dtm ? dtm->DataManager() : nullptr;
    return data && data->GetCurrentDataBag(bag);
}

bool clsApplicationFunction::CreateXMLFile(const QString& fileName, const clsDataBag& bag)
{
    try {
        xml::XmlDocument document;
        document.SetValidateOnParse(false);
        document.SetPreserveWhiteSpace(true);
        Debugging::TraceInfo(QStringLiteral("CreateXMLFile started........."));
        document.AppendProcessingInstruction(QStringLiteral("xml"), QStringLiteral("version='1.0'"));
        Debugging::TraceInfo(QStringLiteral("dom object created...."));
        Debugging::TraceInfo(QStringLiteral("creating the DTMExportSchema node"));
        xml::XmlNode root = document.AppendChild(document.CreateElement(QStringLiteral("DTMExportSchema")));
        Debugging::TraceInfo(QStringLiteral("DTMExportSchema node created"));
        Debugging::TraceInfo(QStringLiteral("node appended to root node...."));
        root.AppendChild(document.CreateTextNode(QStringLiteral("\r\n\t")));
        Debugging::TraceInfo(QStringLiteral("Creating the node DTMParameter"));
        xml::XmlNode parameter = root.AppendChild(document.CreateElement(QStringLiteral("DTMParameter")));
        Debugging::TraceInfo(QStringLiteral("Created the node DTMParameter and appended to root"));
        const QString parameterText = bag.DtmParameters();
        parameter.SetText(parameterText);
        Debugging::TraceInfo(QStringLiteral("xmlParameter :  ") + parameterText);
        const int32_t count = bag.ChannelCount();
        if (count > 0) {
            xml::XmlNode channels = root.AppendChild(document.CreateElement(QStringLiteral("ChannelParameterData")));
            xml::XmlNode countNode = channels.AppendChild(document.CreateElement(QStringLiteral("ChannelCount")));
            countNode.SetText(QString::number(count));
            for (int32_t i = 1; i <= count; ++i) {
                const QString channelData = bag.ChannelData(i);
                Debugging::TraceInfo(QStringLiteral("xmlChannelData  :") + channelData);
                xml::XmlNode channel = channels.AppendChild(document.CreateElement(QStringLiteral("ChannelParameter")));
                channel.SetText(channelData);
            }
        }
        const QString path = AddXmlExtension(fileName);
        QString why;
        if (!document.Save(path, &why)) {
            TraceExportError(automation::E_FAIL_, QStringLiteral("Unable to write ") + path + QStringLiteral(": ") + why);
            return false;
        }
        Debugging::TraceInfo(QStringLiteral("CreateXMLFile ended........."));
        return true;
    } catch (const automation::ComError& error) {
        TraceExportError(error.number(), error.description());
    } catch (const std::exception& error) {
        TraceExportError(automation::E_FAIL_, QString::fromLocal8Bit(error.what()));
    }
    return false;
}

QString clsApplicationFunction::AddXmlExtension(const QString& fileName)
{
    return fileName.contains(kXmlExtension, Qt::CaseSensitive) ? fileName : fileName + kXmlExtension;
}
