#pragma once

#include <juce_core/juce_core.h>

/** Reads a bundle's identifier and short version string from its
    "Contents/Info.plist" (XML form).

    Returns true and writes both outputs when both values are found and not
    empty after trimming; otherwise returns false and leaves the outputs as they
    were. A missing or unparsable property list is also reported in an error
    dialog.
*/
bool readBundleInfo (const juce::String& bundlePath, juce::String& bundleId, juce::String& version);
