#include "builder/DistributionDefinition.h"
#include "builder/CommandLine.h"

juce::String makeDistributionDefinition (const juce::String& productName,
                                         bool hasResourcesFolder,
                                         const std::vector<DistributionPackage>& packages)
{
    juce::String text;

    auto addLine = [&text] (int indent, const juce::String& line)
    {
        text << juce::String::repeatedString (" ", indent) << line << "\n";
    };

    const auto title = escapeForXml (productName);

    addLine (0, "<?xml version=\"1.0\" encoding=\"utf-8\"?>");
    addLine (4, "<installer-gui-script minSpecVersion=\"1\">");
    addLine (4, "<title>" + title + "</title>");

    if (hasResourcesFolder)
    {
        addLine (4, "<license file=\"license.rtf\" mime-type=\"text/rtf\"/>");
        addLine (4, "<readme file=\"readme.rtf\" mime-type=\"text/rtf\"/>");
    }

    for (auto& package : packages)
        addLine (4, "<pkg-ref id=\"" + escapeForXml (package.packageId) + "\"/>");

    addLine (4, "<options customize=\"always\" require-scripts=\"false\" hostArchitectures=\"x86_64,arm64\"/>");
    addLine (4, "<choices-outline>");
    addLine (8, "<line choice=\"default\" customize=\"always\">");

    for (auto& package : packages)
        addLine (12, "<line choice=\"" + escapeForXml (package.packageId) + "\"/>");

    addLine (8, "</line>");
    addLine (4, "</choices-outline>");
    addLine (4, "<choice id=\"default\" title=\"" + title + "\" description=\"Install " + title + ".\"/>");

    for (auto& package : packages)
    {
        const auto id = escapeForXml (package.packageId);

        addLine (4, "<choice id=\"" + id + "\" title=\"" + escapeForXml (package.choiceTitle)
                      + "\" description=\"" + escapeForXml (package.choiceDescription) + "\" visible=\"true\">");
        addLine (8, "<pkg-ref id=\"" + id + "\"/>");
        addLine (4, "</choice>");
        addLine (4, "<pkg-ref id=\"" + id + "\" version=\"" + escapeForXml (package.version)
                      + "\" onConclusion=\"none\">" + escapeForXml (package.packageFileName) + "</pkg-ref>");
    }

    addLine (0, "</installer-gui-script>");
    return text;
}
