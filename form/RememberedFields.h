#pragma once

#include <juce_data_structures/juce_data_structures.h>

/** Writes the settings file if the store is marked as changed, and clears that
    mark, so that the store never writes the file itself.

    The layout is the framework's XML properties file, but every value is the
    "val" attribute of its VALUE element: the framework's own writer offers each
    value to its XML parser first and stores what parses as an element, so a
    value that looks like markup would come back in the parser's own form, or
    could crash or hang it. The framework's loader reads both forms.

    The file is written as replaceSettingsFile writes it, after an unreadable one
    has been kept (see SettingsFile.h). Fails, with the system's reason, when it
    could not be written: the file at the path is then as it was, or, where an
    unreadable one was kept, under its new name.
*/
juce::Result saveSettingsIfNeeded (juce::PropertiesFile& settings);
