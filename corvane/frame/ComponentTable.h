#pragma once
// The frame's components in their fixed order: the order of creation and of
// every Register and UnRegister fan-out. Each row is a key (the name other
// components find it by) and how to create it.
#include "corvane/frame/IStartAlwaysComp.h"
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace corvane {

struct ComponentEntry {
    QString key;
    std::function<std::shared_ptr<IStartAlwaysComp>()> create;
};

const std::vector<ComponentEntry>& ComponentTable();

// Receivers of the end of an upload, in the order they are told: component
// keys, and kHostFormReceiver for the host form (the multivariable rules).
const std::vector<QString>& UploadCompletedReceivers();

// Receivers of values that entered the dataset, in the order they are told:
// the pressure rules' copies come before the analog inputs' copies of them.
const std::vector<QString>& ValuesEnteredReceivers();

inline const QString kHostFormReceiver = QStringLiteral("frmRecordItemHandler");

inline const QString kUploadDownloadMgrKey = QStringLiteral("clsUploadDownloadMgr");

} // namespace corvane
