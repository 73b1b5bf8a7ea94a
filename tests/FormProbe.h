#pragma once

// Test access to the form's widgets and rows, and small helpers shared by the
// test files: pumping the message loop, finding dialogs, making bundles on disk.

#include <juce_gui_basics/juce_gui_basics.h>
#include <gtest/gtest.h>

#include "form/MainComponent.h"

struct FormProbe
{
    explicit FormProbe (MainComponent& f) : form (f) {}

    MainComponent& form;

    const BundleRow& row (BundleKind kind) const    { return form.getRow (kind); }
    const juce::String& resourcesPath() const       { return form.resourcesPath; }

    juce::TextEditor& pathEditor (BundleKind kind)          { return form.getPathEditor (kind); }
    juce::Label& bundleIdValueLabel (BundleKind kind)       { return form.getBundleIdValueLabel (kind); }
    juce::Label& versionValueLabel (BundleKind kind)        { return form.getVersionValueLabel (kind); }

    juce::TextEditor& appleIdEditor()               { return *form.appleIdEditor; }
    juce::TextEditor& appPasswordEditor()           { return *form.appPasswordEditor; }
    juce::TextEditor& teamEditor()                  { return *form.teamEditor; }
    juce::TextEditor& keychainProfileEditor()       { return *form.keychainProfileEditor; }
    juce::TextEditor& productNameEditor()           { return *form.productNameEditor; }
    juce::TextEditor& resourcesPathEditor()         { return *form.resourcesPathEditor; }
    juce::TextEditor& notarizationCommandEditor()   { return *form.notarizationCommandEditor; }

    juce::TextButton& createButton()                { return *form.createButton; }
    juce::TextButton& copyButton()                  { return *form.copyButton; }
    juce::TextButton& appleIdHelpButton()           { return *form.appleIdHelpButton; }
    juce::TextButton& appPasswordHelpButton()       { return *form.appPasswordHelpButton; }
    juce::TextButton& teamHelpButton()              { return *form.teamHelpButton; }
    juce::TextButton& keychainProfileHelpButton()   { return *form.keychainProfileHelpButton; }
    juce::TextButton& notarizationHelpButton()      { return *form.notarizationHelpButton; }
    juce::TextButton& productNameHelpButton()       { return *form.productNameHelpButton; }
    juce::TextButton& resourcesClearButton()        { return *form.resourcesClearButton; }
    juce::TextButton& resourcesBrowseButton()       { return *form.resourcesBrowseButton; }

    juce::TextButton& clearButton (BundleKind kind)
    {
        switch (kind)
        {
            case BundleKind::au:    return *form.auClearButton;
            case BundleKind::vst3:  return *form.vst3ClearButton;
            case BundleKind::vst:   return *form.vstClearButton;
            case BundleKind::app:   break;
        }
        return *form.appClearButton;
    }

    juce::TextButton& browseButton (BundleKind kind)
    {
        switch (kind)
        {
            case BundleKind::au:    return *form.auBrowseButton;
            case BundleKind::vst3:  return *form.vst3BrowseButton;
            case BundleKind::vst:   return *form.vstBrowseButton;
            case BundleKind::app:   break;
        }
        return *form.appBrowseButton;
    }

    /** Every widget with its name, in creation order. */
    std::vector<std::pair<juce::String, juce::Component*>> widgetsInCreationOrder()
    {
        auto& f = form;
        return {
            { "appleIdLabel", f.appleIdLabel.get() }, { "appleIdEditor", f.appleIdEditor.get() },
            { "appPasswordLabel", f.appPasswordLabel.get() }, { "teamLabel", f.teamLabel.get() },
            { "appPasswordEditor", f.appPasswordEditor.get() }, { "teamEditor", f.teamEditor.get() },
            { "auLabel", f.auLabel.get() }, { "auBrowseButton", f.auBrowseButton.get() },
            { "vst3Label", f.vst3Label.get() }, { "vst3BrowseButton", f.vst3BrowseButton.get() },
            { "vstLabel", f.vstLabel.get() }, { "vstBrowseButton", f.vstBrowseButton.get() },
            { "createButton", f.createButton.get() }, { "resourcesLabel", f.resourcesLabel.get() },
            { "resourcesBrowseButton", f.resourcesBrowseButton.get() },
            { "auBundleIdValueLabel", f.auBundleIdValueLabel.get() }, { "auBundleIdLabel", f.auBundleIdLabel.get() },
            { "auVersionLabel", f.auVersionLabel.get() }, { "auVersionValueLabel", f.auVersionValueLabel.get() },
            { "vst3BundleIdLabel", f.vst3BundleIdLabel.get() }, { "vst3BundleIdValueLabel", f.vst3BundleIdValueLabel.get() },
            { "vst3VersionLabel", f.vst3VersionLabel.get() }, { "vst3VersionValueLabel", f.vst3VersionValueLabel.get() },
            { "vstBundleIdLabel", f.vstBundleIdLabel.get() }, { "vstBundleIdValueLabel", f.vstBundleIdValueLabel.get() },
            { "vstVersionLabel", f.vstVersionLabel.get() }, { "vstVersionValueLabel", f.vstVersionValueLabel.get() },
            { "auClearButton", f.auClearButton.get() }, { "vst3ClearButton", f.vst3ClearButton.get() },
            { "vstClearButton", f.vstClearButton.get() }, { "resourcesClearButton", f.resourcesClearButton.get() },
            { "appLabel", f.appLabel.get() }, { "appBrowseButton", f.appBrowseButton.get() },
            { "appBundleIdValueLabel", f.appBundleIdValueLabel.get() }, { "appBundleIdLabel", f.appBundleIdLabel.get() },
            { "appVersionLabel", f.appVersionLabel.get() }, { "appVersionValueLabel", f.appVersionValueLabel.get() },
            { "appClearButton", f.appClearButton.get() }, { "appPathEditor", f.appPathEditor.get() },
            { "auPathEditor", f.auPathEditor.get() }, { "vst3PathEditor", f.vst3PathEditor.get() },
            { "vstPathEditor", f.vstPathEditor.get() }, { "resourcesPathEditor", f.resourcesPathEditor.get() },
            { "keychainProfileLabel", f.keychainProfileLabel.get() }, { "keychainProfileEditor", f.keychainProfileEditor.get() },
            { "notarizationCommandEditor", f.notarizationCommandEditor.get() }, { "notarizationLabel", f.notarizationLabel.get() },
            { "copyButton", f.copyButton.get() }, { "keychainProfileHelpButton", f.keychainProfileHelpButton.get() },
            { "appleIdHelpButton", f.appleIdHelpButton.get() }, { "appPasswordHelpButton", f.appPasswordHelpButton.get() },
            { "teamHelpButton", f.teamHelpButton.get() }, { "notarizationHelpButton", f.notarizationHelpButton.get() },
            { "productNameLabel", f.productNameLabel.get() }, { "productNameEditor", f.productNameEditor.get() },
            { "productNameHelpButton", f.productNameHelpButton.get() }
        };
    }

