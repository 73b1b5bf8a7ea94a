#include "form/MainComponent.h"
#include "app/QueuedWindowEvents.h"
#include "builder/Messages.h"

#include <algorithm>

namespace
{
    /** True when something exists at the file's path and it is a folder. */
    bool isExistingFolder (const juce::File& file)
    {
        return file.getFullPathName().isNotEmpty() && file.exists() && file.isDirectory();
    }

    /** The flags of the bundle chooser. A bundle is a folder: the macOS panel shows
        it as one item when packages are not treated as folders, but elsewhere a
        bundle is an ordinary folder, and the dialog can only pick it with folder
        selection switched on.
    */
    int getBundleChooserFlags()
    {
       #if JUCE_MAC
        return juce::FileBrowserComponent::openMode
             | juce::FileBrowserComponent::canSelectFiles;
       #else
        return juce::FileBrowserComponent::openMode
             | juce::FileBrowserComponent::canSelectFiles
             | juce::FileBrowserComponent::canSelectDirectories;
       #endif
    }

    /** A chooser with no starting folder and no filter, using the platform's
        dialog, that shows a bundle as a single item.
    */
    std::shared_ptr<juce::FileChooser> makeChooser (const juce::String& title)
    {
        return std::make_shared<juce::FileChooser> (title,
                                                    juce::File(),
                                                    juce::String(),
                                                    true,
                                                    false,
                                                    nullptr);
    }
}

//==============================================================================
struct MainComponent::OpenChooser
{
    std::shared_ptr<juce::FileChooser> chooser;
};

void MainComponent::launchChooser (std::shared_ptr<juce::FileChooser> chooser, int flags,
                                   std::function<void (MainComponent&, const juce::File&)> answered)
{
    auto open = std::make_shared<OpenChooser> (OpenChooser { chooser });

    openChoosers.erase (std::remove_if (openChoosers.begin(), openChoosers.end(),
                                        [] (const std::weak_ptr<OpenChooser>& entry) { return entry.expired(); }),
                        openChoosers.end());
    openChoosers.push_back (open);

    // The form may be gone by the time the dialog answers: it is only reached
    // through a safe pointer.
    juce::Component::SafePointer<MainComponent> safeForm (this);

    chooser->launchAsync (flags,
                          [safeForm, open, answered] (const juce::FileChooser& done)
                          {
                              if (auto* form = safeForm.getComponent())
                                  answered (*form, done.getResult());

                              // An answer may have run the Create road, with the window
                              // deaf while its tools ran.
                              handOnQueuedWindowEvents();
                          });
}

void MainComponent::releaseOpenChoosers()
{
    // Releasing a chooser frees its callback, and with it the last share of the
    // chooser, whose dialog then closes without calling back.
    for (auto& entry : openChoosers)
        if (auto open = entry.lock())
            open->chooser = nullptr;

    openChoosers.clear();
}

void MainComponent::openPluginFileChooser (juce::String kindWord)
{
    const auto* kind = findBundleKindByWord (kindWord);

    launchChooser (makeChooser (kind != nullptr ? getChooserTitle (*kind) : "Choose your " + kindWord),
                   getBundleChooserFlags(),
                   [kindWord] (MainComponent& form, const juce::File& result) { form.bundleChosen (kindWord, result); });
}

void MainComponent::openResourcesFileChooser()
{
    launchChooser (makeChooser ("Choose recources folder"),
                   juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectDirectories,
                   [] (MainComponent& form, const juce::File& result) { form.resourcesFolderChosen (result); });
}

void MainComponent::bundleChosen (const juce::String& kindWord, const juce::File& result)
{
    if (! isExistingFolder (result))
        return;

    const auto* kind = findBundleKindByWord (kindWord);

    if (kind == nullptr)
        return;

    if (result.getFileExtension() != kind->extension)
    {
        showErrorDialog (kind->wrongBundleMessage);
        return;
    }

    setBundlePath (kind->kind, result.getFullPathName());
}

void MainComponent::resourcesFolderChosen (const juce::File& result)
{
    if (! isExistingFolder (result))
        return;

    setResourcesPath (result.getFullPathName());
}

//==============================================================================
bool MainComponent::isInterestedInFileDrag (const juce::StringArray&)
{
    return true;
}

void MainComponent::filesDropped (const juce::StringArray& files, int, int)
{
    // Our own copy: the setters may show dialogs, and the list must not change under us.
    const auto entries = files;

    for (auto& entry : entries)
    {
        // Only an absolute path can name a folder; anything else a drop may carry
        // (a URL, a relative name) is taken as it is, like a plain file.
        if (juce::File::isAbsolutePath (entry) && isExistingFolder (juce::File (entry)))
        {
            // Name and extension come from the text as dropped.
            const auto name = entry.substring (entry.lastIndexOfChar ('/') + 1);
            const auto dot = name.lastIndexOfChar ('.');
            const auto extension = dot >= 0 ? name.substring (dot) : juce::String();

            if (extension == ".app")                    { setAppPath (entry);  continue; }
            if (name.endsWith (".component"))           { setAuPath (entry);   continue; }
            if (name.endsWith (".vst3"))                { setVst3Path (entry); continue; }
            if (name.endsWith (".vst"))                 { setVstPath (entry);  continue; }
        }

        setResourcesPath (entry);
    }
}

//==============================================================================
void MainComponent::copyNotarizationCommand()
{
    const auto command = notarizationCommandEditor->getText();

    if (command.isEmpty())
        return;

    juce::SystemClipboard::copyTextToClipboard (command);
}
