#pragma once
// The user command "print preview": asks the report factory for the print-out
// by writing "generateHTMLPrintOut" 1; the factory builds the page and opens
// the print viewer before the write returns. The view does its whole job when
// the applet host hands it the item manager, then closes itself.
#include "corvane/frame/DatasetCommandView.h"

class clsHTMLPrintOut : public DatasetCommandView {
public:
    static inline const QString kProgId = QStringLiteral("Corvane.clsHTMLPrintOut");
    static inline const QString kGenerateHTMLPrintOut = QStringLiteral("generateHTMLPrintOut");

protected:
    void Perform() override;
    QString Source() const override { return QStringLiteral("clsHTMLPrintOut"); }
};
