// Filling and emptying the bundle rows and the resources row: the choosers (their
// dialogs and what their answers do), the "X" buttons and files dropped on the form.

#include "FormProbe.h"

using namespace testing_helpers;

namespace
{
    const BundleKind allKinds[] { BundleKind::app, BundleKind::au, BundleKind::vst3, BundleKind::vst };

    //==============================================================================
    template <typename ComponentType>
    ComponentType* findDescendant (juce::Component& parent, std::function<bool (ComponentType&)> matches = {})
    {
        for (auto* child : parent.getChildren())
        {
            if (auto* c = dynamic_cast<ComponentType*> (child))
                if (! matches || matches (*c))
                    return c;

            if (auto* c = findDescendant<ComponentType> (*child, matches))
                return c;
        }

        return nullptr;
    }

    /** The framework's own chooser dialogs that are on screen now. */
    juce::Array<juce::FileChooserDialogBox*> findChooserDialogs()
    {
        juce::Array<juce::FileChooserDialogBox*> result;

        for (int i = 0; i < juce::TopLevelWindow::getNumTopLevelWindows(); ++i)
            if (auto* box = dynamic_cast<juce::FileChooserDialogBox*> (juce::TopLevelWindow::getTopLevelWindow (i)))
                result.add (box);

        return result;
    }

    /** Picks an item in a chooser dialog as a user does: goes to its folder, types
        its name and presses the dialog's "Open" button.
    */
    void answerChooser (juce::FileChooserDialogBox& dialog, const juce::File& item)
    {
        auto* browser = findDescendant<juce::FileBrowserComponent> (dialog);
        ASSERT_NE (browser, nullptr);

        browser->setRoot (item.getParentDirectory());
        browser->setFileName (item.getFileName());
        pump();

        auto* open = findDescendant<juce::TextButton> (dialog, [] (juce::TextButton& b) { return b.getButtonText() == "Open"; });
        ASSERT_NE (open, nullptr);
        ASSERT_TRUE (open->isEnabled()) << "the dialog cannot pick " << item.getFullPathName();

        open->triggerClick();
        pump();
    }

    /** The texts of the error dialogs on screen, oldest first, one a line;
        checks that each is an error dialog.
    */
    juce::String errorTexts()
    {
        return errorDialogTexts().joinIntoString ("\n");
    }

    //==============================================================================
    class FormFixture  : public ::testing::Test
    {
    protected:
        void TearDown() override
        {
            for (auto* box : findChooserDialogs())
                box->exitModalState (0);

            closeAllDialogs();
        }

        juce::File bundle (const juce::String& name, const juce::String& version = "1.0")
        {
            return makeBundle (scratch.folder, name, makePlist ("com.vostrand." + name.upToFirstOccurrenceOf (".", false, false).toLowerCase(), version));
        }

        juce::File folder (const juce::String& name)
        {
            auto f = scratch.folder.getChildFile (name);
            f.createDirectory();
            return f;
        }

        juce::File textFile (const juce::String& name)
        {
            auto f = scratch.folder.getChildFile (name);
            f.replaceWithText ("some text");
            return f;
        }

        /** The paths of the four rows and the resources path, for before/after comparisons. */
        juce::StringArray snapshot()
        {
            juce::StringArray s;

            for (auto kind : allKinds)
                s.add (probe.row (kind).path + " | " + probe.pathEditor (kind).getText());

            s.add (probe.resourcesPath() + " | " + probe.resourcesPathEditor().getText());
            return s;
        }

        ScratchFolder scratch;
        MainComponent form;
        FormProbe probe { form };
    };

    using BundleChoosers = FormFixture;
    using ResourcesChooser = FormFixture;

    /** Drives the framework's own chooser dialog; where zenity or kdialog is
        installed the framework runs that program instead, outside our reach.
    */
    class ChooserDialogs  : public FormFixture
    {
    protected:
        void SetUp() override
        {
            if (juce::FileChooser::isPlatformDialogAvailable())
                GTEST_SKIP() << "a desktop file dialog program is installed";
        }
    };

    using FileDrops = FormFixture;
    using ClearButtons = FormFixture;
}

