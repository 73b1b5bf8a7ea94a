#pragma once

#include <juce_events/juce_events.h>

//==============================================================================
/** Turns SIGTERM (log-out, kill) and SIGHUP (the terminal that started us
    closing) into the application's normal quit, which saves the remembered
    fields, instead of the end of the process on the spot.

    The handler only records the request. A timer on the message thread acts on
    it, so a request that arrives while that thread is busy (a packaging tool
    running through system(), a slow start) is honoured as soon as the message
    loop runs again, and none is dropped. A process started to ignore SIGHUP
    (nohup) goes on ignoring it.
*/
class TerminationSignals  : private juce::Timer
{
public:
    /** Installs the handlers and starts watching for requests. */
    TerminationSignals();
    ~TerminationSignals() override;

private:
    void timerCallback() override;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TerminationSignals)
};
