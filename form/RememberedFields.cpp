#include "form/RememberedFields.h"
#include "form/MainComponent.h"
#include "form/SettingsFile.h"
#include "app/QuillmereApplication.h"
#include "builder/Messages.h"

namespace
{
    /** The user settings of the running application, when it is ours. */
    juce::PropertiesFile* getUserSettings()
    {
        if (auto* app = dynamic_cast<QuillmereApplication*> (juce::JUCEApplication::getInstance()))
            return app->appProperties.getUserSettings();

        return nullptr;
    }

    /** The file as the framework writes it, but with every value as text. */
    juce::MemoryBlock makeSettingsText (juce::PropertiesFile& settings)
    {
        juce::XmlElement document ("PROPERTIES");
        auto& values = settings.getAllProperties();

        for (int i = 0; i < values.size(); ++i)
        {
            auto* element = document.createNewChildElement ("VALUE");
            element->setAttribute ("name", values.getAllKeys()[i]);
            element->setAttribute ("val", values.getAllValues()[i]);
        }

        juce::MemoryOutputStream text;
        document.writeTo (text, {});
        return text.getMemoryBlock();
    }
}

//==============================================================================
juce::Result saveSettingsIfNeeded (juce::PropertiesFile& settings)
{
    const juce::ScopedLock lock (settings.getLock());

    if (! settings.needsToBeSaved())
        return juce::Result::ok();

    // Cleared after a failed write too: the store would otherwise try again
    // with its own writer when it is closed.
    settings.setNeedsToBeSaved (false);

    if (settings.getFile() == juce::File())
        return juce::Result::fail ("No file was given to the settings store");

    const auto kept = keepUnreadableSettingsFile (settings);

    if (kept.failed())
        return kept;

    return replaceSettingsFile (settings.getFile(), makeSettingsText (settings));
}

//==============================================================================
void MainComponent::loadRememberedFields()
{
    auto* settings = getUserSettings();

    if (settings == nullptr)
        return;

    // Also in a run that changes nothing: what earlier builds left open is
    // closed, and a file the store could not read is kept before any write.
    restrictSettingsToOwner (settings->getFile());
    keepUnreadableSettingsFile (*settings);

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

    // The line names the file and the reason, never a value: one of them is the password.
    const auto saved = saveSettingsIfNeeded (*settings);

    if (saved.failed())
        writeDiagnosticLine ("The remembered fields could not be saved to " + settings->getFile().getFullPathName()
                               + ": " + saved.getErrorMessage() + ".");
}
