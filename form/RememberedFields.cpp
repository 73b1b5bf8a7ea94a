#include "form/MainComponent.h"
#include "app/QuillmereApplication.h"

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

    settings->setValue ("AppleID", appleIdEditor->getText());
    settings->setValue ("Password", appPasswordEditor->getText());
    settings->setValue ("Team", teamEditor->getText());
    settings->setValue ("KeychainProfile", keychainProfileEditor->getText());

    // A file that is not written is left untouched, its mode included.
    if (! settings->needsToBeSaved())
        return;

    restrictToOwner (settings->getFile());
    settings->saveIfNeeded();
    restrictToOwner (settings->getFile());
}
