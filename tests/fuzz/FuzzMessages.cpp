// Stands in for builder/Messages.cpp in the fuzz build: records the dialogs
// instead of showing them, so the reader runs without a display.

#include "builder/Messages.h"
#include "tests/fuzz/FuzzMessages.h"

namespace fuzz_messages
{
    int numDialogs = 0;
    juce::String lastDialogText;
}

void showErrorDialog (const juce::String& text)
{
    ++fuzz_messages::numDialogs;
    fuzz_messages::lastDialogText = text;
}

void writeDiagnosticLine (const juce::String&)
{
}
