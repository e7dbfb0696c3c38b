// Costs of the dataset, each at 1x, 4x and 16x the variables of the full
// Trivex dataset (every value of the applet saved into it, then copies of
// them under other names): the frame's GetParameters, the save
// (WriteProperties) and the load of a stored instance (a new DTM object's
// ReadProperties and Environment up to RUNNING, as a frame opens a saved
// instance in a new process). Each must grow linearly with the dataset.
#include "fennick/dataset/clsDataManager.h"
#include "fennick/fdt/FennickClasses.h"
#include "fennick/fdt/clsTkDispatcher.h"
#include "fennick/fdt/global.h"
#include "fennick/services/DataTypes.h"
#include "fennick/services/Deployment.h"
#include "fennick/services/Publics.h"
#include "fennick/services/XMLHelper.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/PropertyBag.h"
#include "platform/frame/ReferenceFrame.h"
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

const QString kTag = QStringLiteral("DTM_1");
const QString kSchemaDir = QStringLiteral(TRIVEX_SCHEMA_DIR);
const QString kHartBus = QStringLiteral("036D1498-387B-11D4-86E1-00E0987270B9");

const QString kDeviceType = QStringLiteral(
    "<FDT xmlns=\"x-schema:DTMInitSchema.xml\" xmlns:fdt=\"x-schema:FDTDataTypesSchema.xml\">"
    "<fdt:DtmDeviceType manufacturerId=\"99\" deviceTypeId=\"137\" classificationId=\"flow\">"
    "<fdt:VersionInformation name=\"Trivex HART\" vendor=\"Korvel Automation\"/>"
    "<fdt:BusCategories><fdt:BusCategory busCategory=\"036D1498-387B-11D4-86E1-00E0987270B9\"/></fdt:BusCategories>"
    "</fdt:DtmDeviceType></FDT>");

// A project with the Trivex device type registered and one configured
// instance whose applet has saved all its values into the dataset.
class Project {
public:
    Project()
    {
        Publics::SetProgramFolder(QStringLiteral(TRIVEX_BIN_DIR));
        const QString catalogue = m_dir.filePath(QStringLiteral("catalogue"));
        QDir().mkpath(catalogue);
        Deployment::SetCatalogueFolder(catalogue);
        fennick::RegisterClasses();
        XMLHelper::LoadSchemaCache(kSchemaDir);
        const QString descriptions = Publics::GetTdxDescriptionDir() + QStringLiteral("COM_HART/_0063/_0_0089/");
        Deployment::DeviceInfo info;
        info.name = QStringLiteral("Trivex HART");
        info.vendor = QStringLiteral("Korvel Automation");
        info.busCategory = kHartBus;
        info.manufacturerId = QStringLiteral("99");
        info.deviceTypeId = QStringLiteral("137");
        // Only the catalogue entry matters here, not the component categories.
        Deployment::RegisterDtm(info, QStringLiteral("flow"), QStringLiteral("2024-05-15"),
                                descriptions + QStringLiteral("Trivex.tdx"), descriptions + QStringLiteral("Trivex.fdt"),
                                QString());
        NewFrame();
        if (!frame->CreateDtm(kTag) || !frame->InitNewInstance(kTag, kDeviceType)
            || !frame->Configure(kTag, QStringLiteral("maintenance"))) {
            m_error = frame->LastError();
            return;
        }
        int32_t result = -1;
        global::AppletHost()->SaveToDatabase(0, result);
        if (result != 0)
            m_error = QStringLiteral("the applet did not save its values");
    }
    ~Project()
    {
        frame.reset();
        if (auto& host = global::AppletHost()) {
            const std::shared_ptr<applet::AppletHost> destroying = host;
            int32_t result = 0;
            destroying->DestroyApplet(host, result);
        }
        global::FdtFileParser().reset();
        global::LastDataBag().reset();
        XMLHelper::ReleaseSchemaCache();
        Deployment::SetCatalogueFolder(QString());
    }

