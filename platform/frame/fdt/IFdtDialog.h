#pragma once
// The frame shows a user dialog for a DTM and returns the user's answer.
#include <QString>

namespace fdt {

class IFdtDialog {
public:
    virtual ~IFdtDialog() = default;

    // userDialog: a user-message document; the result is the answer document.
    // A document the frame cannot show raises automation::ComError.
    virtual QString UserDialog(const QString& systemTag, const QString& userDialog) = 0;
};

} // namespace fdt