//==============================================================================
TEST_F (BundleChoosers, AChosenBundleOfTheRowsKindFillsTheRowWithItsFullPath)
{
    const struct { const char* word; BundleKind kind; const char* name; } cases[]
    {
        { "App", BundleKind::app, "Synth.app" },
        { "AU", BundleKind::au, "Synth.component" },
        { "VST3", BundleKind::vst3, "Synth.vst3" },
        { "VST", BundleKind::vst, "Synth.vst" },
    };

    for (auto& c : cases)
    {
        const auto b = bundle (c.name);
        form.bundleChosen (c.word, b);

        EXPECT_EQ (probe.row (c.kind).path, b.getFullPathName()) << c.word;
        EXPECT_EQ (probe.pathEditor (c.kind).getText(), b.getFullPathName()) << c.word;
    }

    pump();
    EXPECT_TRUE (findAlertWindows().isEmpty());
}

TEST_F (BundleChoosers, ABundleOfAnotherKindGetsTheRowsWrongBundleDialogAndTheRowKeepsItsBundle)
{
    const struct { const char* word; BundleKind kind; const char* own; const char* other; const char* message; } cases[]
    {
        { "App", BundleKind::app, "Mine.app", "Synth.APP", "This is not an app" },
        { "AU", BundleKind::au, "Mine.component", "Synth.vst", "This is not an AU plugin" },
        { "VST3", BundleKind::vst3, "Mine.vst3", "Synth.vst", "This is not a VST3 plugin" },
        { "VST", BundleKind::vst, "Mine.vst", "Synth.vst3", "This is not a VST plugin" },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.word);
        const auto own = bundle (c.own);
        form.bundleChosen (c.word, own);
        ASSERT_EQ (probe.row (c.kind).path, own.getFullPathName());

        form.bundleChosen (c.word, bundle (c.other));
        pump();

        EXPECT_EQ (errorTexts(), juce::String (c.message));
        EXPECT_EQ (probe.row (c.kind).path, own.getFullPathName());
        EXPECT_EQ (probe.pathEditor (c.kind).getText(), own.getFullPathName());
        EXPECT_EQ (probe.bundleIdValueLabel (c.kind).getText(), "com.vostrand.mine");

        closeAllDialogs();
    }
}

TEST_F (BundleChoosers, CancelledMissingAndPlainFileResultsChangeNothingAndShowNothing)
{
    const auto vst3 = bundle ("Kept.vst3");
    form.bundleChosen ("VST3", vst3);
    const auto before = snapshot();

    form.bundleChosen ("VST3", juce::File());                                       // cancelled
    form.bundleChosen ("VST3", scratch.folder.getChildFile ("Gone.vst3"));          // no longer there
    form.bundleChosen ("VST3", textFile ("Plain.vst3"));                            // a file, not a bundle
    form.bundleChosen ("App", textFile ("Plain.app"));
    pump();

    EXPECT_EQ (snapshot(), before);
    EXPECT_TRUE (findAlertWindows().isEmpty());
}

TEST_F (BundleChoosers, AFolderNamedOnlyDotAppPassesTheAppCheck)
{
    const auto dotApp = bundle (".app");

    form.bundleChosen ("App", dotApp);

    EXPECT_EQ (probe.row (BundleKind::app).path, dotApp.getFullPathName());
    EXPECT_EQ (probe.row (BundleKind::app).packageFileName, ".app App v1.0.pkg");
    pump();
    EXPECT_TRUE (findAlertWindows().isEmpty());
}

TEST_F (BundleChoosers, AnUnreadableBundleOfTheRightKindIsReportedByItsRow)
{
    form.bundleChosen ("AU", bundle ("Good.component"));
    form.bundleChosen ("AU", folder ("Empty.component"));
    pump();

    EXPECT_TRUE (probe.row (BundleKind::au).path.isEmpty());
    EXPECT_EQ (errorTexts(), "Info.plist file does not exist at path.");
}

//==============================================================================
TEST_F (ResourcesChooser, AChosenFolderBecomesTheResourcesPathAndCreateStaysAsItWas)
{
    const auto res1 = folder ("Resources");
    form.resourcesFolderChosen (res1);

    EXPECT_EQ (probe.resourcesPath(), res1.getFullPathName());
    EXPECT_EQ (probe.resourcesPathEditor().getText(), res1.getFullPathName());
    EXPECT_FALSE (probe.createButton().isEnabled());

    probe.fillTexts();
    form.setAppPath (bundle ("Synth.app").getFullPathName());
    ASSERT_TRUE (probe.createButton().isEnabled());

    const auto res2 = folder ("Other Resources");
    form.resourcesFolderChosen (res2);
    EXPECT_EQ (probe.resourcesPathEditor().getText(), res2.getFullPathName());
    EXPECT_TRUE (probe.createButton().isEnabled());
}

