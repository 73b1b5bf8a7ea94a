#pragma once

#include <juce_core/juce_core.h>

/** Shows the asynchronous error dialog: warning icon, title "Error", the text
    and the single default button. Returns at once.
*/
void showErrorDialog (const juce::String& text);

/** Writes one line to the standard error stream, followed by a newline, and flushes it. */
void writeDiagnosticLine (const juce::String& line);
