#pragma once

#include <juce_core/juce_core.h>

/** What the fuzz build's showErrorDialog has recorded. */
namespace fuzz_messages
{
    extern int numDialogs;
    extern juce::String lastDialogText;
}
