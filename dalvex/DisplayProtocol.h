#pragma once
// The display protocol: how a display setting control re-binds any display
// control (the digital display, a bar graph, a plotter, ...) by name, late
// bound. A property is put by name: a writable property of that name, else a
// method "Set<name>" or "<name>" taking the value. The indexed form for
// multi-channel displays passes the channel number first. Names are compared
// without regard to case. A display ignores what it does not know: a member
// it lacks is skipped (traced as information), a member that raises is
// traced as an error; neither stops the caller.
//
// Register hands the display the item manager and the item controls of the
// user level and the country code: by name "Register(manager, userLevelItem,
// countryCodeItem)" (manager as std::shared_ptr<applet::clsAppletItemManager>,
// the two item controls as QObject*); a display without that method but with
// the item protocol (Register(manager)) or a platform display control
// (Register(manager, userLevel, countryCode)) is registered through those.
#include <QString>
#include <QVariant>
#include <memory>

class QObject;

namespace applet {
class clsAppletItemManager;
}

namespace dalvex::DisplayProtocol {

// The protocol's members.
inline constexpr const char* kUnRegister = "UnRegister";
inline constexpr const char* kRegister = "Register";
inline constexpr const char* kObjectNameMin = "ObjectNameMin";
inline constexpr const char* kObjectNameMax = "ObjectNameMax";
inline constexpr const char* kObjectNameLoLim = "ObjectNameLoLim";
inline constexpr const char* kObjectNameHiLim = "ObjectNameHiLim";
inline constexpr const char* kObjectNameLoLoLim = "ObjectNameLoLoLim";
inline constexpr const char* kObjectNameHiHiLim = "ObjectNameHiHiLim";
inline constexpr const char* kLargeStep = "LargeStep";
inline constexpr const char* kSmallStep = "SmallStep";
inline constexpr const char* kObjectNameUnit = "ObjectNameUnit";
inline constexpr const char* kObjectNameValue = "ObjectNameValue";
inline constexpr const char* kMaxDigits = "MaxDigits";
inline constexpr const char* kDecimalPlaces = "DecimalPlaces";
inline constexpr const char* kObjectCaption = "objectcaption";

// The control-array index of a selector: the dynamic property "Index" of the
// combo box (a whole number); none when the selector is no element of an array.
inline constexpr const char* kControlArrayIndex = "Index";

// Calls member on display with args; true when it ran.
bool Call(QObject* display, const char* member, const QVariantList& args, const QString& context);
// Puts the plain property; true when the display took it.
bool Put(QObject* display, const char* property, const QVariant& value, const QString& context);
// Puts the indexed property of channel; true when the display took it.
bool PutIndexed(QObject* display, const char* property, int channel, const QVariant& value,
                const QString& context);
// Registers the display; true when it was registered.
bool Register(QObject* display, const std::shared_ptr<applet::clsAppletItemManager>& manager,
              QObject* userLevelItem, QObject* countryCodeItem, const QString& context);

} // namespace dalvex::DisplayProtocol
