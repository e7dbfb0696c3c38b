// What the frame needs for a DTM's functions: the operation-state and
// function-call documents it hands over (they fit the FDT schemas), the
// functions document it reads back, its calls of GetFunctions,
// InvokeFunctionRequest, StartApplication and ExitApplication, and the
// answer it gives to a DTM's file-save choice on the user's behalf.
#include "FakeDtm.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "platform/frame/FrameDocuments.h"
#include "platform/frame/FrameFileChoice.h"
#include "platform/frame/ReferenceFrame.h"
#include "platform/loop/EventLoop.h"
#include "platform/xml/SchemaCache.h"
#include "platform/xml/XmlDocument.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

namespace docs = frame::FrameDocuments;

const QString kTag = QStringLiteral("DTM_1");

std::shared_ptr<xml::SchemaCache> Schemas()
{
    auto cache = std::make_shared<xml::SchemaCache>();
    for (const char* file : {"FDTDataTypesSchema.xml", "FDTApplicationIdSchema.xml", "DTMFunctionsSchema.xml",
                             "DTMFunctionCallSchema.xml", "FDTOperationPhaseSchema.xml"})
        cache->Add(QStringLiteral("x-schema:") + file, QStringLiteral(TRIVEX_SCHEMA_DIR "/") + file);
    return cache;
}

// Loads the text validated against the FDT schemas.
bool FitsSchemas(const QString& text, xml::XmlDocument& document, QString& why)
{
    document.SetSchemas(Schemas());
    document.SetValidateOnParse(true);
    const bool ok = document.LoadXml(text);
    why = document.ParseError().reason;
    return ok;
}

TEST(FrameFunctionDocuments, OperationStateAndFunctionCallFitTheirSchemas)
{
    xml::XmlDocument state;
    QString why;
    ASSERT_TRUE(FitsSchemas(docs::OperationStateDocument("runtime"), state, why)) << why.toStdString();
    EXPECT_EQ(state.DocumentElement().NamespaceUri(), docs::kOperationPhaseNamespace);
    EXPECT_EQ(state.DocumentElement().Attribute("operationPhase"), "runtime");
    // The phase is escaped, not markup.
    ASSERT_TRUE(FitsSchemas(docs::OperationStateDocument("a\"<b"), state, why)) << why.toStdString();
    EXPECT_EQ(state.DocumentElement().Attribute("operationPhase"), "a\"<b");

    xml::XmlDocument call;
    ASSERT_TRUE(FitsSchemas(docs::FunctionCallDocument(22, "commissioning"), call, why)) << why.toStdString();
    const xml::XmlNode element = call.SelectSingleNode("//FDT/FDTFunctionCall");
    ASSERT_TRUE(element);
    EXPECT_EQ(element.Attribute("func:functionId"), "22");
    EXPECT_EQ(element.Attribute("ops:operationPhase"), "commissioning");
    ASSERT_TRUE(FitsSchemas(docs::FunctionCallDocument(-4, "engineering"), call, why)) << why.toStdString();
    EXPECT_EQ(call.SelectSingleNode("//FDT/FDTFunctionCall").Attribute("func:functionId"), "-4");
    EXPECT_EQ(docs::kOperationPhases, (QStringList{"engineering", "commissioning", "runtime"}));
}

const QString kFunctions = QStringLiteral(
    "<FDT xmlns=\"x-schema:DTMFunctionsSchema.xml\" xmlns:f=\"x-schema:FDTDataTypesSchema.xml\" "
    "xmlns:a=\"x-schema:FDTApplicationIdSchema.xml\">"
    "<Functions label=\"DTM function set\" f:name=\"DtmFunctions\" help=\"-\">"
    "<Function label=\"Connect\" f:name=\"&amp;&amp;Menu_State&amp;&amp;Connect\" help=\"Connects\" hasGUI=\"0\" "
    "functionId=\"13\"><Status checked=\"0\" enabled=\"1\" hidden=\"0\" separator=\"0\" toggle=\"0\"/></Function>"
    "<Function label=\"Trend\" f:name=\"&amp;&amp;Menu_State&amp;&amp;Trend\" help=\"\" hasGUI=\"1\" "
    "functionId=\"24\"><Status checked=\"1\" enabled=\"0\" hidden=\"1\" separator=\"0\" toggle=\"0\"/></Function>"
    "<StandardFunction f:name=\"fdtDiagnosis\" help=\"No help available\" functionId=\"5\">"
    "<Status checked=\"1\" enabled=\"1\" hidden=\"0\" separator=\"0\" toggle=\"0\"/>"
    "<a:ApplicationId applicationId=\"fdtDiagnosis\"/></StandardFunction>"
    "</Functions></FDT>");

