#include "builder/ChildPath.h"

juce::File getChildOf (const juce::File& folder, const juce::String& name)
{
    return folder.getChildFile (name.startsWithChar ('~') ? "./" + name : name);
}
