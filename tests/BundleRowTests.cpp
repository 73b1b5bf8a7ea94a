// The four bundle rows: what a setter makes of a bundle on disk, what the row's
// widgets show, and how a refused bundle empties its row.

#include "FormProbe.h"

using namespace testing_helpers;

namespace
{
    const BundleKind allKinds[] { BundleKind::app, BundleKind::au, BundleKind::vst3, BundleKind::vst };

    void callSetter (MainComponent& form, BundleKind kind, const juce::String& path)
    {
        switch (kind)
        {
            case BundleKind::app:   form.setAppPath (path);  break;
            case BundleKind::au:    form.setAuPath (path);   break;
            case BundleKind::vst3:  form.setVst3Path (path); break;
            case BundleKind::vst:   form.setVstPath (path);  break;
        }
    }

    class BundleRows  : public ::testing::Test
    {
    protected:
        void TearDown() override    { closeAllDialogs(); }

        /** Checks that a row is unset and that its widgets say so. */
        void expectRowUnset (BundleKind kind)
        {
            const auto& row = probe.row (kind);
            EXPECT_TRUE (row.path.isEmpty());
            EXPECT_TRUE (row.bundleId.isEmpty());
            EXPECT_TRUE (row.version.isEmpty());
            EXPECT_TRUE (row.packageId.isEmpty());
            EXPECT_TRUE (row.packageFileName.isEmpty());
            EXPECT_EQ (probe.pathEditor (kind).getText(), juce::String());
            EXPECT_EQ (probe.bundleIdValueLabel (kind).getText(), "n/a");
            EXPECT_EQ (probe.versionValueLabel (kind).getText(), "n/a");
        }

        /** The texts of the error dialogs on screen, oldest first, one a line. */
        juce::String errorTexts()
        {
            return errorDialogTexts().joinIntoString ("\n");
        }

        ScratchFolder scratch;
        MainComponent form;
        FormProbe probe { form };
    };
}

//==============================================================================
TEST_F (BundleRows, AFreshFormShowsEveryRowUnsetWithNotAvailableMarks)
{
    for (auto kind : allKinds)
        expectRowUnset (kind);

    EXPECT_FALSE (probe.createButton().isEnabled());
    EXPECT_TRUE (findAlertWindows().isEmpty());
}

TEST_F (BundleRows, PackageNamesLoseOnlyTheBundleExtension)
{
    struct Case
    {
        BundleKind kind;
        const char* folderName;
        const char* bundleId;
        const char* version;
        const char* packageId;
        const char* packageFileName;
    };

    const Case cases[]
    {
        { BundleKind::au,   "My Synth.component", "com.vostrand.mysynth.au", "1.2.0",
          "com.vostrand.mysynth.au.pkg.au",     "My Synth AU v1.2.0.pkg" },
        { BundleKind::vst3, "My.Synth.vst3",      "com.vostrand.mysynth",    "2.0",
          "com.vostrand.mysynth.pkg.vst3",      "My.Synth VST3 v2.0.pkg" },
        { BundleKind::app,  "Synth 1.5.app",      "com.vostrand.synth",      "1.5.1",
          "com.vostrand.synth.pkg.app",         "Synth 1.5 App v1.5.1.pkg" },
        { BundleKind::vst,  "Synth.vst",          "com.vostrand.synth.vst2", "3.0.0b1",
          "com.vostrand.synth.vst2.pkg.vst",    "Synth VST v3.0.0b1.pkg" },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.folderName);
        const auto bundle = makeBundle (scratch.folder, c.folderName, makePlist (c.bundleId, c.version));

        callSetter (form, c.kind, bundle.getFullPathName());

        const auto& row = probe.row (c.kind);
        EXPECT_EQ (row.path, bundle.getFullPathName());
        EXPECT_EQ (row.bundleId, c.bundleId);
        EXPECT_EQ (row.version, c.version);
        EXPECT_EQ (row.packageId, c.packageId);
        EXPECT_EQ (row.packageFileName, c.packageFileName);

        EXPECT_EQ (probe.pathEditor (c.kind).getText(), bundle.getFullPathName());
        EXPECT_EQ (probe.bundleIdValueLabel (c.kind).getText(), c.bundleId);
        EXPECT_EQ (probe.versionValueLabel (c.kind).getText(), c.version);
    }

    // Each setter touched only its own row: all four are set now, to their own bundles.
    EXPECT_EQ (probe.row (BundleKind::app).version, "1.5.1");
    EXPECT_EQ (probe.row (BundleKind::au).version, "1.2.0");
    EXPECT_EQ (probe.row (BundleKind::vst3).version, "2.0");
    EXPECT_EQ (probe.row (BundleKind::vst).version, "3.0.0b1");
    EXPECT_TRUE (findAlertWindows().isEmpty());
}

TEST_F (BundleRows, ValuesAreTrimmedButOtherwiseTakenAsTheyStand)
{
    const auto bundle = makeBundle (scratch.folder, "Odd.vst3", makePlist ("  com.odd id/x  ", "\n  1.0 beta  \n"));

    form.setVst3Path (bundle.getFullPathName());

    const auto& row = probe.row (BundleKind::vst3);
    EXPECT_EQ (row.bundleId, "com.odd id/x");
    EXPECT_EQ (row.version, "1.0 beta");
    EXPECT_EQ (row.packageId, "com.odd id/x.pkg.vst3");
    EXPECT_EQ (row.packageFileName, "Odd VST3 v1.0 beta.pkg");
    EXPECT_EQ (probe.bundleIdValueLabel (BundleKind::vst3).getText(), "com.odd id/x");
    EXPECT_EQ (probe.versionValueLabel (BundleKind::vst3).getText(), "1.0 beta");
}

