#pragma once
// Doubles of a modular device for the configuration dialog's tests: the FDT
// file's entries as its parser delivers them, an applet host that only hands
// out its item manager, and the applet's description of the module list and
// slot configuration items.
#include "tests/common/NullAppletHost.h"
#include "platform/applet/Description.h"
#include "platform/applet/FdtFileParser.h"
#include "platform/applet/clsAppletItemManager.h"
#include <QStringList>
#include <memory>
#include <vector>

namespace modulartest {

// The FDT file of a modular device, as its parser delivers it: three
// described modules, each with a channel, and the two items of the slot
// configuration, which name the applet items they stand for.
class ModularFdtParser : public applet::FdtFileParser {
public:
    struct Fixed {
        QString name;
        int32_t typeCode;
        QString value;
    };
    struct List {
        QString name;
        QStringList entries;
    };

    ModularFdtParser()
    {
        Module(QStringLiteral("AI_1"), 1, QStringLiteral("Analog input"), 0);
        Module(QStringLiteral("RO_2"), 5, QStringLiteral("Relay output"), 2);
        Module(QStringLiteral("AI_2"), 1, QStringLiteral("Analog input"), 0);
    }
    void Module(const QString& name, int32_t type, const QString& text, int32_t slot)
    {
        fixed.push_back({name + QStringLiteral("_type"), 38, QString::number(type)});
        fixed.push_back({name + QStringLiteral("_name"), 40, text});
        fixed.push_back({name + QStringLiteral("_config"), 41, QStringLiteral("0x10")});
        fixed.push_back({name + QStringLiteral("_slot"), 42, QString::number(slot)});
        fixed.push_back({name + QStringLiteral("_value"), 43, QStringLiteral("0")});
        channels.push_back({name + QStringLiteral("_channel"), {name + QStringLiteral("_value")}});
        modules.push_back({name,
                           {name + QStringLiteral("_type"), name + QStringLiteral("_name"),
                            name + QStringLiteral("_config"), name + QStringLiteral("_slot"),
                            name + QStringLiteral("_channel")}});
    }
    void WithConfigurationItems()
    {
        fixed.push_back({QStringLiteral("moduleList"), 2001, QStringLiteral("ModuleList")});
        fixed.push_back({QStringLiteral("slotConfiguration"), 2002, QStringLiteral("ModuleConfig")});
    }

    void Load(const QString&, QString&) override {}
    void fncGetNumberOfEntries(int32_t kind, int32_t& count) override
    {
        count = kind == applet::kFdtEntryFixedItem ? static_cast<int32_t>(fixed.size())
                : kind == applet::kFdtEntryChannel ? static_cast<int32_t>(channels.size())
                : kind == applet::kFdtEntryModule  ? static_cast<int32_t>(modules.size())
                                                   : 0;
    }
    void fncGetFixedItemEntry(int32_t index, QString& name, applet::FdtFixedItemRecord& record,
                              int32_t& error) override
    {
        const Fixed& entry = fixed.at(index);
        name = entry.name;
        record.typeCode = entry.typeCode;
        record.valueType = 8;
        record.value = entry.value;
        error = 0;
    }
    void fncGetChannelEntry(int32_t index, QString& name, QVariant& names, int32_t& error) override
    {
        name = channels.at(index).name;
        names = QVariant(channels.at(index).entries);
        error = 0;
    }
    void fncGetModuleEntry(int32_t index, QString& name, QVariant& names, int32_t& error) override
    {
        name = modules.at(index).name;
        names = QVariant(modules.at(index).entries);
        error = 0;
    }

    std::vector<Fixed> fixed;
    std::vector<List> channels;
    std::vector<List> modules;
};

// An applet host that only hands out its item manager.
using ManagerHost = NullAppletHost;

inline std::shared_ptr<applet::Description> AppletDescription(int slotCount)
{
    auto description = std::make_shared<applet::Description>();
    applet::DescEnumeration modules;
    modules.name = QStringLiteral("Modules");
    modules.entries = {{1, QStringLiteral("Analog input"), {}}, {5, QStringLiteral("Relay output"), {}},
                       {9, QStringLiteral("Counter"), {}}};
    description->enumerations.append(modules);
    applet::DescObject list;
    list.name = QStringLiteral("ModuleList");
    list.type = applet::ItemType::Enumerated;
    list.size = 8;
    list.enumeration = QStringLiteral("Modules");
    list.defaultText = QStringLiteral("1");
    list.scope = applet::ObjectScope::Applet;
    description->objects.append(list);
    applet::DescObject config;
    config.name = QStringLiteral("ModuleConfig");
    config.type = applet::ItemType::Octets;
    config.size = slotCount;
    config.scope = applet::ObjectScope::Applet;
    description->objects.append(config);
    description->Index();
    return description;
}

} // namespace modulartest
