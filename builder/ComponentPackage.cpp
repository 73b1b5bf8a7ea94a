#include "form/MainComponent.h"
#include "builder/CommandLine.h"
#include "builder/Messages.h"
#include "platform/FolderCopy.h"
#include "platform/TemporaryFolder.h"

#include <cstdlib>

void MainComponent::buildComponentPackage (juce::String bundlePath,
                                           juce::String stagingPath,
                                           juce::String packageFileName,
                                           juce::String installLocation,
                                           juce::String packageId,
                                           juce::String version)
{
    const auto componentPackage = juce::File (stagingPath).getChildFile (packageFileName);

    // The payload root mirrors the target volume: the bundle lies at its install location.
    const auto payloadRoot = getBuildTemporaryDirectory().getChildFile ("createPkgTemp");
    payloadRoot.deleteRecursively();

    const auto installFolder = payloadRoot.getChildFile (installLocation);
    const auto bundle = juce::File (bundlePath);
    const auto stagedBundle = installFolder.getChildFile (bundle.getFileName());

    if (! installFolder.createDirectory().wasOk())
    {
        showErrorDialog ("Failed to create directory hierarchy in temporary directory: "
                         + installFolder.getFullPathName());
        return;
    }

    if (! copyBundle (bundle, stagedBundle))
    {
        showErrorDialog ("Failed to copy application to temporary directory.");
        return;
    }

    const auto command = makePkgbuildCommand (payloadRoot.getFullPathName(), packageId, version,
                                              teamEditor->getText(), componentPackage.getFullPathName());
    const auto status = std::system (command.toRawUTF8());

    if (! payloadRoot.deleteRecursively())
        writeDiagnosticLine ("Warning: Failed to clean up temporary directory.");

    if (status != 0)
        writeDiagnosticLine ("Failed to create installer package.");
    else
        writeDiagnosticLine ("Installer created successfully: " + componentPackage.getFullPathName());
}
