#pragma once
// What several parts of the DTM need and none owns: where the installation and
// its description files are, the loading of the two description-file parsers,
// the process's busy window and a few text and collection helpers.
#include "platform/applet/FdtFileParser.h"
#include "platform/applet/TdxFileParser.h"
#include <QString>
#include <concepts>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>

class frmBusy;

namespace Publics {

// The folder the installation root is found from: the program's folder, or
// the one set here (an empty text restores the program's folder).
QString ProgramFolder();
void SetProgramFolder(const QString& folder);

// The program folder cut just before the first "FDT 1.2" (found without regard
// to case, the folder's own case kept), so it ends with the character before
// it, normally "/". Empty text, traced, when the folder has no "FDT 1.2".
QString GetInstallRoot();

// Root + "TDXDESC/", or the empty text, traced, when there is no root.
QString GetTdxDescriptionDir();

// Creates the FDT-file parser by its class identifier and loads the file.
// -1 when loaded; otherwise 0, the failure traced and parser cleared, and
// failure (when given) names the file and says why ("PATH: cause" or
// "PATH(line): cause"), for the user of a run without traces.
int16_t LoadFdtFileParser(std::shared_ptr<applet::FdtFileParser>& parser, const QString& fdtFilePath,
                          QString* failure = nullptr);

// Creates the TDX-file parser by its class identifier and loads the file in the
// user's language (the language code as a number). -1 when loaded and valid;
// otherwise 0, the failure traced and told in failure as for the FDT file. A
// parser that was created but failed to load stays in parser; the caller
// decides by the result.
int16_t LoadTdxFileParser(std::shared_ptr<applet::TdxFileParser>& parser, const QString& tdxFilePath,
                          int32_t kind, QString* failure = nullptr);

// -1 shows the process's one busy window (creating it when there is none);
// any other value removes it.
void ShowBusy(int16_t on);
// The busy window while one exists.
frmBusy* BusyForm();

// Makes the path end in "/": trailing blanks go unless it already ends in "/".
void AddTrailingBackslash(QString& path);

// Removes every character of code 0.
void RemoveNullChars(QString& text);

// Removes the first occurrence of part (case-sensitive); nothing when either
// text is empty or part does not occur.
void CutText(QString& text, const QString& part);

QString EncloseInBraces(const QString& text);

// A data item as ReleaseDataItem sees it.
template <class T>
concept ViewRegistered = requires(T& item) { item.UnregisterView(); };

// Unregisters the item's view and clears the reference (a smart or plain pointer).
template <class Ref>
    requires ViewRegistered<std::remove_reference_t<decltype(*std::declval<Ref&>())>>
void ReleaseDataItem(Ref& item)
{
    if (item) {
        item->UnregisterView();
        item = nullptr;
    }
}

// true when the collection exists and holds at least one item.
template <class Ref>
bool HasItems(const Ref& collection)
{
    if (!collection)
        return false;
    if constexpr (requires { collection->size(); })
        return collection->size() > 0;
    else
        return collection->Count() > 0;
}

} // namespace Publics