TEST(FrameFunctionDocuments, TheOfferedFunctionsAreReadWhateverThePrefixes)
{
    xml::XmlDocument document;
    QString why;
    ASSERT_TRUE(FitsSchemas(kFunctions, document, why)) << why.toStdString();
    QList<docs::OfferedFunction> functions;
    QString error;
    ASSERT_TRUE(docs::Functions(kFunctions, functions, &error)) << error.toStdString();
    ASSERT_EQ(functions.size(), 3);
    EXPECT_EQ(functions[0].functionId, 13);
    EXPECT_FALSE(functions[0].standard);
    EXPECT_EQ(functions[0].label, "Connect");
    EXPECT_EQ(functions[0].name, "&&Menu_State&&Connect");
    EXPECT_EQ(functions[0].help, "Connects");
    EXPECT_FALSE(functions[0].hasGui);
    EXPECT_TRUE(functions[0].enabled);
    EXPECT_FALSE(functions[0].hidden);
    EXPECT_FALSE(functions[0].checked);
    EXPECT_TRUE(functions[1].hasGui);
    EXPECT_FALSE(functions[1].enabled);
    EXPECT_TRUE(functions[1].hidden);
    EXPECT_TRUE(functions[1].checked);
    EXPECT_EQ(functions[2].functionId, 5);
    EXPECT_TRUE(functions[2].standard);
    EXPECT_EQ(functions[2].name, "fdtDiagnosis");
    EXPECT_EQ(functions[2].applicationId, "fdtDiagnosis");

    // An empty list is a list.
    ASSERT_TRUE(docs::Functions("<FDT xmlns=\"x-schema:DTMFunctionsSchema.xml\"><Functions/></FDT>", functions));
    EXPECT_TRUE(functions.isEmpty());
}

TEST(FrameFunctionDocuments, DocumentsThatAreNoFunctionListsAreRefusedAndChangeNothing)
{
    QList<docs::OfferedFunction> functions{docs::OfferedFunction{}};
    const std::pair<QString, const char*> bad[] = {
        {"", "no XML document"},
        {"<FDT", "no XML document"},
        {"<FDT><Functions/></FDT>", "no FDT functions document"},
        {"<FDT xmlns=\"x-schema:DTMFunctionsSchema.xml\"/>", "no single element Functions"},
        {"<FDT xmlns=\"x-schema:DTMFunctionsSchema.xml\"><Functions><Function functionId=\"x\"/></Functions></FDT>",
         "no numeric functionId"},
        {"<FDT xmlns=\"x-schema:DTMFunctionsSchema.xml\"><Functions><StandardFunction/></Functions></FDT>",
         "no numeric functionId"},
    };
    for (const auto& [text, reason] : bad) {
        QString error;
        EXPECT_FALSE(docs::Functions(text, functions, &error)) << text.toStdString();
        EXPECT_TRUE(error.contains(QLatin1String(reason))) << error.toStdString();
        EXPECT_EQ(functions.size(), 1);
    }
}

class FrameFunctionCalls : public ::testing::Test {
protected:
    FrameFunctionCalls()
    {
        automation::ClassRegistry::instance().Register(frame::ReferenceFrame::kDtmProgId, QString(),
                                                       [] { return std::make_shared<frametest::FakeDtm>(); });
    }
    ~FrameFunctionCalls() override
    {
        automation::ClassRegistry::instance().Unregister(frame::ReferenceFrame::kDtmProgId);
        while (loop::PendingPostedCalls() > 0)
            loop::RunPostedCalls();
    }
    std::shared_ptr<frametest::FakeDtm> Dtm() { return frame.Dtm<frametest::FakeDtm>(kTag); }

