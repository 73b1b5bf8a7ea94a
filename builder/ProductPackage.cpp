#include "form/MainComponent.h"
#include "builder/ChildPath.h"
#include "builder/CommandLine.h"
#include "builder/DistributionDefinition.h"
#include "builder/Messages.h"

#include <cstdlib>

bool MainComponent::buildProductPackage (juce::String stagingPath, juce::String destinationPath)
{
    const auto productName = productNameEditor->getText();

    std::vector<DistributionPackage> packages;

    for (auto& kind : getBundleKinds())
    {
        const auto& row = getRow (kind.kind);

        if (row.isSet())
            packages.push_back ({ row.packageId, row.version, row.packageFileName,
                                  kind.choiceTitle, kind.choiceDescription });
    }

    const auto definition = makeDistributionDefinition (productName, resourcesPath.isNotEmpty(), packages);
    const auto distributionFile = juce::File (stagingPath).getChildFile ("distribution_pkg.xml");

    {
        juce::FileOutputStream stream (distributionFile, 32768);

        if (stream.openedOk())
        {
            // A definition that survived the staging folder's removal is replaced, never appended to.
            stream.setPosition (0);
            stream.truncate();
            stream.write (definition.toRawUTF8(), definition.getNumBytesAsUTF8());
        }
    }

    const auto packagePath = getChildOf (juce::File (destinationPath), productName + ".pkg").getFullPathName();
    const auto command = makeProductbuildCommand (distributionFile.getFullPathName(), resourcesPath, stagingPath,
                                                  teamEditor->getText(), packagePath);
    const auto status = std::system (command.toRawUTF8());

    if (status != 0)
    {
        showErrorDialog ("Failed to create product package. (result code = " + juce::String (status) + ")");
        return false;
    }

    return true;
}
