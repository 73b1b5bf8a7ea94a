#pragma once

#include <juce_core/juce_core.h>

/** Copies a bundle folder, with everything in it, to a destination path.

    Follows the rules of the framework's file copy: a destination equal to the
    source (letter case ignored) counts as done; the source must exist; whatever
    stands at the destination is deleted first, not recursively, and if it
    cannot be deleted the copy fails. On macOS the platform's file manager does
    the copy; elsewhere the folder is copied here, keeping symbolic links as
    links and file modes. Returns true when the copy succeeded.
*/
bool copyBundle (const juce::File& source, const juce::File& destination);
