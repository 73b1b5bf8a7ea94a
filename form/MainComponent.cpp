#include "form/MainComponent.h"
#include "form/HelpDialogs.h"

namespace
{
    const juce::Colour formBackground (0xff323e44);
    const juce::Colour placeholderColour (0xff808080);

    void configureLabel (juce::Label& label, const juce::String& text, float fontHeight, bool isInformation)
    {
        label.setText (TRANS (text), juce::dontSendNotification);
        label.setFont (juce::Font (fontHeight, juce::Font::plain).withTypefaceStyle ("Regular"));
        label.setJustificationType (juce::Justification::centredLeft);
        label.setEditable (false, false, false);

        if (isInformation)
            label.setColour (juce::Label::textColourId, juce::Colour (0xffe1e1e1));

        label.setColour (juce::TextEditor::textColourId, juce::Colours::black);
        label.setColour (juce::TextEditor::backgroundColourId, juce::Colour (0x00000000));
    }

    void configureTextField (juce::TextEditor& editor, const juce::String& prompt, bool readOnly)
    {
        editor.setMultiLine (false);
        editor.setReturnKeyStartsNewLine (false);
        editor.setReadOnly (readOnly);
        editor.setScrollbarsShown (true);
        editor.setCaretVisible (! readOnly);
        editor.setPopupMenuEnabled (true);
        editor.setText (prompt.isEmpty() ? juce::String() : TRANS (prompt), false);
    }

    void turnTextIntoPlaceholder (juce::TextEditor& editor)
    {
        editor.setTextToShowWhenEmpty (editor.getText(), placeholderColour);
        editor.setText ({}, false);
    }
}

