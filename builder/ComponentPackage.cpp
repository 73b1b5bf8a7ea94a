#include "form/MainComponent.h"
#include "builder/ChildPath.h"
#include "builder/CommandLine.h"
#include "builder/Messages.h"
#include "platform/FolderCopy.h"
#include "platform/TemporaryFolder.h"

#include <cstdlib>

#include <dirent.h>
#include <sys/stat.h>

namespace
{
    /** Gives the owner full access to every folder at or below the given path, so
        that a bundle whose folders are read-only can be removed with the rest.
        Links are never followed.
    */
    void openFoldersToOwner (const std::string& path, int depth = 0)
    {
        struct stat info;

        if (depth > 256 || ::lstat (path.c_str(), &info) != 0 || ! S_ISDIR (info.st_mode))
            return;

        if ((info.st_mode & S_IRWXU) != S_IRWXU)
            ::chmod (path.c_str(), (info.st_mode & 07777) | S_IRWXU);

        if (auto* folder = ::opendir (path.c_str()))
        {
            while (auto* entry = ::readdir (folder))
            {
                const std::string name (entry->d_name);

                if (name != "." && name != "..")
                    openFoldersToOwner (path + "/" + name, depth + 1);
            }

            ::closedir (folder);
        }
    }

    /** Removes the payload root with everything in it; true when it is gone. */
    bool removePayloadRoot (const juce::File& payloadRoot)
    {
        openFoldersToOwner (payloadRoot.getFullPathName().toStdString());
        return payloadRoot.deleteRecursively();
    }
}

void MainComponent::buildComponentPackage (juce::String bundlePath,
                                           juce::String stagingPath,
                                           juce::String packageFileName,
                                           juce::String installLocation,
                                           juce::String packageId,
                                           juce::String version)
{
    const auto componentPackage = getChildOf (juce::File (stagingPath), packageFileName);

    // The name is made from the bundle's own version string: one holding a slash
    // (say "1.0/../../x") would send pkgbuild's output out of the staging folder.
    if (componentPackage.getParentDirectory() != juce::File (stagingPath))
    {
        writeDiagnosticLine ("Failed to create installer package.");
        return;
    }

    // The payload root mirrors the target volume: the bundle lies at its install location.
    const auto payloadRoot = getBuildTemporaryDirectory().getChildFile ("createPkgTemp");
    removePayloadRoot (payloadRoot);

    const auto installFolder = payloadRoot.getChildFile (installLocation);
    const auto bundle = juce::File (bundlePath);
    const auto stagedBundle = getChildOf (installFolder, bundle.getFileName());

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

    if (! removePayloadRoot (payloadRoot))
        writeDiagnosticLine ("Warning: Failed to clean up temporary directory.");

    if (status != 0)
        writeDiagnosticLine ("Failed to create installer package.");
    else
        writeDiagnosticLine ("Installer created successfully: " + componentPackage.getFullPathName());
}
