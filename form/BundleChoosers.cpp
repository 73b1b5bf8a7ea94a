#include "form/MainComponent.h"

void MainComponent::openPluginFileChooser (juce::String) {}
void MainComponent::openResourcesFileChooser() {}
void MainComponent::bundleChosen (const juce::String&, const juce::File&) {}
void MainComponent::resourcesFolderChosen (const juce::File&) {}
bool MainComponent::isInterestedInFileDrag (const juce::StringArray&) { return true; }
void MainComponent::filesDropped (const juce::StringArray&, int, int) {}
void MainComponent::copyNotarizationCommand() {}
