#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "form/BundleKind.h"

//==============================================================================
/** The installer form: the one component that fills the main window.

    It keeps the four bundle rows and the resources folder, the signing and
    notarization details, and runs the Create road when "Create" is pressed.
*/
class MainComponent  : public juce::Component,
                       public juce::FileDragAndDropTarget,
                       public juce::Button::Listener
{
public:
    //==============================================================================
    MainComponent();
    ~MainComponent() override;

    //==============================================================================
    void mouseDown (const juce::MouseEvent& event) override;
    void paint (juce::Graphics& g) override;
    void resized() override;

    bool isInterestedInFileDrag (const juce::StringArray& files) override;
    void filesDropped (const juce::StringArray& files, int x, int y) override;

    void buttonClicked (juce::Button* button) override;

    //==============================================================================
    /** The row setters, the only code that writes a bundle row. An empty path
        clears the row; any other path is read and either fills or clears it.
    */
    void setAppPath (const juce::String& path);
    void setAuPath (const juce::String& path);
    void setVst3Path (const juce::String& path);
    void setVstPath (const juce::String& path);

    /** Enables "Create" exactly while the five texts are filled and a bundle is set. */
    void updateCreateButton();

    //==============================================================================
    /** Opens the asynchronous bundle chooser for a kind word ("App", "AU", "VST3", "VST"). */
    void openPluginFileChooser (juce::String kindWord);

    /** Opens the asynchronous chooser for the resources folder. */
    void openResourcesFileChooser();

    /** What the bundle chooser's callback does with the chosen item. */
    void bundleChosen (const juce::String& kindWord, const juce::File& result);

    /** What the resources chooser's callback does with the chosen item. */
    void resourcesFolderChosen (const juce::File& result);

    //==============================================================================
    /** The click action of "Create": asks for the destination folder. */
    void createInstaller();

    /** What the destination chooser's callback does: the whole Create road. */
    void destinationChosen (const juce::File& destination);

    /** Stages one bundle and runs pkgbuild on it. */
    void buildComponentPackage (juce::String bundlePath,
                                juce::String stagingPath,
                                juce::String packageFileName,
                                juce::String installLocation,
                                juce::String packageId,
                                juce::String version);

    /** Writes the distribution definition and runs productbuild; true on success. */
    bool buildProductPackage (juce::String stagingPath, juce::String destinationPath);

    //==============================================================================
    /** The click action of "Copy". */
    void copyNotarizationCommand();

    /** The width and height that the form gives itself. */
    static constexpr int initialWidth = 600;
    static constexpr int initialHeight = 544;

private:
    //==============================================================================
    friend struct FormProbe;

    BundleRow& getRow (BundleKind kind) noexcept;
    void setBundlePath (BundleKind kind, const juce::String& path);
    void setResourcesPath (const juce::String& path);

    juce::TextEditor& getPathEditor (BundleKind kind) noexcept;
    juce::Label& getBundleIdValueLabel (BundleKind kind) noexcept;
    juce::Label& getVersionValueLabel (BundleKind kind) noexcept;

    void loadRememberedFields();
    void saveRememberedFields();

    /** Launches a chooser; when its dialog answers, the answer goes to the form
        if the form is still there. The callback holds the chooser, which so lives
        until its dialog has answered, or until the form goes: the form then
        releases it, which closes its dialog unanswered. No dialog may outlive
        the application, whose framework would then free it wrongly at exit.
    */
    void launchChooser (std::shared_ptr<juce::FileChooser> chooser, int flags,
                        std::function<void (MainComponent&, const juce::File&)> answered);
    void releaseOpenChoosers();

    struct OpenChooser;

    //==============================================================================
    BundleRow appRow, auRow, vst3Row, vstRow;
    juce::String resourcesPath;
    std::vector<std::weak_ptr<OpenChooser>> openChoosers;

    // The widgets, in creation order, which is also their stacking order.
    std::unique_ptr<juce::Label> appleIdLabel;
    std::unique_ptr<juce::TextEditor> appleIdEditor;
    std::unique_ptr<juce::Label> appPasswordLabel;
    std::unique_ptr<juce::Label> teamLabel;
    std::unique_ptr<juce::TextEditor> appPasswordEditor;
    std::unique_ptr<juce::TextEditor> teamEditor;
    std::unique_ptr<juce::Label> auLabel;
    std::unique_ptr<juce::TextButton> auBrowseButton;
    std::unique_ptr<juce::Label> vst3Label;
    std::unique_ptr<juce::TextButton> vst3BrowseButton;
    std::unique_ptr<juce::Label> vstLabel;
    std::unique_ptr<juce::TextButton> vstBrowseButton;
    std::unique_ptr<juce::TextButton> createButton;
    std::unique_ptr<juce::Label> resourcesLabel;
    std::unique_ptr<juce::TextButton> resourcesBrowseButton;
    std::unique_ptr<juce::Label> auBundleIdValueLabel;
    std::unique_ptr<juce::Label> auBundleIdLabel;
    std::unique_ptr<juce::Label> auVersionLabel;
    std::unique_ptr<juce::Label> auVersionValueLabel;
    std::unique_ptr<juce::Label> vst3BundleIdLabel;
    std::unique_ptr<juce::Label> vst3BundleIdValueLabel;
    std::unique_ptr<juce::Label> vst3VersionLabel;
    std::unique_ptr<juce::Label> vst3VersionValueLabel;
    std::unique_ptr<juce::Label> vstBundleIdLabel;
    std::unique_ptr<juce::Label> vstBundleIdValueLabel;
    std::unique_ptr<juce::Label> vstVersionLabel;
    std::unique_ptr<juce::Label> vstVersionValueLabel;
    std::unique_ptr<juce::TextButton> auClearButton;
    std::unique_ptr<juce::TextButton> vst3ClearButton;
    std::unique_ptr<juce::TextButton> vstClearButton;
    std::unique_ptr<juce::TextButton> resourcesClearButton;
    std::unique_ptr<juce::Label> appLabel;
    std::unique_ptr<juce::TextButton> appBrowseButton;
    std::unique_ptr<juce::Label> appBundleIdValueLabel;
    std::unique_ptr<juce::Label> appBundleIdLabel;
    std::unique_ptr<juce::Label> appVersionLabel;
    std::unique_ptr<juce::Label> appVersionValueLabel;
    std::unique_ptr<juce::TextButton> appClearButton;
    std::unique_ptr<juce::TextEditor> appPathEditor;
    std::unique_ptr<juce::TextEditor> auPathEditor;
    std::unique_ptr<juce::TextEditor> vst3PathEditor;
    std::unique_ptr<juce::TextEditor> vstPathEditor;
    std::unique_ptr<juce::TextEditor> resourcesPathEditor;
    std::unique_ptr<juce::Label> keychainProfileLabel;
    std::unique_ptr<juce::TextEditor> keychainProfileEditor;
    std::unique_ptr<juce::TextEditor> notarizationCommandEditor;
    std::unique_ptr<juce::Label> notarizationLabel;
    std::unique_ptr<juce::TextButton> copyButton;
    std::unique_ptr<juce::TextButton> keychainProfileHelpButton;
    std::unique_ptr<juce::TextButton> appleIdHelpButton;
    std::unique_ptr<juce::TextButton> appPasswordHelpButton;
    std::unique_ptr<juce::TextButton> teamHelpButton;
    std::unique_ptr<juce::TextButton> notarizationHelpButton;
    std::unique_ptr<juce::Label> productNameLabel;
    std::unique_ptr<juce::TextEditor> productNameEditor;
    std::unique_ptr<juce::TextButton> productNameHelpButton;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainComponent)
};
