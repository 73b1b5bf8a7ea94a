#pragma once

#include <juce_core/juce_core.h>

#include <vector>

//==============================================================================
/** One component package as the distribution definition refers to it. */
struct DistributionPackage
{
    juce::String packageId;
    juce::String version;
    juce::String packageFileName;
    juce::String choiceTitle;
    juce::String choiceDescription;
};

/** Composes "distribution_pkg.xml": the installer script with the product's
    title, the licence and read-me lines when a resources folder is given, and
    one package reference, outline line and choice per package, in the order
    given. Every line ends with one line feed; inserted values are escaped for
    XML, so ordinary values appear unchanged.
*/
juce::String makeDistributionDefinition (const juce::String& productName,
                                         bool hasResourcesFolder,
                                         const std::vector<DistributionPackage>& packages);
