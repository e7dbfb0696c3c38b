#pragma once
// The user command "open a dataset file": the applet host's LoadDataset, with
// "ReadFile" in "currentSequence" while it runs.
#include "corvane/frame/DatasetFileView.h"

class clsLoadFromFile final : public DatasetFileView {
public:
    static inline const QString kProgId = QStringLiteral("Corvane.clsLoadFromFile");

    clsLoadFromFile() : DatasetFileView(Command::Load) {}

protected:
    QString Source() const override { return QStringLiteral("clsLoadFromFile"); }
};
