// "Create" is enabled exactly while the five texts are filled and a bundle row is set.

#include "tests/FormProbe.h"

using namespace testing_helpers;

namespace
{
    struct CreateEnablement  : public ::testing::Test
    {
        void TearDown() override    { closeAllDialogs(); }

        /** Types text at the end of a field, as a user's keystrokes do. */
        static void type (juce::TextEditor& editor, const juce::String& text)
        {
            editor.moveCaretToEnd();
            editor.insertTextAtCaret (text);
        }

        static void pressBackspace (juce::TextEditor& editor)
        {
            editor.moveCaretToEnd();
            editor.keyPressed (juce::KeyPress (juce::KeyPress::backspaceKey));
        }

        ScratchFolder scratch;
        MainComponent form;
        FormProbe probe { form };
    };
}

TEST_F (CreateEnablement, DisabledAtStartEvenWithTheFourDetailsFilled)
{
    EXPECT_FALSE (probe.createButton().isEnabled());

    probe.appleIdEditor().setText ("dev@example.com", false);
    probe.appPasswordEditor().setText ("pass", false);
    probe.teamEditor().setText ("Team", false);
    probe.keychainProfileEditor().setText ("profile", false);
    pump();

    EXPECT_FALSE (probe.createButton().isEnabled());
}

TEST_F (CreateEnablement, TypingFollowsTheRuleThroughTheMessageLoop)
{
    form.setVstPath (makeBundle (scratch.folder, "Synth.vst", makePlist ("com.example.synth", "1.0")).getFullPathName());
    ASSERT_TRUE (probe.row (BundleKind::vst).isSet());

    juce::TextEditor* fields[] = { &probe.appleIdEditor(), &probe.appPasswordEditor(), &probe.teamEditor(),
                                   &probe.keychainProfileEditor(), &probe.productNameEditor() };

    for (auto* field : fields)
    {
        EXPECT_FALSE (probe.createButton().isEnabled());
        type (*field, "x");
        pump();
    }

    EXPECT_TRUE (probe.createButton().isEnabled());

    // Deleting the last character disables "Create" once the change has been delivered.
    pressBackspace (probe.productNameEditor());
    EXPECT_TRUE (probe.productNameEditor().isEmpty());
    EXPECT_TRUE (probe.createButton().isEnabled());
    pump();
    EXPECT_FALSE (probe.createButton().isEnabled());

    // A single space counts as filled.
    type (probe.productNameEditor(), " ");
    pump();
    EXPECT_TRUE (probe.createButton().isEnabled());

    // Any one emptied field disables it again.
    for (auto* field : fields)
    {
        const auto before = field->getText();
        field->setText ({}, true);
        pump();
        EXPECT_FALSE (probe.createButton().isEnabled());
        field->setText (before, true);
        pump();
        EXPECT_TRUE (probe.createButton().isEnabled());
    }
}

TEST_F (CreateEnablement, NoBundleKeepsItDisabled)
{
    probe.fillTexts();
    pump();
    EXPECT_FALSE (probe.createButton().isEnabled());

    // A placeholder is not a text.
    probe.productNameEditor().setText ({}, true);
    pump();
    EXPECT_FALSE (probe.createButton().isEnabled());
    EXPECT_TRUE (probe.productNameEditor().getTextToShowWhenEmpty().isNotEmpty());
}

TEST_F (CreateEnablement, EachRowAloneEnablesAndItsClearDisablesAtOnce)
{
    probe.fillTexts();

    const struct { BundleKind kind; const char* name; } kinds[] =
    {
        { BundleKind::app, "Synth.app" }, { BundleKind::au, "Synth.component" },
        { BundleKind::vst3, "Synth.vst3" }, { BundleKind::vst, "Synth.vst" }
    };

    for (auto& k : kinds)
    {
        SCOPED_TRACE (k.name);
        auto bundle = makeBundle (scratch.folder, k.name, makePlist ("com.example.synth", "1.0"));

        switch (k.kind)
        {
            case BundleKind::app:   form.setAppPath (bundle.getFullPathName()); break;
            case BundleKind::au:    form.setAuPath (bundle.getFullPathName()); break;
            case BundleKind::vst3:  form.setVst3Path (bundle.getFullPathName()); break;
            case BundleKind::vst:   form.setVstPath (bundle.getFullPathName()); break;
        }

        EXPECT_TRUE (probe.createButton().isEnabled());

        probe.clearButton (k.kind).triggerClick();
        pump();
        EXPECT_FALSE (probe.createButton().isEnabled());
        EXPECT_FALSE (probe.row (k.kind).isSet());
    }
}

TEST_F (CreateEnablement, RefusedBundleLeavesItDisabled)
{
    probe.fillTexts();

    auto broken = scratch.folder.getChildFile ("Broken.vst3");
    broken.createDirectory();
    form.setVst3Path (broken.getFullPathName());

    EXPECT_FALSE (probe.row (BundleKind::vst3).isSet());
    EXPECT_FALSE (probe.createButton().isEnabled());
}

TEST_F (CreateEnablement, ResizingNeverChangesTheState)
{
    probe.fillTexts();
    EXPECT_FALSE (probe.createButton().isEnabled());
    form.setSize (800, 600);
    EXPECT_FALSE (probe.createButton().isEnabled());

    form.setAuPath (makeBundle (scratch.folder, "Synth.component", makePlist ("com.example.au", "2.0")).getFullPathName());
    EXPECT_TRUE (probe.createButton().isEnabled());

    for (auto width : { 400, 5000, 603 })
    {
        form.setSize (width, 432);
        EXPECT_TRUE (probe.createButton().isEnabled());
    }
}
