#include "corvane/frame/clsHTMLPrintOut.h"
#include "pioextensions/clsAppItem.h"

void clsHTMLPrintOut::Perform()
{
    Bind(kGenerateHTMLPrintOut)->SetStringValue(QStringLiteral("1"));
}