TEST_F (ResourcesChooser, CancelledMissingAndPlainFileResultsChangeNothing)
{
    const auto res = folder ("Resources");
    form.resourcesFolderChosen (res);
    const auto before = snapshot();

    form.resourcesFolderChosen (juce::File());
    form.resourcesFolderChosen (scratch.folder.getChildFile ("Gone"));
    form.resourcesFolderChosen (textFile ("License.txt"));
    pump();

    EXPECT_EQ (snapshot(), before);
    EXPECT_TRUE (findAlertWindows().isEmpty());
}

//==============================================================================
TEST_F (ChooserDialogs, EachBrowseButtonOpensItsChooserAndCancellingChangesNothing)
{
    const struct { juce::TextButton& button; const char* title; } cases[]
    {
        { probe.browseButton (BundleKind::app), "Choose your App" },
        { probe.browseButton (BundleKind::au), "Choose your AU" },
        { probe.browseButton (BundleKind::vst3), "Choose your VST3" },
        { probe.browseButton (BundleKind::vst), "Choose your VST" },
        { probe.resourcesBrowseButton(), "Choose recources folder" },
    };

    form.setVstPath (bundle ("Kept.vst").getFullPathName());
    form.resourcesFolderChosen (folder ("Kept Resources"));
    const auto before = snapshot();

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.title);
        ASSERT_TRUE (findChooserDialogs().isEmpty());

        c.button.triggerClick();
        pump();

        const auto dialogs = findChooserDialogs();
        ASSERT_EQ (dialogs.size(), 1);
        EXPECT_EQ (dialogs[0]->getName(), c.title);

        dialogs[0]->exitModalState (0);
        pump();

        EXPECT_TRUE (findChooserDialogs().isEmpty());
        EXPECT_EQ (snapshot(), before);
        EXPECT_TRUE (findAlertWindows().isEmpty());
    }
}

TEST_F (ChooserDialogs, ABundlePickedInTheDialogFillsItsRow)
{
    const auto app = bundle ("Picked Synth.app", "4.2");

    probe.browseButton (BundleKind::app).triggerClick();
    pump();
    ASSERT_EQ (findChooserDialogs().size(), 1);

    answerChooser (*findChooserDialogs()[0], app);

    EXPECT_TRUE (findChooserDialogs().isEmpty());
    EXPECT_EQ (probe.row (BundleKind::app).path, app.getFullPathName());
    EXPECT_EQ (probe.row (BundleKind::app).packageFileName, "Picked Synth App v4.2.pkg");
    EXPECT_EQ (probe.versionValueLabel (BundleKind::app).getText(), "4.2");
}

TEST_F (ChooserDialogs, TheDialogOfEachRowChecksForItsOwnKind)
{
    probe.browseButton (BundleKind::vst).triggerClick();
    pump();
    ASSERT_EQ (findChooserDialogs().size(), 1);

    answerChooser (*findChooserDialogs()[0], bundle ("Synth.vst3"));

    EXPECT_EQ (errorTexts(), "This is not a VST plugin");
    EXPECT_TRUE (probe.row (BundleKind::vst).path.isEmpty());
    EXPECT_TRUE (probe.row (BundleKind::vst3).path.isEmpty());
}

TEST_F (ChooserDialogs, AFolderPickedInTheResourcesDialogBecomesTheResourcesPath)
{
    const auto res = folder ("Installer Texts");

    probe.resourcesBrowseButton().triggerClick();
    pump();
    ASSERT_EQ (findChooserDialogs().size(), 1);

    answerChooser (*findChooserDialogs()[0], res);

    EXPECT_EQ (probe.resourcesPath(), res.getFullPathName());
    EXPECT_EQ (probe.resourcesPathEditor().getText(), res.getFullPathName());
}

