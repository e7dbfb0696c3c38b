#pragma once
// The user command "save the dataset under a new name": the applet host's
// SaveDatasetAs (a dataset file the user chooses), with "WriteFile" in
// "currentSequence" while it runs.
#include "corvane/frame/DatasetFileView.h"

class clsSaveAsToFile final : public DatasetFileView {
public:
    static inline const QString kProgId = QStringLiteral("Corvane.clsSaveAsToFile");

    clsSaveAsToFile() : DatasetFileView(Command::SaveAs) {}

protected:
    QString Source() const override { return QStringLiteral("clsSaveAsToFile"); }
};
