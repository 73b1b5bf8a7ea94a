#include "form/MainComponent.h"
#include "builder/BundleInfo.h"

void MainComponent::setAppPath (const juce::String& path)     { setBundlePath (BundleKind::app, path); }
void MainComponent::setAuPath (const juce::String& path)      { setBundlePath (BundleKind::au, path); }
void MainComponent::setVst3Path (const juce::String& path)    { setBundlePath (BundleKind::vst3, path); }
void MainComponent::setVstPath (const juce::String& path)     { setBundlePath (BundleKind::vst, path); }

void MainComponent::setBundlePath (BundleKind kind, const juce::String& newPath)
{
    // The caller's text may be one of our own fields: take a copy before touching the row.
    const auto path = newPath;
    auto& row = getRow (kind);
    const auto& info = getBundleKindInfo (kind);

    auto clearRow = [&]
    {
        row = {};
        getPathEditor (kind).setText ({}, false);
        getBundleIdValueLabel (kind).setText ("n/a", juce::dontSendNotification);
        getVersionValueLabel (kind).setText ("n/a", juce::dontSendNotification);
    };

    if (path.isEmpty() || ! readBundleInfo (path, row.bundleId, row.version))
    {
        clearRow();
        updateCreateButton();
        return;
    }

    row.path = path;
    getPathEditor (kind).setText (row.path, false);
    getBundleIdValueLabel (kind).setText (row.bundleId, juce::dontSendNotification);
    getVersionValueLabel (kind).setText (row.version, juce::dontSendNotification);

    row.packageId = row.bundleId + info.packageIdSuffix;
    row.packageFileName = juce::File (row.path).getFileNameWithoutExtension()
                            + info.packageNameInfix + row.version + ".pkg";

    updateCreateButton();
}

void MainComponent::setResourcesPath (const juce::String& newPath)
{
    resourcesPath = newPath;
    resourcesPathEditor->setText (resourcesPath, false);
}
