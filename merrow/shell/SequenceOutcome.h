#pragma once
// How a sequence that a function of the window asked for ended, once it is
// ready again: done; stopped or failed (the applet leaves its control sub-item
// at Stop); or refused by the device in one of its records although the
// record rules let the sequence go on (a command the device does not
// implement is accepted silently, an error the user chose to ignore is passed
// over). Inside a transfer chain that is right for optional commands; a
// function the user started tells every refusal, whatever its code, and
// reports nothing as done that the device did not do.
#include <QString>
#include <cstdint>

namespace applet {
class clsAppletItemManager;
}

struct SequenceOutcome {
    enum class End { Done, Stopped, Refused };
    End end = End::Done;
    int responseCode = 0; // of the refusing record
    QString record;       // the refusing record

    bool Failed() const { return end != End::Done; }
};

namespace sequenceoutcome {

// Judges the sequence's end from its control sub-item and from the last
// response of each of its records (a sequence that ends ready ran every one
// of them); a warning counts as done. Without a manager: stopped.
SequenceOutcome Judge(applet::clsAppletItemManager* manager, const QString& sequence);

// The message of a function that did not end well: what was not done
// (notDone, in the user's language) and, for a refusal, why in words.
QString FailureText(const QString& notDone, const SequenceOutcome& outcome);
// The reason of a refusal in words, and that the function was not carried
// out; empty for an end that is none.
QString RefusalReason(const SequenceOutcome& outcome);

} // namespace sequenceoutcome