//==============================================================================
MainComponent::MainComponent()
{
    auto addCaptionLabel = [this] (std::unique_ptr<juce::Label>& label, const char* text, juce::Rectangle<int> bounds)
    {
        label = std::make_unique<juce::Label>();
        addAndMakeVisible (*label);
        configureLabel (*label, text, 15.0f, false);
        label->setBounds (bounds);
    };

    auto addInformationLabel = [this] (std::unique_ptr<juce::Label>& label, const char* text)
    {
        label = std::make_unique<juce::Label>();
        addAndMakeVisible (*label);
        configureLabel (*label, text, 12.0f, true);
    };

    auto addTextField = [this] (std::unique_ptr<juce::TextEditor>& editor, const char* prompt, bool readOnly)
    {
        editor = std::make_unique<juce::TextEditor>();
        addAndMakeVisible (*editor);
        configureTextField (*editor, prompt, readOnly);
    };

    auto addButton = [this] (std::unique_ptr<juce::TextButton>& button, const char* text)
    {
        button = std::make_unique<juce::TextButton>();
        addAndMakeVisible (*button);
        button->setButtonText (TRANS (text));
        button->addListener (this);
    };

    // 1. The widgets, in creation order.
    addCaptionLabel (appleIdLabel, "Apple ID", { 16, 16, 112, 24 });
    addTextField (appleIdEditor, "xxxxxx@xxxxx.xxx", false);
    addCaptionLabel (appPasswordLabel, "App Password", { 16, 48, 112, 24 });
    addCaptionLabel (teamLabel, "Team", { 16, 80, 112, 24 });
    addTextField (appPasswordEditor, "xxxx-xxxx-xxxx-xxxx (this must be app password)", false);
    addTextField (teamEditor, "Your Name (XXXXXXXXXX)", false);
    addCaptionLabel (auLabel, "AU", { 16, 248, 72, 24 });
    addButton (auBrowseButton, "Browse...");
    addCaptionLabel (vst3Label, "VST3", { 16, 296, 72, 24 });
    addButton (vst3BrowseButton, "Browse...");
    addCaptionLabel (vstLabel, "VST", { 16, 352, 72, 24 });
    addButton (vstBrowseButton, "Browse...");
    addButton (createButton, "Create");
    addCaptionLabel (resourcesLabel, "Resouces", { 16, 400, 72, 24 });
    addButton (resourcesBrowseButton, "Browse...");
    addInformationLabel (auBundleIdValueLabel, "unknown");
    addInformationLabel (auBundleIdLabel, "Bundle ID:");
    auBundleIdLabel->setBounds (88, 272, 64, 16);
    addInformationLabel (auVersionLabel, "Version:");
    addInformationLabel (auVersionValueLabel, "x.x.x");
    addInformationLabel (vst3BundleIdLabel, "Bundle ID:");
    vst3BundleIdLabel->setBounds (88, 320, 64, 16);
    addInformationLabel (vst3BundleIdValueLabel, "unknown");
    addInformationLabel (vst3VersionLabel, "Version:");
    addInformationLabel (vst3VersionValueLabel, "x.x.x");
    addInformationLabel (vstBundleIdLabel, "Bundle ID:");
    vstBundleIdLabel->setBounds (88, 376, 64, 16);
    addInformationLabel (vstBundleIdValueLabel, "unknown");
    addInformationLabel (vstVersionLabel, "Version:");
    addInformationLabel (vstVersionValueLabel, "x.x.x");
    addButton (auClearButton, "X");
    addButton (vst3ClearButton, "X");
    addButton (vstClearButton, "X");
    addButton (resourcesClearButton, "X");
    addCaptionLabel (appLabel, "App", { 16, 200, 72, 24 });
    addButton (appBrowseButton, "Browse...");
    addInformationLabel (appBundleIdValueLabel, "unknown");
    addInformationLabel (appBundleIdLabel, "Bundle ID:");
    appBundleIdLabel->setBounds (88, 224, 64, 16);
    addInformationLabel (appVersionLabel, "Version:");
    addInformationLabel (appVersionValueLabel, "x.x.x");
    addButton (appClearButton, "X");
    addTextField (appPathEditor, getBundleKindInfo (BundleKind::app).prompt, true);
    addTextField (auPathEditor, getBundleKindInfo (BundleKind::au).prompt, true);
    addTextField (vst3PathEditor, getBundleKindInfo (BundleKind::vst3).prompt, true);
    addTextField (vstPathEditor, getBundleKindInfo (BundleKind::vst).prompt, true);
    addTextField (resourcesPathEditor, "Browse or drop your resources folder", true);
    addCaptionLabel (keychainProfileLabel, "Keychain Profile", { 16, 112, 112, 24 });
    addTextField (keychainProfileEditor, "Enter your keychain profile name", false);
    addTextField (notarizationCommandEditor, {}, true);
    addCaptionLabel (notarizationLabel, "Notarization", { 16, 496, 88, 24 });
    addButton (copyButton, "Copy");
    addButton (keychainProfileHelpButton, "?");
    addButton (appleIdHelpButton, "?");
    addButton (appPasswordHelpButton, "?");
    addButton (teamHelpButton, "?");
    addButton (notarizationHelpButton, "?");
    addCaptionLabel (productNameLabel, "Product Name", { 16, 160, 104, 24 });
    addTextField (productNameEditor, "My Great Synth", false);
    addButton (productNameHelpButton, "?");

    // 2. The prompts become placeholders; the input fields re-check "Create" on every edit.
    for (auto* editor : { appleIdEditor.get(), appPasswordEditor.get(), teamEditor.get(),
                          keychainProfileEditor.get(), productNameEditor.get() })
    {
        turnTextIntoPlaceholder (*editor);
        editor->onTextChange = [this] { updateCreateButton(); };
    }

    for (auto* editor : { appPathEditor.get(), auPathEditor.get(), vst3PathEditor.get(),
                          vstPathEditor.get(), resourcesPathEditor.get() })
        turnTextIntoPlaceholder (*editor);

    // 3. The button actions.
    appBrowseButton->onClick       = [this] { openPluginFileChooser ("App"); };
    auBrowseButton->onClick        = [this] { openPluginFileChooser ("AU"); };
    vst3BrowseButton->onClick      = [this] { openPluginFileChooser ("VST3"); };
    vstBrowseButton->onClick       = [this] { openPluginFileChooser ("VST"); };
    resourcesBrowseButton->onClick = [this] { openResourcesFileChooser(); };
    createButton->onClick          = [this] { createInstaller(); };
    appClearButton->onClick        = [this] { setAppPath ({}); };
    auClearButton->onClick         = [this] { setAuPath ({}); };
    vst3ClearButton->onClick       = [this] { setVst3Path ({}); };
    vstClearButton->onClick        = [this] { setVstPath ({}); };
    resourcesClearButton->onClick  = [this] { setResourcesPath ({}); };
    copyButton->onClick            = [this] { copyNotarizationCommand(); };
    appleIdHelpButton->onClick         = [] { showHelp (HelpTopic::appleId); };
    appPasswordHelpButton->onClick     = [] { showHelp (HelpTopic::appPassword); };
    teamHelpButton->onClick            = [] { showHelp (HelpTopic::team); };
    keychainProfileHelpButton->onClick = [] { showHelp (HelpTopic::keychainProfile); };
    notarizationHelpButton->onClick    = [] { showHelp (HelpTopic::notarization); };

    // 4. The first state.
    updateCreateButton();
    loadRememberedFields();

    setAppPath ({});
    setAuPath ({});
    setVst3Path ({});
    setVstPath ({});

    resourcesPath = {};
    resourcesPathEditor->setText ({}, false);

    setSize (initialWidth, initialHeight);
}

