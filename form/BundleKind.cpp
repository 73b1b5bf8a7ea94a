#include "form/BundleKind.h"

const std::array<BundleKindInfo, 4>& getBundleKinds()
{
    static const std::array<BundleKindInfo, 4> kinds
    {{
        { BundleKind::app,  "App",  ".app",       "Browse or drop your App",
          "This is not an app",        "Applications",
          ".pkg.app",  " App v",  "Application", "Install the standalone application." },

        { BundleKind::au,   "AU",   ".component", "Browse or drop your AU plugin",
          "This is not an AU plugin",  "Library/Audio/Plug-Ins/Components",
          ".pkg.au",   " AU v",   "AudioUnit",   "Install AudioUnit version." },

        { BundleKind::vst3, "VST3", ".vst3",      "Browse or drop your VST3 plugin",
          "This is not a VST3 plugin", "Library/Audio/Plug-Ins/VST3",
          ".pkg.vst3", " VST3 v", "VST3",        "Install VST3 version." },

        { BundleKind::vst,  "VST",  ".vst",       "Browse or drop your VST plugin",
          "This is not a VST plugin",  "Library/Audio/Plug-Ins/VST",
          ".pkg.vst",  " VST v",  "VST",         "Install VST version." }
    }};

    return kinds;
}

const BundleKindInfo& getBundleKindInfo (BundleKind kind)
{
    return getBundleKinds()[(size_t) kind];
}

const BundleKindInfo* findBundleKindByWord (const juce::String& word)
{
    for (auto& kind : getBundleKinds())
        if (word == kind.word)
            return &kind;

    return nullptr;
}

juce::String getChooserTitle (const BundleKindInfo& kind)
{
    return juce::String ("Choose your ") + kind.word;
}
