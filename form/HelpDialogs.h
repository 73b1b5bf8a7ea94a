#pragma once

#include <juce_core/juce_core.h>

/** The fields that have a help text behind their "?" button. */
enum class HelpTopic
{
    appleId,
    appPassword,
    team,
    keychainProfile,
    notarization
};

/** A help dialog's title and text. */
struct HelpEntry
{
    juce::String title;
    juce::String text;
};

/** The fixed title and text of one help topic. */
HelpEntry getHelpEntry (HelpTopic topic);

/** Shows the topic's help in an information dialog and returns at once. */
void showHelp (HelpTopic topic);
