#pragma once
// The dataset file of LoadDataset and SaveDatasetAs: the persistent values of
// an applet as text, one element per item:
//   <TrivexDataset xmlns="urn:trivex:dataset:1" device="...">
//     <Value name="ptrbScaleIn0">0</Value> ...
//   </TrivexDataset>
#include <QList>
#include <QPair>
#include <QString>

namespace applet::DatasetFile {

using Values = QList<QPair<QString, QString>>; // item name, value text

bool Write(const QString& path, const QString& device, const Values& values, QString& error);
// False with error (file, line, reason) for a file that is no dataset file.
bool Read(const QString& path, Values& values, QString& error);

} // namespace applet::DatasetFile
