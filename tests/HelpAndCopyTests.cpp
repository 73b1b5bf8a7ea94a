// The "?" buttons' help dialogs and the "Copy" button of the notarization row.

#include "FormProbe.h"

using namespace testing_helpers;

namespace
{
    juce::String joinLines (std::initializer_list<const char*> lines)
    {
        juce::StringArray a;

        for (auto* line : lines)
            a.add (line);

        return a.joinIntoString ("\n");
    }

    struct ExpectedHelp
    {
        juce::TextButton& (FormProbe::*button)();
        juce::String title;
        juce::String text;
    };

    std::vector<ExpectedHelp> expectedHelp()
    {
        return
        {
            { &FormProbe::appleIdHelpButton, "What is Apple ID?",
              "The email address you have registered with Apple as a developer." },

            { &FormProbe::appPasswordHelpButton, "What is App Password?",
              joinLines ({ "To notarize your app, you need to obtain an App Password. Follow these steps:",
                           "",
                           "1. Go to the Apple ID website (https://appleid.apple.com) and log in with your Apple ID.",
                           "2. Under 'Sign-In and Security,' ensure that Two-Factor Authentication is enabled.",
                           "3. In the 'App-Specific Passwords' section, click 'Generate Password.'",
                           "4. Enter a label like 'Notarization Tool' and click 'Create.'",
                           "5. Copy the generated password and save it securely, and enter here." }) + "\n\n" },

            { &FormProbe::teamHelpButton, "What is Team?",
              joinLines ({ "Your Apple Developer Team Name is a unique identifier associated with your Apple Developer account.",
                           "",
                           "It is typically displayed in the format:",
                           "Your Name (XXXXXXXXXX)",
                           "",
                           "- The first part is the name of the account holder (individual or organization).",
                           "- The part in parentheses (XXXXXXXXXX) is the Team ID, which uniquely identifies your developer account.",
                           "",
                           "You can find your Team Name and Team ID in the Apple Developer portal under 'Membership' or in Xcode under your account settings." }) },

            { &FormProbe::keychainProfileHelpButton, "What is Keychain Profile?",
              joinLines ({ "A Keychain Profile is a saved set of credentials used to authenticate your app with Apple's Notarization service.",
                           "",
                           "To create a Keychain Profile, follow these steps:",
                           "1. Open the Terminal application on your Mac.",
                           "2. Run the following command:",
                           "   xcrun notarytool store-credentials --apple-id <your-apple-id> --team-id <your-team-id> --keychain-profile <profile-name>",
                           "",
                           "   Replace <your-apple-id> with your Apple ID, <your-team-id> with your Developer Team ID (a 10-character alphanumeric string, e.g., 'XXXXXXXXXX'), and <profile-name> with a name for this profile (e.g., 'MyProfile').",
                           "",
                           "3. When prompted, enter your Apple ID password and the App-Specific Password for your account.",
                           "4. The Keychain Profile will be created and stored securely in your Mac's Keychain.",
                           "",
                           "You can then use this profile in notarization commands with the '--keychain-profile' option." }) },

            { &FormProbe::notarizationHelpButton, "What is Notalization?",
              "To distribute your products, you must obtain notarization from Apple. Currently, this app cannot "
              "perform the notarization process directly, so it needs to be done manually via the terminal. "
              "By clicking the \"Copy\" button, the required command will be copied to your clipboard." },
        };
    }

    /** The message of an alert window: its accessible description is the title,
        a full stop, a space and the message.
    */
    juce::String getMessage (juce::AlertWindow& alert)
    {
        const auto description = alert.getDescription();
        const auto prefix = alert.getName() + ". ";
        EXPECT_TRUE (description.startsWith (prefix));
        return description.substring (prefix.length());
    }

    class FormFixture  : public ::testing::Test
    {
    protected:
        void TearDown() override    { closeAllDialogs(); }

        MainComponent form;
        FormProbe probe { form };
    };

    using HelpDialogs = FormFixture;
    using CopyButton = FormFixture;
}