    juce::Component* widget (const juce::String& name)
    {
        for (auto& [widgetName, component] : widgetsInCreationOrder())
            if (widgetName == name)
                return component;

        return nullptr;
    }

    /** Fills the five text fields that "Create" needs, without notifications. */
    void fillTexts (const juce::String& appleId = "dev@example.com",
                    const juce::String& password = "abcd-efgh-ijkl-mnop",
                    const juce::String& team = "Jane Doe (ABCDE12345)",
                    const juce::String& profile = "notary",
                    const juce::String& productName = "My Great Synth")
    {
        appleIdEditor().setText (appleId, false);
        appPasswordEditor().setText (password, false);
        teamEditor().setText (team, false);
        keychainProfileEditor().setText (profile, false);
        productNameEditor().setText (productName, false);
        form.updateCreateButton();
    }
};

namespace testing_helpers
{
    /** Runs the message loop for a while, so that posted messages are delivered. */
    inline void pump (int milliseconds = 50)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
    }

    /** The alert windows that are on screen now, oldest first. */
    inline juce::Array<juce::AlertWindow*> findAlertWindows()
    {
        juce::Array<juce::AlertWindow*> result;

        for (int i = 0; i < juce::TopLevelWindow::getNumTopLevelWindows(); ++i)
            if (auto* alert = dynamic_cast<juce::AlertWindow*> (juce::TopLevelWindow::getTopLevelWindow (i)))
                result.add (alert);

        return result;
    }

    /** The text a dialog shows; the framework keeps it in the window's accessible
        description as "<title>. <text>".
    */
    inline juce::String dialogText (juce::AlertWindow& alert)
    {
        return alert.getDescription().fromFirstOccurrenceOf (alert.getName() + ". ", false, false);
    }

    /** The texts of the dialogs on screen, oldest first; each must be an error
        dialog (title "Error", warning icon).
    */
    inline juce::StringArray errorDialogTexts()
    {
        juce::StringArray texts;

        for (auto* alert : findAlertWindows())
        {
            EXPECT_EQ (alert->getName(), "Error");
            EXPECT_EQ (alert->getAlertType(), juce::MessageBoxIconType::WarningIcon);
            texts.add (dialogText (*alert));
        }

        return texts;
    }

    /** Closes every dialog and pumps the loop until they are gone. */
    inline void closeAllDialogs()
    {
        for (auto* alert : findAlertWindows())
            alert->exitModalState (0);

        juce::ModalComponentManager::getInstance()->cancelAllModalComponents();
        pump (30);
    }

    /** A fresh folder for one test, removed when it goes out of scope. */
    struct ScratchFolder
    {
        ScratchFolder()
            : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                        .getNonexistentChildFile ("scratch", {}, false))
        {
            folder.createDirectory();
        }

        ~ScratchFolder()    { folder.deleteRecursively(); }

        juce::File folder;
    };

    /** Writes a bundle folder with the given Info.plist text; returns the bundle folder. */
    inline juce::File makeBundle (const juce::File& parent, const juce::String& name, const juce::String& plistText)
    {
        auto bundle = parent.getChildFile (name);
        auto contents = bundle.getChildFile ("Contents");
        contents.createDirectory();
        contents.getChildFile ("Info.plist").replaceWithText (plistText);
        contents.getChildFile ("MacOS").createDirectory();
        contents.getChildFile ("MacOS").getChildFile ("binary").replaceWithText ("binary of " + name);
        return bundle;
    }

    /** An XML property list with the two entries that the reader looks for. */
    inline juce::String makePlist (const juce::String& bundleId, const juce::String& version)
    {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
               "<plist version=\"1.0\">\n"
               "<dict>\n"
               "    <key>CFBundleExecutable</key>\n"
               "    <string>binary</string>\n"
               "    <key>CFBundleIdentifier</key>\n"
               "    <string>" + bundleId + "</string>\n"
               "    <key>CFBundleShortVersionString</key>\n"
               "    <string>" + version + "</string>\n"
               "</dict>\n"
               "</plist>\n";
    }
}