MainComponent::~MainComponent()
{
    saveRememberedFields();

    // Their dialogs close with the form (the application may be quitting).
    releaseOpenChoosers();

    // The widgets go in the order in which they were created.
    appleIdLabel = nullptr;
    appleIdEditor = nullptr;
    appPasswordLabel = nullptr;
    teamLabel = nullptr;
    appPasswordEditor = nullptr;
    teamEditor = nullptr;
    auLabel = nullptr;
    auBrowseButton = nullptr;
    vst3Label = nullptr;
    vst3BrowseButton = nullptr;
    vstLabel = nullptr;
    vstBrowseButton = nullptr;
    createButton = nullptr;
    resourcesLabel = nullptr;
    resourcesBrowseButton = nullptr;
    auBundleIdValueLabel = nullptr;
    auBundleIdLabel = nullptr;
    auVersionLabel = nullptr;
    auVersionValueLabel = nullptr;
    vst3BundleIdLabel = nullptr;
    vst3BundleIdValueLabel = nullptr;
    vst3VersionLabel = nullptr;
    vst3VersionValueLabel = nullptr;
    vstBundleIdLabel = nullptr;
    vstBundleIdValueLabel = nullptr;
    vstVersionLabel = nullptr;
    vstVersionValueLabel = nullptr;
    auClearButton = nullptr;
    vst3ClearButton = nullptr;
    vstClearButton = nullptr;
    resourcesClearButton = nullptr;
    appLabel = nullptr;
    appBrowseButton = nullptr;
    appBundleIdValueLabel = nullptr;
    appBundleIdLabel = nullptr;
    appVersionLabel = nullptr;
    appVersionValueLabel = nullptr;
    appClearButton = nullptr;
    appPathEditor = nullptr;
    auPathEditor = nullptr;
    vst3PathEditor = nullptr;
    vstPathEditor = nullptr;
    resourcesPathEditor = nullptr;
    keychainProfileLabel = nullptr;
    keychainProfileEditor = nullptr;
    notarizationCommandEditor = nullptr;
    notarizationLabel = nullptr;
    copyButton = nullptr;
    keychainProfileHelpButton = nullptr;
    appleIdHelpButton = nullptr;
    appPasswordHelpButton = nullptr;
    teamHelpButton = nullptr;
    notarizationHelpButton = nullptr;
    productNameLabel = nullptr;
    productNameEditor = nullptr;
    productNameHelpButton = nullptr;
}

//==============================================================================
void MainComponent::mouseDown (const juce::MouseEvent&)
{
    if (juce::Component::getCurrentlyFocusedComponent() != nullptr)
        juce::Component::unfocusAllComponents();
}

void MainComponent::paint (juce::Graphics& g)
{
    g.fillAll (formBackground);
}

