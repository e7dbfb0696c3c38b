#pragma once
// One module definition of a GSD file: "Module = "name" config bytes" up to
// "EndModule", with the keywords inside it (Ext_Module_Prm_Data_Len,
// Ext_User_Prm_Data_Const(n), Info_Text, ...) and its reference number.
#include "platform/gsd/GsdKeyword.h"
#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace gsd {

struct GsdModule {
    QString name;
    // The module's configuration identifier bytes.
    std::vector<uint8_t> configuration;
    // The bare number that follows the module line; -1 when there is none.
    int64_t reference = -1;
    int line = 0;
    // By upper-case name without blanks.
    std::map<QString, std::shared_ptr<const GsdKeyword>> keywords;

    // The keyword of the module, matched without regard to case; none when absent.
    std::shared_ptr<const GsdKeyword> Keyword(const QString& name) const;
};

} // namespace gsd
