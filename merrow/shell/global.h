#pragma once
#include <optional>
// The services every window of the device user interface shares: the main
// window and the device information object, localised texts by the country
// code, localisation of a form from the text ids in its controls' "Tag" and
// "ToolTipText" properties, placeholders, the busy state of the main window,
// the fixed-current check, and window positions in the per-user settings.
#include <QByteArray>
#include <QString>
#include <QVariantList>
#include <cstdint>
#include <memory>

class QPixmap;
class QWidget;
class IDeviceInfo;
class frmMain;

namespace global {

// The application's title: the settings are kept under it.
inline const QString kAppTitle = QStringLiteral("Merrow");
// The product's name, the title of every message box the user sees.
inline const QString kProductTitle = QStringLiteral("Trivex DTM");
inline const QString kSettingsOrganisation = QStringLiteral("Trivex");
inline const QString kSettingsSection = QStringLiteral("Settings");
// The per-user settings file (INI form) the window positions are kept in,
// below the user's configuration folder.
QString SettingsPath();

// The main window while the main view lives; none before and after.
::frmMain* MainWindow();
void SetMainWindow(::frmMain* window);
// The program's device information object, created by the main window's load.
extern std::shared_ptr<IDeviceInfo> gDeviceInfo;

// What pages ask of the main window, so that they never need its class:
// a short confirmation in its status bar (a page's function ending well),
// the measured-values window closed with the flow simulation that opened it,
// and that window's release when it closes. Nothing while there is no main window.
void ShowStatus(const QString& text);
void UnloadFrmMesswerte();
void ReleaseFrmMesswerte();
// The range values of this connection were read ("GetRangeValues" ended
// well); a display window asked for them and the sequence has not ended yet.
extern bool RangeValuesRead;
extern bool RangeValuesRequested;

// The text of the id in the user's language: base of the country code's
// language (English for any code other than 1 and 49) plus the id. A missing
// text is shown in a message box and gives an empty text.
QString LoadLocalizedText(int16_t textId);
// Whether the user's texts are the German ones (the country code's base is
// that of German): numbers are then typed with a decimal comma.
bool GermanTexts();
// Whether the table holds the id (as given, no language base).
bool HasText(int32_t id);
// Qt's own texts (the buttons of message boxes and file dialogs) in the
// language of the country code, beside ours; English needs none.
void UseQtTranslations(int countryCode);
// Captions, texts and tool tips of the form and its children from their text
// ids: each tab of a tab strip from its tab data ("Tag", "ToolTipText"), a
// list's column headers from their header data (Qt::UserRole), and a field
// control's caption ("Caption") from its "Tag".
void LocalizeForm(QWidget& form);
// "%1" ... "%9" replaced by the values, left to right; inserted text is not searched again.
QString FillPlaceholders(const QString& text, const QVariantList& values);
// A number the user typed, in the user's format or with a point; none for a
// text that is no number (applet::UserNumber, by the main window's country code).
std::optional<double> ParseNumber(const QString& text);
// The country code of the user's language (49 German); 0 before the main window.
int UserCountryCode();
// A number as the user reads it: decimals below 0 as many as it needs.
QString FormatNumber(double value, int decimals = -1);
void SetTopMost(QWidget& window, bool onTop);
// A picture of the program by its resource name ("SPLASH_SCREEN_138", "1LOGO", ...);
// a null picture, traced, when there is none.
QPixmap LoadJpegResource(const QString& name);
// Moves the window so that its centre lies on the owner's centre.
void CenterOnOwner(QWidget& window, const QWidget& owner);
// Disables the main window with a busy pointer, or enables it again.
void SetMainWindowEnabled(bool enabled);
// True when selector is 3 and octet 3 has the bit of value 16 (fixed current active).
bool CheckDiagnosisExtension(const QByteArray& octets, int selector);

// Window positions under the form's object name, in twips. A missing or
// unusable width or height keeps the form's designed size; a missing left or
// top reads 0; a page that would lie outside the main window comes back onto it.
void RestoreFormPosition(QWidget& form, bool restoreWidth, bool restoreHeight);
void SaveFormPosition(QWidget& form, bool saveWidth, bool saveHeight);
// The main window's placement under "MainLeft" ... "MainHeight"; a placement
// that lies on no screen comes back to the defaults.
// Returns whether a size was stored (otherwise the window keeps the default size).
bool RestoreMainPosition(QWidget& window);
void SaveMainPosition(QWidget& window);

} // namespace global