//==============================================================================
TEST_F (HelpDialogs, EachHelpButtonShowsItsTextInAnInformationDialog)
{
    for (auto& expected : expectedHelp())
    {
        SCOPED_TRACE (expected.title);
        ASSERT_TRUE (findAlertWindows().isEmpty());

        (probe.*expected.button)().triggerClick();
        pump();

        const auto alerts = findAlertWindows();
        ASSERT_EQ (alerts.size(), 1);
        auto& alert = *alerts[0];

        EXPECT_EQ (alert.getAlertType(), juce::MessageBoxIconType::InfoIcon);
        EXPECT_EQ (alert.getName(), expected.title);
        EXPECT_EQ (getMessage (alert), expected.text);

        // One button, the framework's default, which closes the dialog.
        ASSERT_EQ (alert.getNumButtons(), 1);
        juce::TextButton* ok = nullptr;
        for (auto* child : alert.getChildren())
            if (auto* b = dynamic_cast<juce::TextButton*> (child))
                ok = b;
        ASSERT_NE (ok, nullptr);
        EXPECT_EQ (ok->getButtonText(), "OK");

        ok->triggerClick();
        pump();
        EXPECT_TRUE (findAlertWindows().isEmpty());
    }
}

TEST_F (HelpDialogs, AHelpDialogLeavesTheFormAsItWas)
{
    probe.fillTexts ("a", "b", "c", "d", "e");
    probe.notarizationCommandEditor().setText ("xcrun notarytool submit x", false);

    probe.teamHelpButton().triggerClick();
    probe.teamHelpButton().triggerClick();
    pump();

    // Every press shows the dialog anew.
    const auto alerts = findAlertWindows();
    ASSERT_EQ (alerts.size(), 2);
    EXPECT_EQ (getMessage (*alerts[0]), getMessage (*alerts[1]));

    closeAllDialogs();

    EXPECT_EQ (probe.appleIdEditor().getText(), "a");
    EXPECT_EQ (probe.productNameEditor().getText(), "e");
    EXPECT_EQ (probe.notarizationCommandEditor().getText(), "xcrun notarytool submit x");
    EXPECT_FALSE (probe.createButton().isEnabled());
    EXPECT_EQ (probe.bundleIdValueLabel (BundleKind::app).getText(), "n/a");
}

TEST_F (HelpDialogs, TheProductNameHelpButtonShowsNothing)
{
    probe.productNameHelpButton().triggerClick();
    pump();

    EXPECT_TRUE (findAlertWindows().isEmpty());
}

//==============================================================================
TEST_F (CopyButton, WithAnEmptyCommandTheClipboardKeepsWhatItHeld)
{
    juce::SystemClipboard::copyTextToClipboard ("what the user copied before");

    probe.copyButton().triggerClick();
    pump();

    EXPECT_EQ (juce::SystemClipboard::getTextFromClipboard(), "what the user copied before");
    EXPECT_TRUE (findAlertWindows().isEmpty());
}

TEST_F (CopyButton, TheClipboardGetsTheCommandExactly)
{
    const auto command = juce::String (juce::CharPointer_UTF8 (
        "xcrun notarytool submit \"/Users/Zo\xc3\xab/Desktop/My Synth \xe2\x80\x94 \xe6\x97\xa5\xe6\x9c\xac.pkg\" "
        "--keychain-profile \"notary\" --wait && xcrun stapler staple \"/Users/Zo\xc3\xab/Desktop/My Synth "
        "\xe2\x80\x94 \xe6\x97\xa5\xe6\x9c\xac.pkg\" && ditto -c -k \"a\" \"b.zip\"  "));

    juce::SystemClipboard::copyTextToClipboard ("earlier");
    probe.notarizationCommandEditor().setText (command, false);

    probe.copyButton().triggerClick();
    pump();

    EXPECT_EQ (juce::SystemClipboard::getTextFromClipboard(), command);
    EXPECT_EQ (probe.notarizationCommandEditor().getText(), command);
    EXPECT_TRUE (findAlertWindows().isEmpty());
}
