#include "form/RememberedFields.h"
#include "form/MainComponent.h"
#include "app/QuillmereApplication.h"
#include "builder/Messages.h"

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

    /** Every value as text, written and replaced whole as the framework writes its
        file, into the folder that restrictToOwner made.
    */
    bool writeValuesAsText (juce::PropertiesFile& settings)
    {
        const auto file = settings.getFile();

        if (file == juce::File() || file.isDirectory() || ! file.getParentDirectory().isDirectory())
            return false;

        juce::XmlElement document ("PROPERTIES");
        auto& values = settings.getAllProperties();

        for (int i = 0; i < values.size(); ++i)
        {
            auto* element = document.createNewChildElement ("VALUE");
            element->setAttribute ("name", values.getAllKeys()[i]);
            element->setAttribute ("val", values.getAllValues()[i]);
        }

        return document.writeTo (file, {});
    }
}

//==============================================================================
bool saveSettingsIfNeeded (juce::PropertiesFile& settings)
{
    const juce::ScopedLock lock (settings.getLock());

    // A file that is not written is left untouched, its mode included.
    if (! settings.needsToBeSaved())
        return true;

    const auto file = settings.getFile();

    restrictToOwner (file);
    const auto written = writeValuesAsText (settings);
    restrictToOwner (file);

    // Cleared after a failed write too: the store would otherwise try again
    // with its own writer when it is closed.
    settings.setNeedsToBeSaved (false);
    return written;
}

//==============================================================================
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

    settings->setValue ("AppleID", appleIdEditor->getText());
    settings->setValue ("Password", appPasswordEditor->getText());
    settings->setValue ("Team", teamEditor->getText());
    settings->setValue ("KeychainProfile", keychainProfileEditor->getText());

    // The line names the file, never a value: one of them is the password.
    if (! saveSettingsIfNeeded (*settings))
        writeDiagnosticLine ("The remembered fields could not be saved to " + settings->getFile().getFullPathName() + ".");
}
