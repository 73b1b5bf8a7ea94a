#include "form/MainComponent.h"
#include "app/QuillmereApplication.h"
#include "builder/Messages.h"
#include "builder/XmlCheck.h"

#if JUCE_MAC || JUCE_LINUX || JUCE_BSD
 #include <sys/stat.h>
#endif

namespace
{
    /** The user settings of the running application, when it is ours. */
    juce::PropertiesFile* getUserSettings()
    {
        if (auto* app = dynamic_cast<QuillmereApplication*> (juce::JUCEApplication::getInstance()))
            return app->appProperties.getUserSettings();

        return nullptr;
    }

    /** The settings file holds the app password in plain text: keep its folder
        and the file itself to their owner.
    */
    void restrictToOwner (const juce::File& settingsFile)
    {
       #if JUCE_MAC || JUCE_LINUX || JUCE_BSD
        auto folder = settingsFile.getParentDirectory();

        if (! folder.isDirectory())
            folder.createDirectory();

        if (folder.isDirectory())
            chmod (folder.getFullPathName().toRawUTF8(), S_IRWXU);

        if (settingsFile.existsAsFile())
            chmod (settingsFile.getFullPathName().toRawUTF8(), S_IRUSR | S_IWUSR);
       #else
        juce::ignoreUnused (settingsFile);
       #endif
    }

    /** True when the settings store can write the value: it offers every value to
        the framework's XML parser, which some texts would make crash or hang.
    */
    bool canBeStored (const juce::String& value)
    {
        return checkXml (value) != XmlVerdict::unsafe;
    }

    /** Stores a field's text, unless the store cannot write it; then the value
        stored before stays, and the line names the field, never its text (one
        of them is the password).
    */
    void rememberValue (juce::PropertiesFile& settings, const juce::String& key,
                        const juce::String& fieldName, const juce::String& value)
    {
        if (canBeStored (value))
            settings.setValue (key, value);
        else
            writeDiagnosticLine ("The " + fieldName + " was not saved: the settings file cannot hold its text.");
    }

    /** A value that the store cannot write can only have come from a settings file
        edited by hand; it is dropped, so that the other values can be written.
    */
    void dropValuesThatCannotBeStored (juce::PropertiesFile& settings)
    {
        const auto keys = settings.getAllProperties().getAllKeys();

        for (auto& key : keys)
        {
            if (! canBeStored (settings.getValue (key)))
            {
                settings.removeValue (key);
                writeDiagnosticLine ("The stored value of " + key + " was dropped: the settings file cannot hold its text.");
            }
        }
    }
}

void MainComponent::loadRememberedFields()
{
    auto* settings = getUserSettings();

    if (settings == nullptr)
        return;

    appleIdEditor->setText (settings->getValue ("AppleID", {}), false);
    appPasswordEditor->setText (settings->getValue ("Password", {}), false);
    teamEditor->setText (settings->getValue ("Team", {}), false);
    keychainProfileEditor->setText (settings->getValue ("KeychainProfile", {}), false);
}

void MainComponent::saveRememberedFields()
{
    auto* settings = getUserSettings();

    if (settings == nullptr)
        return;

    rememberValue (*settings, "AppleID", "Apple ID", appleIdEditor->getText());
    rememberValue (*settings, "Password", "App Password", appPasswordEditor->getText());
    rememberValue (*settings, "Team", "Team", teamEditor->getText());
    rememberValue (*settings, "KeychainProfile", "Keychain Profile", keychainProfileEditor->getText());

    // A file that is not written is left untouched, its mode included.
    if (! settings->needsToBeSaved())
        return;

    dropValuesThatCannotBeStored (*settings);

    restrictToOwner (settings->getFile());
    settings->saveIfNeeded();
    restrictToOwner (settings->getFile());
}
