#pragma once

#include <juce_core/juce_core.h>

#include <array>

//==============================================================================
/** The four kinds of bundle that one product can ship as, in the order in which
    the form shows their rows and the builder packages them.
*/
enum class BundleKind
{
    app,
    au,
    vst3,
    vst
};

/** Everything the form and the builder need to know about one bundle kind. */
struct BundleKindInfo
{
    BundleKind kind;
    const char* word;                   // "App", "AU", ... : row heading and chooser argument
    const char* extension;              // ".app", ".component", ...
    const char* prompt;                 // placeholder of the row's path field
    const char* wrongBundleMessage;     // shown when a chooser picks another kind
    const char* installLocation;        // below the target volume's root
    const char* packageIdSuffix;        // appended to the bundle identifier
    const char* packageNameInfix;       // between the bundle name and the version
    const char* choiceTitle;            // in the distribution definition
    const char* choiceDescription;      // in the distribution definition
};

/** The kind table, in kind order: App, AU, VST3, VST. */
const std::array<BundleKindInfo, 4>& getBundleKinds();

/** The table entry of one kind. */
const BundleKindInfo& getBundleKindInfo (BundleKind kind);

/** The kind named by a kind word ("App", "AU", "VST3", "VST", compared exactly),
    or nullptr for any other text.
*/
const BundleKindInfo* findBundleKindByWord (const juce::String& word);

/** The chooser title of a kind: "Choose your " followed by the kind word. */
juce::String getChooserTitle (const BundleKindInfo& kind);

//==============================================================================
/** What the form keeps for one kind: all five texts empty while no bundle is set. */
struct BundleRow
{
    juce::String path;
    juce::String bundleId;
    juce::String version;
    juce::String packageId;
    juce::String packageFileName;

    bool isSet() const noexcept     { return path.isNotEmpty(); }
};