TEST_F (ChooserDialogs, AChooserOpenWhenItsFormGoesClosesWithItUnanswered)
{
    for (auto opensResources : { false, true })
    {
        SCOPED_TRACE (opensResources ? "resources" : "App");

        auto doomed = std::make_unique<MainComponent>();
        FormProbe doomedProbe (*doomed);

        if (opensResources)
            doomedProbe.resourcesBrowseButton().triggerClick();
        else
            doomedProbe.browseButton (BundleKind::app).triggerClick();

        pump();
        ASSERT_EQ (findChooserDialogs().size(), 1);

        // The application quitting: no dialog may be left to the framework's
        // shutdown, which would free it wrongly.
        doomed.reset();
        EXPECT_TRUE (findChooserDialogs().isEmpty());
        EXPECT_EQ (juce::ModalComponentManager::getInstance()->getNumModalComponents(), 0);

        pump();
        EXPECT_TRUE (findAlertWindows().isEmpty());
    }

    // The surviving form was not touched either.
    EXPECT_TRUE (probe.row (BundleKind::app).path.isEmpty());
    EXPECT_TRUE (probe.resourcesPath().isEmpty());
}

//==============================================================================
TEST_F (FileDrops, TheFormTakesEveryDrag)
{
    EXPECT_TRUE (form.isInterestedInFileDrag ({}));
    EXPECT_TRUE (form.isInterestedInFileDrag ({ "/nowhere/at/all", "relative" }));
    EXPECT_TRUE (form.isInterestedInFileDrag ({ bundle ("Synth.vst3").getFullPathName() }));
}

TEST_F (FileDrops, EachBundleFolderGoesToTheRowOfItsEnding)
{
    const struct { const char* name; BundleKind kind; } cases[]
    {
        { "Synth.app", BundleKind::app },
        { ".app", BundleKind::app },
        { "Synth.component", BundleKind::au },
        { "Synth.vst3", BundleKind::vst3 },
        { ".vst3", BundleKind::vst3 },
        { "Synth.vst", BundleKind::vst },
        { "Synth.vst3.app", BundleKind::app },
        { "Synth.app.vst", BundleKind::vst },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        form.setAppPath ({});
        form.setAuPath ({});
        form.setVst3Path ({});
        form.setVstPath ({});

        const auto path = bundle (c.name).getFullPathName();
        form.filesDropped ({ path }, 10, 10);

        for (auto kind : allKinds)
            EXPECT_EQ (probe.row (kind).path, kind == c.kind ? path : juce::String());

        EXPECT_TRUE (probe.resourcesPath().isEmpty());
    }

    pump();
    EXPECT_TRUE (findAlertWindows().isEmpty());
}

TEST_F (FileDrops, EverythingElseBecomesTheResourcesPathWithoutAMessage)
{
    const juce::String entries[]
    {
        textFile ("ReadMe.txt").getFullPathName(),
        folder ("Resources").getFullPathName(),
        bundle ("Synth.APP").getFullPathName(),
        bundle ("Synth.VST3").getFullPathName(),
        bundle ("Synth.Component").getFullPathName(),
        textFile ("Plain.vst3").getFullPathName(),
        textFile ("Plain.app").getFullPathName(),
        scratch.folder.getChildFile ("Nothing Here.vst3").getFullPathName(),
    };

    for (auto& entry : entries)
    {
        form.filesDropped ({ entry }, 0, 0);

        EXPECT_EQ (probe.resourcesPath(), entry);
        EXPECT_EQ (probe.resourcesPathEditor().getText(), entry);

        for (auto kind : allKinds)
            EXPECT_TRUE (probe.row (kind).path.isEmpty()) << entry;
    }

    pump();
    EXPECT_TRUE (findAlertWindows().isEmpty());
}

TEST_F (FileDrops, TheEntriesOfOneDropAreHandledInListOrder)
{
    const auto app = bundle ("Synth.app");
    const auto au = bundle ("Synth.component");
    const auto res = folder ("Resources");

    form.filesDropped ({ app.getFullPathName(), au.getFullPathName(), res.getFullPathName() }, 0, 0);

    EXPECT_EQ (probe.row (BundleKind::app).path, app.getFullPathName());
    EXPECT_EQ (probe.row (BundleKind::au).path, au.getFullPathName());
    EXPECT_EQ (probe.resourcesPath(), res.getFullPathName());

    // Several entries for the resources row: the last one stays.
    const auto first = folder ("First");
    const auto last = textFile ("Last.rtf");
    form.filesDropped ({ first.getFullPathName(), bundle ("Synth.vst").getFullPathName(), last.getFullPathName() }, 0, 0);

    EXPECT_EQ (probe.resourcesPath(), last.getFullPathName());
    EXPECT_EQ (probe.resourcesPathEditor().getText(), last.getFullPathName());
    EXPECT_TRUE (probe.row (BundleKind::vst).isSet());
}

