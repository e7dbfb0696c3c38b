#pragma once
// The user command "save the dataset": the applet host's SaveToDatabase (into
// the instance-data store of the project), with "WriteFile" in
// "currentSequence" while it runs.
#include "corvane/frame/DatasetFileView.h"

class clsSaveToFile final : public DatasetFileView {
public:
    static inline const QString kProgId = QStringLiteral("Corvane.clsSaveToFile");

    clsSaveToFile() : DatasetFileView(Command::Save) {}

protected:
    QString Source() const override { return QStringLiteral("clsSaveToFile"); }
};
