#pragma once
// What the communication server asks the frame's communication object when a
// client disconnects with a request still open: whether a deadline (the
// command's time-out, a stop signal) has ended what the connection was for.
//
// A device that answers within its response time is let finish: the server
// waits for the open answer and the answer to its Session Close, and the
// connection ends in order. Only when a deadline has ended the command does
// the session end at once, its Session Close sent without waiting for a
// device that may stay silent. An object without this interface has no
// deadline.
namespace comm {

class ICommandDeadline {
public:
    virtual ~ICommandDeadline() = default;
    virtual bool DeadlinePassed() const = 0;
};

} // namespace comm
