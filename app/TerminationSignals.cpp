#include "app/TerminationSignals.h"

#include <csignal>
#include <signal.h>

namespace
{
    volatile std::sig_atomic_t quitRequested = 0;

    void recordQuitRequest (int)
    {
        quitRequested = 1;
    }

    void installHandler (int signalNumber)
    {
        struct sigaction action {};
        action.sa_handler = recordQuitRequest;
        action.sa_flags = SA_RESTART;
        sigemptyset (&action.sa_mask);
        sigaction (signalNumber, &action, nullptr);
    }

    /** Often enough that a quit feels immediate, seldom enough to cost nothing. */
    constexpr int checkIntervalMs = 100;
}

//==============================================================================
TerminationSignals::TerminationSignals()
{
    installHandler (SIGTERM);

    // Started to outlive its terminal (nohup), it goes on doing so.
    struct sigaction hangUp {};

    if (sigaction (SIGHUP, nullptr, &hangUp) == 0 && hangUp.sa_handler != SIG_IGN)
        installHandler (SIGHUP);

    startTimer (checkIntervalMs);
}

// The handlers stay: a request that comes after the message loop has ended
// finds the quit already under way, and must not cut the saving short.
TerminationSignals::~TerminationSignals() = default;

void TerminationSignals::timerCallback()
{
    if (quitRequested == 0)
        return;

    quitRequested = 0;

    if (auto* app = juce::JUCEApplicationBase::getInstance())
        app->systemRequestedQuit();
}
