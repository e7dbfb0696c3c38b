#pragma once
// The user command "write the dataset to the device". Only a dataset whose
// compatibility verdict lets it be written goes to the device: the view
// clears the abort request, requests the flow-coefficient calculation (which
// runs inside that write and asks for the abort when it fails) and starts the
// download chain "downloadAi" only when no abort was asked for. A blocked
// write is told to the user under the rule for message boxes.
#include "corvane/frame/DatasetCommandView.h"

class clsSaveToDevice final : public DatasetCommandView {
public:
    static inline const QString kProgId = QStringLiteral("Corvane.clsSaveToDevice");
    static inline const QString kDownloadSequence = QStringLiteral("downloadAi");
    // "The dataset does not fit to the device. Writing to device not possible!"
    static constexpr int32_t kTextBlocked = 1;

    // Whether a verdict of "InCompatibleDataset" lets the dataset be written.
    static bool Writable(int verdict);

protected:
    void Perform() override;
    QString Source() const override { return QStringLiteral("clsSaveToDevice"); }

private:
    void Download();
    void TellBlocked();
};