TEST_F (FileDrops, TwoBundlesForOneRowLeaveItWithTheSecond)
{
    const auto first = bundle ("First.vst3", "1.0");
    const auto second = bundle ("Second.vst3", "2.0");

    form.filesDropped ({ first.getFullPathName(), second.getFullPathName() }, 0, 0);

    EXPECT_EQ (probe.row (BundleKind::vst3).path, second.getFullPathName());
    EXPECT_EQ (probe.versionValueLabel (BundleKind::vst3).getText(), "2.0");

    // When the second cannot be read, the row ends empty and the reader says why.
    const auto unreadable = folder ("Unreadable.vst3");
    form.filesDropped ({ first.getFullPathName(), unreadable.getFullPathName() }, 0, 0);
    pump();

    EXPECT_TRUE (probe.row (BundleKind::vst3).path.isEmpty());
    EXPECT_EQ (probe.versionValueLabel (BundleKind::vst3).getText(), "n/a");
    EXPECT_EQ (errorTexts(), "Info.plist file does not exist at path.");
}

TEST_F (FileDrops, EachUnreadableBundleOfOneDropGetsItsOwnDialog)
{
    form.filesDropped ({ folder ("A.vst3").getFullPathName(),
                         makeBundle (scratch.folder, "B.component", "not xml at all").getFullPathName() }, 0, 0);
    pump();

    EXPECT_EQ (errorTexts(), "Info.plist file does not exist at path.\nFailed to parse Info.plist.");
}

TEST_F (FileDrops, RowsAndResourcesGetTheEntryTextAsDropped)
{
    const auto vst3 = bundle ("Synth.vst3", "1.3");
    const auto asDropped = vst3.getParentDirectory().getFullPathName() + "/./Synth.vst3";
    const auto res = folder ("Resources").getFullPathName() + "/";

    form.filesDropped ({ asDropped, res }, 0, 0);

    EXPECT_EQ (probe.row (BundleKind::vst3).path, asDropped);
    EXPECT_EQ (probe.pathEditor (BundleKind::vst3).getText(), asDropped);
    EXPECT_EQ (probe.row (BundleKind::vst3).packageFileName, "Synth VST3 v1.3.pkg");
    EXPECT_EQ (probe.resourcesPath(), res);

    // A bundle's name is what follows the last slash: with a slash at the end it has
    // none, and the entry goes to the resources row.
    const auto withSlash = bundle ("Other.vst", "2.0").getFullPathName() + "/";
    form.filesDropped ({ withSlash }, 0, 0);
    EXPECT_FALSE (probe.row (BundleKind::vst).isSet());
    EXPECT_EQ (probe.resourcesPath(), withSlash);
}

TEST_F (FileDrops, EntriesThatAreNotAbsolutePathsBecomeTheResourcesPath)
{
    // Other desktops' drops may carry URLs; they name no folder here.
    for (const juce::String entry : { "http://example.com/Synth.vst3", "file://localhost/tmp/Synth.vst",
                                      "Synth.app", "relative/Folder" })
    {
        form.filesDropped ({ entry }, 0, 0);
        EXPECT_EQ (probe.resourcesPath(), entry);

        for (auto kind : allKinds)
            EXPECT_FALSE (probe.row (kind).isSet()) << entry;
    }

    pump();
    EXPECT_TRUE (findAlertWindows().isEmpty());
}

TEST_F (FileDrops, TheResourcesRowNeverChangesCreate)
{
    probe.fillTexts();

    form.filesDropped ({ folder ("Resources").getFullPathName() }, 0, 0);
    EXPECT_FALSE (probe.createButton().isEnabled());

    form.filesDropped ({ bundle ("Synth.vst").getFullPathName() }, 0, 0);
    EXPECT_TRUE (probe.createButton().isEnabled());

    form.filesDropped ({ textFile ("License.txt").getFullPathName() }, 0, 0);
    EXPECT_TRUE (probe.createButton().isEnabled());
}

