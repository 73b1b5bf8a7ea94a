#include "platform/FolderCopy.h"

bool copyBundle (const juce::File& source, const juce::File& destination)
{
    return source.copyFileTo (destination);
}
