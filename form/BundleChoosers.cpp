#include "form/MainComponent.h"
#include "builder/Messages.h"

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
void MainComponent::openPluginFileChooser (juce::String kindWord)
{
    const auto* kind = findBundleKindByWord (kindWord);
    auto chooser = makeChooser (kind != nullptr ? getChooserTitle (*kind) : "Choose your " + kindWord);

    // The closure keeps the chooser alive until the dialog has answered; the form
    // may be gone by then, so it is only reached through a safe pointer.
    juce::Component::SafePointer<MainComponent> safeForm (this);

    chooser->launchAsync (getBundleChooserFlags(),
                          [safeForm, kindWord, chooser] (const juce::FileChooser&)
                          {
                              if (auto* form = safeForm.getComponent())
                                  form->bundleChosen (kindWord, chooser->getResult());
                          });
}

void MainComponent::openResourcesFileChooser()
{
    auto chooser = makeChooser ("Choose recources folder");
    juce::Component::SafePointer<MainComponent> safeForm (this);

    chooser->launchAsync (juce::FileBrowserComponent::openMode
                            | juce::FileBrowserComponent::canSelectDirectories,
                          [safeForm, chooser] (const juce::FileChooser&)
                          {
                              if (auto* form = safeForm.getComponent())
                                  form->resourcesFolderChosen (chooser->getResult());
                          });
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