TEST_F (FileDrops, ADropOverAnyWidgetOfTheShownFormReachesTheForm)
{
    form.addToDesktop (0);
    form.setVisible (true);
    auto* peer = form.getPeer();
    ASSERT_NE (peer, nullptr);

    const auto app = bundle ("Synth.app");
    const auto vst3 = bundle ("Synth.vst3");
    const auto res = folder ("Resources");

    const struct { juce::Component& over; juce::File dropped; } cases[]
    {
        { probe.pathEditor (BundleKind::vst3), vst3 },      // a read-only field
        { probe.browseButton (BundleKind::au), app },       // a button of another row
        { probe.createButton(), res },                      // a disabled button
    };

    for (auto& c : cases)
    {
        juce::ComponentPeer::DragInfo info;
        info.files.add (c.dropped.getFullPathName());
        info.position = c.over.getBounds().getCentre();

        EXPECT_TRUE (peer->handleDragDrop (info));
        pump();
    }

    EXPECT_EQ (probe.row (BundleKind::vst3).path, vst3.getFullPathName());
    EXPECT_EQ (probe.row (BundleKind::app).path, app.getFullPathName());
    EXPECT_TRUE (probe.row (BundleKind::au).path.isEmpty());
    EXPECT_EQ (probe.resourcesPath(), res.getFullPathName());

    form.removeFromDesktop();
}

//==============================================================================
TEST_F (ClearButtons, EachBundleRowsXEmptiesItsRowAndCreateFollows)
{
    probe.fillTexts();
    form.filesDropped ({ bundle ("S.app").getFullPathName(), bundle ("S.component").getFullPathName(),
                         bundle ("S.vst3").getFullPathName(), bundle ("S.vst").getFullPathName(),
                         folder ("Res").getFullPathName() }, 0, 0);

    for (auto kind : allKinds)
        ASSERT_TRUE (probe.row (kind).isSet());

    for (auto kind : allKinds)
    {
        EXPECT_TRUE (probe.createButton().isEnabled());

        probe.clearButton (kind).triggerClick();
        pump();

        EXPECT_TRUE (probe.row (kind).path.isEmpty());
        EXPECT_TRUE (probe.pathEditor (kind).getText().isEmpty());
        EXPECT_EQ (probe.bundleIdValueLabel (kind).getText(), "n/a");
        EXPECT_EQ (probe.versionValueLabel (kind).getText(), "n/a");
    }

    EXPECT_FALSE (probe.createButton().isEnabled());
    EXPECT_EQ (probe.resourcesPath(), scratch.folder.getChildFile ("Res").getFullPathName());

    // On an empty row the X changes nothing.
    probe.clearButton (BundleKind::au).triggerClick();
    pump();
    EXPECT_TRUE (probe.row (BundleKind::au).path.isEmpty());
    EXPECT_EQ (probe.bundleIdValueLabel (BundleKind::au).getText(), "n/a");
    EXPECT_TRUE (findAlertWindows().isEmpty());
}

TEST_F (ClearButtons, TheResourcesXEmptiesTheResourcesRowOnly)
{
    probe.fillTexts();
    const auto app = bundle ("Synth.app");
    form.filesDropped ({ app.getFullPathName(), folder ("Res").getFullPathName() }, 0, 0);
    ASSERT_TRUE (probe.createButton().isEnabled());

    probe.resourcesClearButton().triggerClick();
    pump();

    EXPECT_TRUE (probe.resourcesPath().isEmpty());
    EXPECT_TRUE (probe.resourcesPathEditor().getText().isEmpty());
    EXPECT_EQ (probe.row (BundleKind::app).path, app.getFullPathName());
    EXPECT_TRUE (probe.createButton().isEnabled());

    // And with Create disabled it stays disabled.
    form.setAppPath ({});
    form.filesDropped ({ folder ("Res2").getFullPathName() }, 0, 0);
    probe.resourcesClearButton().triggerClick();
    pump();
    EXPECT_TRUE (probe.resourcesPathEditor().getText().isEmpty());
    EXPECT_FALSE (probe.createButton().isEnabled());
}