void MainComponent::resized()
{
    const auto w = getWidth();

    appleIdEditor->setBounds (128, 16, w - 176, 24);
    appleIdHelpButton->setBounds (w - 40, 16, 24, 24);
    appPasswordEditor->setBounds (128, 48, w - 176, 24);
    appPasswordHelpButton->setBounds (w - 40, 48, 24, 24);
    teamEditor->setBounds (128, 80, w - 176, 24);
    teamHelpButton->setBounds (w - 40, 80, 24, 24);
    keychainProfileEditor->setBounds (128, 112, w - 176, 24);
    keychainProfileHelpButton->setBounds (w - 40, 112, 24, 24);
    productNameEditor->setBounds (120, 160, w - 168, 24);
    productNameHelpButton->setBounds (w - 40, 160, 24, 24);

    struct RowWidgets
    {
        juce::TextEditor& pathEditor;
        juce::TextButton& clearButton;
        juce::TextButton& browseButton;
        juce::Label* bundleIdValueLabel;
        juce::Label* versionLabel;
        juce::Label* versionValueLabel;
        int y;
    };

    const RowWidgets rows[] =
    {
        { *appPathEditor,       *appClearButton,       *appBrowseButton,
          appBundleIdValueLabel.get(),  appVersionLabel.get(),  appVersionValueLabel.get(),  200 },
        { *auPathEditor,        *auClearButton,        *auBrowseButton,
          auBundleIdValueLabel.get(),   auVersionLabel.get(),   auVersionValueLabel.get(),   248 },
        { *vst3PathEditor,      *vst3ClearButton,      *vst3BrowseButton,
          vst3BundleIdValueLabel.get(), vst3VersionLabel.get(), vst3VersionValueLabel.get(), 296 },
        { *vstPathEditor,       *vstClearButton,       *vstBrowseButton,
          vstBundleIdValueLabel.get(),  vstVersionLabel.get(),  vstVersionValueLabel.get(),  352 },
        { *resourcesPathEditor, *resourcesClearButton, *resourcesBrowseButton,
          nullptr, nullptr, nullptr, 400 }
    };

    for (auto& row : rows)
    {
        row.pathEditor.setBounds (88, row.y, w - 232, 24);
        row.clearButton.setBounds (w - 136, row.y, 24, 24);
        row.browseButton.setBounds (w - 104, row.y, 88, 24);

        if (row.bundleIdValueLabel != nullptr)
        {
            row.bundleIdValueLabel->setBounds (152, row.y + 24, w - 384, 16);
            row.versionLabel->setBounds (w - 224, row.y + 24, 56, 16);
            row.versionValueLabel->setBounds (w - 168, row.y + 24, 56, 16);
        }
    }

    createButton->setBounds (w / 2 - 84, 448, 168, 24);

    notarizationCommandEditor->setBounds (112, 496, w - 256, 24);
    copyButton->setBounds (w - 136, 496, 88, 24);
    notarizationHelpButton->setBounds (w - 40, 496, 24, 24);

    updateCreateButton();
}

void MainComponent::buttonClicked (juce::Button*)
{
}

//==============================================================================
void MainComponent::updateCreateButton()
{
    const auto textsFilled = appleIdEditor->getText().isNotEmpty()
                          && appPasswordEditor->getText().isNotEmpty()
                          && teamEditor->getText().isNotEmpty()
                          && keychainProfileEditor->getText().isNotEmpty()
                          && productNameEditor->getText().isNotEmpty();

    const auto anyBundleSet = appRow.isSet() || auRow.isSet() || vst3Row.isSet() || vstRow.isSet();

    createButton->setEnabled (textsFilled && anyBundleSet);
}

//==============================================================================
BundleRow& MainComponent::getRow (BundleKind kind) noexcept
{
    switch (kind)
    {
        case BundleKind::au:    return auRow;
        case BundleKind::vst3:  return vst3Row;
        case BundleKind::vst:   return vstRow;
        case BundleKind::app:   break;
    }

    return appRow;
}

juce::TextEditor& MainComponent::getPathEditor (BundleKind kind) noexcept
{
    switch (kind)
    {
        case BundleKind::au:    return *auPathEditor;
        case BundleKind::vst3:  return *vst3PathEditor;
        case BundleKind::vst:   return *vstPathEditor;
        case BundleKind::app:   break;
    }

    return *appPathEditor;
}

juce::Label& MainComponent::getBundleIdValueLabel (BundleKind kind) noexcept
{
    switch (kind)
    {
        case BundleKind::au:    return *auBundleIdValueLabel;
        case BundleKind::vst3:  return *vst3BundleIdValueLabel;
        case BundleKind::vst:   return *vstBundleIdValueLabel;
        case BundleKind::app:   break;
    }

    return *appBundleIdValueLabel;
}

juce::Label& MainComponent::getVersionValueLabel (BundleKind kind) noexcept
{
    switch (kind)
    {
        case BundleKind::au:    return *auVersionValueLabel;
        case BundleKind::vst3:  return *vst3VersionValueLabel;
        case BundleKind::vst:   return *vstVersionValueLabel;
        case BundleKind::app:   break;
    }

    return *appVersionValueLabel;
}
