#pragma once

#include <juce_core/juce_core.h>

/** The folder that holds the staging folder and the payload root.

    On macOS this is the framework's temporary directory, which already belongs
    to the user. Where the temporary directory is shared by every user (/tmp on
    Linux), it is a folder of the user's own inside it, created readable by its
    owner alone, so that nobody else can plant or swap what is being packaged.
*/
juce::File getBuildTemporaryDirectory();
