#pragma once
// The documents the reference frame writes and reads for its DTMs: the user
// information it hands over with Config, and the user messages a DTM asks it
// to show (IFdtDialog) with the answer it gives back.
//
// A user message is an FDT document with one element "UserMessage":
//   <FDT xmlns="x-schema:FDTUserMessageSchema.xml">
//     <UserMessage title="..." text="..." type="information" buttons="okCancel"/>
//   </FDT>
// type: "information", "warning", "error", "question" (none when missing);
// buttons: "ok" (when missing), "okCancel", "abortRetryIgnore", "yesNoCancel",
// "yesNo", "retryCancel". The answer is the same document with a child
// <UserResponse button="..."/> of "UserMessage" naming the button pressed
// ("ok", "cancel", "abort", "retry", "ignore", "yes", "no").
#include "platform/dialogs/DialogTypes.h"
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace frame::FrameDocuments {

inline const QString kUserInformationNamespace = QStringLiteral("x-schema:FDTUserInformationSchema.xml");
inline const QString kUserMessageNamespace = QStringLiteral("x-schema:FDTUserMessageSchema.xml");

// <FDT xmlns="x-schema:FDTUserInformationSchema.xml"><FDTUserInformation
// userLevel="..." oemService="0|1"/></FDT>, with the level escaped.
QString UserInformationDocument(const QString& userLevel, bool oemService);

struct UserMessage {
    QString title;
    QString text;
    dialogs::MessageIcon icon = dialogs::MessageIcon::None;
    dialogs::MessageButtons buttons = dialogs::MessageButtons::Ok;
};

// False with the reason in error for text that is not such a document or
// names an unknown type or button set.
bool ParseUserMessage(const QString& document, UserMessage& message, QString* error = nullptr);

// The answer document; empty when the request does not parse.
QString UserMessageAnswer(const QString& document, dialogs::DialogResult answer);

// "ok", "cancel", ... ; "none" for DialogResult::None.
QString ButtonName(dialogs::DialogResult answer);

inline const QString kInitNamespace = QStringLiteral("x-schema:DTMInitSchema.xml");
inline const QString kDataTypesNamespace = QStringLiteral("x-schema:FDTDataTypesSchema.xml");

// A device type a DTM offers in its DTM information, with the document the
// frame hands to InitNew when the user chooses it:
//   <FDT xmlns="x-schema:DTMInitSchema.xml" xmlns:fdt="x-schema:FDTDataTypesSchema.xml">
//     <fdt:DtmDeviceType .../>   (the element of the DTM information, unchanged)
//   </FDT>
struct DeviceType {
    QString manufacturerId;
    QString deviceTypeId;
    QString name;    // fdt:VersionInformation/@name
    QString vendor;  // fdt:VersionInformation/@vendor
    QString version; // fdt:VersionInformation/@version
    QString initDocument;
};

// The device types of a DTM information document (FDT/DtmInfo/DtmDeviceTypes/
// fdt:DtmDeviceType), in document order. False with the reason in error for
// text that is not such a document or offers no device type.
bool DeviceTypes(const QString& dtmInformation, QList<DeviceType>& types, QString* error = nullptr);

// The device type of a DTM instance as its dataset names it: the attributes
// manufacturerId and deviceTypeId of FDT/fdt:DtmDeviceType. False with the
// reason in error for text that is no FDT document, has no such element or
// leaves an id empty.
bool DatasetDeviceType(const QString& parameters, QString& manufacturerId, QString& deviceTypeId,
                       QString* error = nullptr);

inline const QString kOperationPhaseNamespace = QStringLiteral("x-schema:FDTOperationPhaseSchema.xml");
inline const QString kFunctionsNamespace = QStringLiteral("x-schema:DTMFunctionsSchema.xml");
inline const QString kFunctionCallNamespace = QStringLiteral("x-schema:DTMFunctionCallSchema.xml");
inline const QString kApplicationIdNamespace = QStringLiteral("x-schema:FDTApplicationIdSchema.xml");

// The operation phases a frame works in.
inline const QStringList kOperationPhases{QStringLiteral("engineering"), QStringLiteral("commissioning"),
                                          QStringLiteral("runtime")};

// The operation state handed to GetFunctions:
//   <FDT xmlns="x-schema:FDTOperationPhaseSchema.xml" operationPhase="..."/>
QString OperationStateDocument(const QString& phase);

// The call of one function (InvokeFunctionRequest, StartApplication):
//   <FDT xmlns="x-schema:DTMFunctionCallSchema.xml" xmlns:func="x-schema:DTMFunctionsSchema.xml"
//        xmlns:ops="x-schema:FDTOperationPhaseSchema.xml">
//     <FDTFunctionCall func:functionId="13" ops:operationPhase="..."/>
//   </FDT>
QString FunctionCallDocument(int32_t functionId, const QString& phase);

// A function a DTM offers in its functions document: a "Function" of its own
// or a "StandardFunction" (an FDT application, started by StartApplication).
struct OfferedFunction {
    int32_t functionId = 0;
    bool standard = false;
    QString label;         // Function only
    QString name;          // fdt:name
    QString help;
    bool hasGui = false;   // Function only
    QString applicationId; // StandardFunction only: appId:ApplicationId/@applicationId
    bool hidden = false;
    bool enabled = false;
    bool checked = false;  // running
};

// The functions of a functions document (FDT/Functions/(Function|StandardFunction)),
// in document order. False with the reason in error for text that is not
// such a document or an entry without a numeric functionId.
bool Functions(const QString& document, QList<OfferedFunction>& functions, QString* error = nullptr);

} // namespace frame::FrameDocuments
