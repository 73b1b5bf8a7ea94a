#include "builder/Messages.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <iostream>

void showErrorDialog (const juce::String& text)
{
    juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::WarningIcon, "Error", text);
}

void writeDiagnosticLine (const juce::String& line)
{
    std::cerr << line.toStdString() << std::endl;
}