TEST_F (BundleRows, GivingTheSamePathAgainReadsThePropertyListAgain)
{
    const auto bundle = makeBundle (scratch.folder, "Synth.component", makePlist ("com.a.synth", "1.0"));
    const auto path = bundle.getFullPathName();

    form.setAuPath (path);
    ASSERT_EQ (probe.row (BundleKind::au).version, "1.0");

    bundle.getChildFile ("Contents/Info.plist").replaceWithText (makePlist ("com.b.synth", "1.1"));
    form.setAuPath (path);

    const auto& row = probe.row (BundleKind::au);
    EXPECT_EQ (row.bundleId, "com.b.synth");
    EXPECT_EQ (row.version, "1.1");
    EXPECT_EQ (row.packageId, "com.b.synth.pkg.au");
    EXPECT_EQ (row.packageFileName, "Synth AU v1.1.pkg");
    EXPECT_EQ (probe.bundleIdValueLabel (BundleKind::au).getText(), "com.b.synth");
    EXPECT_EQ (probe.versionValueLabel (BundleKind::au).getText(), "1.1");
}

TEST_F (BundleRows, ARefusedBundleClearsTheRowItReplacesAndDisablesCreate)
{
    probe.fillTexts();

    const auto good = makeBundle (scratch.folder, "Good.vst3", makePlist ("com.good", "1.0"));
    form.setVst3Path (good.getFullPathName());
    ASSERT_TRUE (probe.row (BundleKind::vst3).isSet());
    EXPECT_TRUE (probe.createButton().isEnabled());

    // No property list at all: refused with the reader's dialog.
    auto missing = scratch.folder.getChildFile ("Missing.vst3");
    missing.createDirectory();
    form.setVst3Path (missing.getFullPathName());

    expectRowUnset (BundleKind::vst3);
    EXPECT_FALSE (probe.createButton().isEnabled());
    pump();
    EXPECT_EQ (errorTexts(), "Info.plist file does not exist at path.");
    closeAllDialogs();

    // Refill, then refuse with a property list that lacks the version: no dialog this time.
    form.setVst3Path (good.getFullPathName());
    EXPECT_TRUE (probe.createButton().isEnabled());

    const auto noVersion = makeBundle (scratch.folder, "NoVersion.vst3", makePlist ("com.noversion", ""));
    form.setVst3Path (noVersion.getFullPathName());

    expectRowUnset (BundleKind::vst3);
    EXPECT_FALSE (probe.createButton().isEnabled());
    pump();
    EXPECT_TRUE (findAlertWindows().isEmpty());

    // An unparsable property list: refused with the other dialog.
    form.setVst3Path (good.getFullPathName());
    const auto broken = makeBundle (scratch.folder, "Broken.vst3", "<plist><dict><key>CFBundle");
    form.setVst3Path (broken.getFullPathName());

    expectRowUnset (BundleKind::vst3);
    EXPECT_FALSE (probe.createButton().isEnabled());
    pump();
    EXPECT_EQ (errorTexts(), "Failed to parse Info.plist.");
}

TEST_F (BundleRows, ARefusedBundleLeavesCreateEnabledWhileAnotherRowIsSet)
{
    probe.fillTexts();
    const auto app = makeBundle (scratch.folder, "Synth.app", makePlist ("com.synth", "2.1"));
    form.setAppPath (app.getFullPathName());

    auto empty = scratch.folder.getChildFile ("Empty.component");
    empty.createDirectory();
    form.setAuPath (empty.getFullPathName());

    expectRowUnset (BundleKind::au);
    EXPECT_TRUE (probe.row (BundleKind::app).isSet());
    EXPECT_TRUE (probe.createButton().isEnabled());
}

TEST_F (BundleRows, ASetterAcceptsABundleWithAnotherKindsExtension)
{
    const auto vstBundle = makeBundle (scratch.folder, "Synth.vst", makePlist ("com.synth.vst", "1.0"));

    form.setAuPath (vstBundle.getFullPathName());

    const auto& row = probe.row (BundleKind::au);
    EXPECT_EQ (row.path, vstBundle.getFullPathName());
    EXPECT_EQ (row.packageId, "com.synth.vst.pkg.au");
    EXPECT_EQ (row.packageFileName, "Synth AU v1.0.pkg");
    expectRowUnset (BundleKind::vst);
    EXPECT_TRUE (findAlertWindows().isEmpty());
}

TEST_F (BundleRows, SettingAnyOneRowEnablesCreateAndClearingItDisablesIt)
{
    probe.fillTexts();
    ASSERT_FALSE (probe.createButton().isEnabled());

    const char* names[] { "A.app", "A.component", "A.vst3", "A.vst" };

    for (auto kind : allKinds)
    {
        const auto bundle = makeBundle (scratch.folder, names[(int) kind], makePlist ("com.a", "1.0"));

        callSetter (form, kind, bundle.getFullPathName());
        EXPECT_TRUE (probe.createButton().isEnabled()) << names[(int) kind];

        callSetter (form, kind, {});
        EXPECT_FALSE (probe.createButton().isEnabled()) << names[(int) kind];
        expectRowUnset (kind);
    }
}

TEST_F (BundleRows, ClearingAnUnsetRowShowsItUnsetAgain)
{
    // Widgets scribbled on by someone else are put right by a clear.
    probe.pathEditor (BundleKind::vst).setText ("stale", false);
    probe.bundleIdValueLabel (BundleKind::vst).setText ("stale", juce::dontSendNotification);
    probe.versionValueLabel (BundleKind::vst).setText ("stale", juce::dontSendNotification);

    form.setVstPath ({});

    expectRowUnset (BundleKind::vst);
    EXPECT_FALSE (probe.createButton().isEnabled());
}
