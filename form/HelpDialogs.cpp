#include "form/HelpDialogs.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace
{
    const char* const appleIdText =
        "The email address you have registered with Apple as a developer.";

    const char* const appPasswordText =
        "To notarize your app, you need to obtain an App Password. Follow these steps:\n"
        "\n"
        "1. Go to the Apple ID website (https://appleid.apple.com) and log in with your Apple ID.\n"
        "2. Under 'Sign-In and Security,' ensure that Two-Factor Authentication is enabled.\n"
        "3. In the 'App-Specific Passwords' section, click 'Generate Password.'\n"
        "4. Enter a label like 'Notarization Tool' and click 'Create.'\n"
        "5. Copy the generated password and save it securely, and enter here.\n"
        "\n";

    const char* const teamText =
        "Your Apple Developer Team Name is a unique identifier associated with your Apple Developer account.\n"
        "\n"
        "It is typically displayed in the format:\n"
        "Your Name (XXXXXXXXXX)\n"
        "\n"
        "- The first part is the name of the account holder (individual or organization).\n"
        "- The part in parentheses (XXXXXXXXXX) is the Team ID, which uniquely identifies your developer account.\n"
        "\n"
        "You can find your Team Name and Team ID in the Apple Developer portal under 'Membership' or in Xcode under your account settings.";

    const char* const keychainProfileText =
        "A Keychain Profile is a saved set of credentials used to authenticate your app with Apple's Notarization service.\n"
        "\n"
        "To create a Keychain Profile, follow these steps:\n"
        "1. Open the Terminal application on your Mac.\n"
        "2. Run the following command:\n"
        "   xcrun notarytool store-credentials --apple-id <your-apple-id> --team-id <your-team-id> --keychain-profile <profile-name>\n"
        "\n"
        "   Replace <your-apple-id> with your Apple ID, <your-team-id> with your Developer Team ID (a 10-character alphanumeric string, e.g., 'XXXXXXXXXX'), and <profile-name> with a name for this profile (e.g., 'MyProfile').\n"
        "\n"
        "3. When prompted, enter your Apple ID password and the App-Specific Password for your account.\n"
        "4. The Keychain Profile will be created and stored securely in your Mac's Keychain.\n"
        "\n"
        "You can then use this profile in notarization commands with the '--keychain-profile' option.";

    const char* const notarizationText =
        "To distribute your products, you must obtain notarization from Apple. Currently, this app cannot perform "
        "the notarization process directly, so it needs to be done manually via the terminal. By clicking the "
        "\"Copy\" button, the required command will be copied to your clipboard.";
}

HelpEntry getHelpEntry (HelpTopic topic)
{
    switch (topic)
    {
        case HelpTopic::appleId:            return { "What is Apple ID?",           appleIdText };
        case HelpTopic::appPassword:        return { "What is App Password?",       appPasswordText };
        case HelpTopic::team:               return { "What is Team?",               teamText };
        case HelpTopic::keychainProfile:    return { "What is Keychain Profile?",   keychainProfileText };
        case HelpTopic::notarization:       return { "What is Notalization?",       notarizationText };
    }

    return {};
}

void showHelp (HelpTopic topic)
{
    const auto entry = getHelpEntry (topic);

    juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::InfoIcon,
                                            entry.title,
                                            entry.text);
}