    void NewFrame()
    {
        frame.reset();
        frame = std::make_unique<frame::ReferenceFrame>(m_dir.filePath(QStringLiteral("project")), kSchemaDir);
    }
    std::shared_ptr<clsTkDispatcher> Dtm() const { return frame->Dtm<clsTkDispatcher>(kTag); }
    const QString& Error() const { return m_error; }

    std::unique_ptr<frame::ReferenceFrame> frame;

private:
    QTemporaryDir m_dir;
    QString m_error;
};

// The dataset grown to factor times its variables: each variable gets
// factor-1 copies of its value under names of its own.
bool Grow(Project& project, int factor)
{
    const auto data = project.Dtm()->DataManager();
    QList<QPair<QString, QString>> variables;
    for (const xml::XmlNode& variable : data->DataCache()->SelectNodes(QStringLiteral("//fdt:DtmVariable"))) {
        const QString name = variable.Attribute(QStringLiteral("name"));
        QString value;
        data->XML_FdtVariable_Read(name, value);
        variables.append({name, value});
    }
    for (int copy = 1; copy < factor; ++copy)
        for (const auto& [name, value] : variables)
            if (!data->XML_FdtVariable_Write(name + QStringLiteral("#copy%1").arg(copy), value))
                return false;
    return true;
}

int64_t VariableCount(Project& project)
{
    return project.Dtm()->DataManager()->DataCache()->SelectNodes(QStringLiteral("//fdt:DtmVariable")).size();
}

// A project of the full dataset grown by the benchmark's factor; false (the
// benchmark skipped) when it could not be built.
bool Prepare(benchmark::State& state, Project& project)
{
    if (project.Error().isEmpty() && !Grow(project, static_cast<int>(state.range(0))))
        state.SkipWithError("the dataset did not grow");
    else if (!project.Error().isEmpty())
        state.SkipWithError(project.Error().toStdString().c_str());
    else
        return true;
    return false;
}

void BM_GetParameters(benchmark::State& state)
{
    Project project;
    if (!Prepare(state, project))
        return;
    const auto dtm = project.Dtm();
    const qsizetype size = dtm->GetParameters(QStringLiteral("FDT")).size();
    for (auto _ : state) {
        const QString parameters = dtm->GetParameters(QStringLiteral("FDT"));
        benchmark::DoNotOptimize(parameters.constData());
    }
    state.counters["characters"] = static_cast<double>(size);
    state.counters["variables"] = static_cast<double>(VariableCount(project));
    state.SetComplexityN(VariableCount(project));
}
BENCHMARK(BM_GetParameters)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

void BM_Save(benchmark::State& state)
{
    Project project;
    if (!Prepare(state, project))
        return;
    const auto dtm = project.Dtm();
    for (auto _ : state) {
        automation::PropertyBag bag;
        dtm->WriteProperties(bag);
        benchmark::DoNotOptimize(bag);
    }
    state.counters["variables"] = static_cast<double>(VariableCount(project));
    state.SetComplexityN(VariableCount(project));
}
BENCHMARK(BM_Save)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

void BM_Load(benchmark::State& state)
{
    Project project;
    if (!Prepare(state, project))
        return;
    const int64_t variables = VariableCount(project);
    automation::PropertyBag bag;
    project.Dtm()->WriteProperties(bag);
    for (auto _ : state) {
        // A new DTM object, as in a new process: the previous one goes with its frame.
        state.PauseTiming();
        project.NewFrame();
        if (!project.frame->CreateDtm(kTag)) {
            state.SkipWithError("no new DTM object");
            break;
        }
        const auto dtm = project.Dtm();
        state.ResumeTiming();
        dtm->ReadProperties(bag);
        if (!dtm->Environment(kTag, project.frame->Container(kTag)) || dtm->GetDtmStatus() != DtmStatus::Running) {
            state.SkipWithError("the stored instance did not reach RUNNING");
            break;
        }
    }
    state.counters["variables"] = static_cast<double>(variables);
    state.SetComplexityN(variables);
}
BENCHMARK(BM_Load)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The measurement, not the trace, is what this program reports.
    DataTypes::SetTraceSink([](const QString&) {});
    applet::AppletTrace::SetSink([](applet::AppletTrace::Level, const QString&) {});
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
