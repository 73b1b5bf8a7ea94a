#include "platform/TemporaryFolder.h"

juce::File getBuildTemporaryDirectory()
{
    return juce::File::getSpecialLocation (juce::File::tempDirectory);
}
