#pragma once

#include <juce_data_structures/juce_data_structures.h>

/*  The settings file holds the app password in plain text. These calls handle it
    one layer below the framework, checking every result themselves: the file is
    replaced only by a complete copy of the new one, is never open to other users,
    a file the store could not read is kept rather than written over, and a link
    at the settings path stays a link (the file it leads to is the one replaced).
*/

/** Closes the settings folder and the settings file (the one that a link at its
    path leads to) to other users, where they are open to them. Only the modes
    change: content and times stay.
*/
void restrictSettingsToOwner (const juce::File& settingsFile);

/** Where the store found a file at its path that it could not read, moves that
    file to a free sibling name ("<name>.unreadable", then "<name>.unreadable.1"
    and so on, never over an earlier one), says where in one line on the standard
    error stream, and reloads the store, which then has no file to read.

    Succeeds when nothing is left to keep; fails, with the system's reason,
    when the file could not be moved: it must then not be written over.
*/
juce::Result keepUnreadableSettingsFile (juce::PropertiesFile& settings);

/** Makes the settings folder (owner-only) where it is missing, and replaces the settings file, or the
    file that a link at its path leads to, by one that holds exactly these bytes:
    they go to a new owner-only file beside it, which is flushed to the disk
    (to the drive itself on macOS) and then renamed over it; the folder is then
    flushed too, and where that fails a warning line says so. On any failure
    before the rename the temporary file is removed, the old file stays as it
    was, and the result gives the system's reason.
*/
juce::Result replaceSettingsFile (const juce::File& settingsFile, const juce::MemoryBlock& bytes);
