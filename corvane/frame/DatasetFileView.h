#pragma once
// The three file views: each asks the applet host for one dataset-file
// operation and fences it with a marker in "currentSequence", so that the
// parameter rules (which act only while it is empty) leave alone the many item
// changes a load or save causes. The marker is cleared however the operation
// ends; a load or save that failed is traced and the user is told (the host
// tells of a file it refused itself). A loaded file's values then go through
// the rules for values that enter the dataset, the marker gone.
#include "corvane/frame/DatasetCommandView.h"

class DatasetFileView : public DatasetCommandView {
public:
    enum class Command { Load, Save, SaveAs };

    static inline const QString kCurrentSequence = QStringLiteral("currentSequence");
    // Texts of the library's string table.
    static constexpr int32_t kTextNotLoaded = 1220;
    static constexpr int32_t kTextNotSaved = 1221;

protected:
    explicit DatasetFileView(Command command) : m_command(command) {}
    void Perform() final;

private:
    struct Row;
    static const Row& RowOf(Command command);
    // The operation with the marker standing; loaded: a load succeeded.
    void Run(const Row& row, bool& loaded);
    void Report(const Row& row, const QString& reason) const;

    Command m_command;
};
