#include "form/MainComponent.h"
#include "builder/ChildPath.h"
#include "builder/CommandLine.h"
#include "builder/Messages.h"
#include "platform/TemporaryFolder.h"

//==============================================================================
void MainComponent::createInstaller()
{
    auto chooser = std::make_shared<juce::FileChooser> ("Select a folder to save the installer.",
                                                        juce::File::getSpecialLocation (juce::File::userDesktopDirectory),
                                                        juce::String());

    launchChooser (chooser,
                   juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectDirectories,
                   [] (MainComponent& form, const juce::File& destination) { form.destinationChosen (destination); });
}

//==============================================================================
void MainComponent::destinationChosen (const juce::File& destination)
{
    if (destination.getFullPathName().isEmpty())
    {
        writeDiagnosticLine ("User cancelled the save dialog.");
        return;
    }

    if (! destination.isDirectory())
    {
        writeDiagnosticLine ("Selected target is not a directory.");
        return;
    }

    const auto stagingFolder = getBuildTemporaryDirectory().getChildFile ("createInstallerTemp");
    stagingFolder.deleteRecursively();

    if (! stagingFolder.createDirectory().wasOk())
    {
        writeDiagnosticLine ("Failed to create directory hierarchy: " + stagingFolder.getFullPathName());
        return;
    }

    const auto stagingPath = stagingFolder.getFullPathName();

    for (auto& kind : getBundleKinds())
    {
        // A copy: the build runs tools and queues dialogs, the row must not change under it.
        const auto row = getRow (kind.kind);

        if (row.isSet())
            buildComponentPackage (row.path, stagingPath, row.packageFileName,
                                   kind.installLocation, row.packageId, row.version);
    }

    if (! buildProductPackage (stagingPath, destination.getFullPathName()))
        return;

    const auto packagePath = getChildOf (destination, productNameEditor->getText() + ".pkg").getFullPathName();
    const auto command = makeNotarizationCommand (packagePath, keychainProfileEditor->getText());
    notarizationCommandEditor->setText (command, false);
}
