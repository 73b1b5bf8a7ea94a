#pragma once

#include <juce_core/juce_core.h>

/** The item of the given name inside the folder.

    The framework's child-path call reads a name that begins with "~" as a path
    from a home folder; here such a name is a plain child of the folder. Names
    holding "/" or ".." are resolved as the framework resolves them.
*/
juce::File getChildOf (const juce::File& folder, const juce::String& name);