    QTemporaryDir dir;
    frame::ReferenceFrame frame{dir.filePath(QStringLiteral("project")), dir.filePath(QStringLiteral("schemas"))};
};

TEST_F(FrameFunctionCalls, TheFrameHandsOverItsDocumentsAndNamesRefusals)
{
    ASSERT_TRUE(frame.CreateDtm(kTag));
    QString functions;
    Dtm()->functions = kFunctions;
    ASSERT_TRUE(frame.GetFunctions(kTag, "runtime", functions));
    EXPECT_EQ(functions, kFunctions);
    EXPECT_EQ(Dtm()->lastDocument, docs::OperationStateDocument("runtime"));
    Dtm()->functions.clear();
    EXPECT_FALSE(frame.GetFunctions(kTag, "runtime", functions));
    EXPECT_EQ(frame.LastError(), "The DTM DTM_1 gave no functions document");

    ASSERT_TRUE(frame.InvokeFunctionRequest(kTag, "inv-1", 22, "commissioning"));
    EXPECT_EQ(Dtm()->lastInvokeId, "inv-1");
    EXPECT_EQ(Dtm()->lastDocument, docs::FunctionCallDocument(22, "commissioning"));
    ASSERT_TRUE(frame.StartApplication(kTag, "app-1", 5, "runtime"));
    EXPECT_EQ(Dtm()->calls.last(), "StartApplication:app-1:DTM_1");
    EXPECT_EQ(Dtm()->lastDocument, docs::FunctionCallDocument(5, "runtime"));
    ASSERT_TRUE(frame.ExitApplication(kTag, "app-1"));
    EXPECT_EQ(Dtm()->calls.last(), "ExitApplication:app-1");

    Dtm()->answer = false;
    EXPECT_FALSE(frame.InvokeFunctionRequest(kTag, "inv-2", 13, "runtime"));
    EXPECT_EQ(frame.LastError(), "The DTM DTM_1 refused to invoke function 13");
    EXPECT_FALSE(frame.StartApplication(kTag, "app-2", 4, "engineering"));
    EXPECT_EQ(frame.LastError(), "The DTM DTM_1 refused to start application 4");
    EXPECT_FALSE(frame.ExitApplication(kTag, "app-2"));
    EXPECT_EQ(frame.LastError(), "The DTM DTM_1 refused to exit app-2");
    EXPECT_FALSE(frame.GetFunctions("OTHER", "runtime", functions));
    EXPECT_EQ(frame.LastError(), "No DTM with the system tag OTHER");
}

TEST(FrameFileChoice, AnswersSaveChoicesAndPassesEveryOtherDialogOn)
{
    dialogs::ScriptedDialogService user;
    user.SetFailureHandler([](const QString& error) { ADD_FAILURE() << error.toStdString(); });
    dialogs::ScopedDialogService scope(user);
    user.AnswerMessage(dialogs::DialogResult::Yes);
    user.AnswerOpenFile("/in.xml");
    {
        frame::FrameFileChoice choice("/out/export.xml");
        EXPECT_EQ(&dialogs::DialogService::instance(), &choice);
        dialogs::FileDialogRequest request;
        request.title = "Export Data To...";
        EXPECT_EQ(dialogs::DialogService::instance().ChooseSaveFile(request), "/out/export.xml");
        EXPECT_EQ(choice.Answered(), QStringList{"Export Data To..."});
        EXPECT_TRUE(dialogs::DialogService::instance().AskYesNo("t", "Save?"));
        EXPECT_EQ(dialogs::DialogService::instance().ChooseOpenFile({}), "/in.xml");
    }
    EXPECT_EQ(&dialogs::DialogService::instance(), &user);
    EXPECT_EQ(user.Requests().size(), 2u); // the save choice never reached the user
    EXPECT_EQ(user.PendingAnswers(), 0);
}

} // namespace
