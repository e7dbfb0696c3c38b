#pragma once
// Doubles of the sequence tests: a small device description with two
// sequences (and, when asked, the transfer-completed item) and an applet host
// on it whose sequence starts answer what the test says; the test plays the
// applet by writing the sequence and connection items itself.
#include "tests/common/NullAppletHost.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/applet/clsTdxFileParser.h"
#include "platform/automation/ClassRegistry.h"
#include "tests/common/ItemAccess.h"
#include "tests/common/TdxTestDescription.h"
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace sequencetest {

// The transfer item is written in the applet's own spelling.
inline QByteArray Description(bool withTransferItem, const QString& transferType = QStringLiteral("unsigned"))
{
    QByteArray text = tdxtest::DeviceDescription("Sequence test device", R"(  <Objects>
    <Object name="&amp;&amp;private&amp;&amp;connect" type="unsigned" size="8" scope="applet"/>
    <Object name="Tag" type="packedAscii" size="6" text="Tag"/>
    @TRANSFER@
  </Objects>
  <Records>
)" + tdxtest::kReadTagRecord + tdxtest::kWriteTagRecord + R"(  </Records>
  <Sequences>
)" + tdxtest::kTagTransferSequences + R"(  </Sequences>
)");
    const QByteArray transfer =
        withTransferItem ? QStringLiteral("<Object name=\"XXXTransferCompletedXXX\" type=\"%1\" size=\"8\" "
                                          "default=\"1\" scope=\"applet\"/>")
                               .arg(transferType)
                               .toUtf8()
                         : QByteArray();
    text.replace("@TRANSFER@", transfer);
    return text;
}

class SequenceHost : public automation::ComObject,
                     public NullAppletHost,
                     public std::enable_shared_from_this<SequenceHost> {
public:
    static std::shared_ptr<SequenceHost> Make(const QTemporaryDir& dir, bool withTransferItem,
                                              const QString& transferType = QStringLiteral("unsigned"))
    {
        const QString path = dir.filePath(QStringLiteral("Sequences.tdx"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(Description(withTransferItem, transferType));
        file.close();
        auto parser = std::make_shared<applet::clsTdxFileParser>();
        QString error;
        int32_t status = -1;
        parser->Load(applet::kTdxKindDevice, path, 1, error, status);
        EXPECT_EQ(status, 0) << error.toStdString();
        auto host = std::make_shared<SequenceHost>();
        host->manager = std::make_shared<applet::clsAppletItemManager>(parser->GetDescription(), parser, host);
        return host;
    }

    int32_t Handle(const QString& name) const { return manager->HandleOf(name); }
    double Value(const QString& name) const { return itemaccess::Number(*manager, name); }
    // A write as the applet makes it: every registered view hears of it.
    void Write(const QString& name, double value) { itemaccess::PutNumber(*manager, name, value); }
    // The phases of a sequence, one state after the other.
    void Run(const QString& sequence, std::initializer_list<double> states)
    {
        for (double state : states)
            Write(QStringLiteral("&&Sequence_State&&") + sequence, state);
    }

    void StartSequence(const QString& name, int32_t& result) override { Start(QStringLiteral("Start"), name, result); }
    void ForceSequence(const QString& name, int32_t& result) override { Start(QStringLiteral("Force"), name, result); }

    void fncSetCServer(const std::shared_ptr<applet::CServerRequestClass>&, int32_t& code) override { code = 1; }

    // "Start Upload", "Force Download", ...
    QStringList calls;
    // Answers of the next starts, in order; 0 once they are used up.
    std::deque<int32_t> startResults;
    // Runs inside each start, after the answer was chosen.
    std::function<void()> onStart;

private:
    void Start(const QString& how, const QString& name, int32_t& result)
    {
        calls << how + QLatin1Char(' ') + name;
        result = 0;
        if (!startResults.empty()) {
            result = startResults.front();
            startResults.pop_front();
        }
        if (onStart)
            onStart();
    }
};

} // namespace sequencetest
