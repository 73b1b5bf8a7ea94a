// The form as it is built: every widget's text, prompt, style and place, at the
// widths a user can give the window, and its stacking order.

#include "tests/FormProbe.h"

#include <functional>

using namespace testing_helpers;

namespace
{
    enum class Style { caption, information, input, path, command, button };

    struct Expected
    {
        const char* name;
        Style style;
        const char* text;
        std::function<juce::Rectangle<int> (int)> bounds;
    };

    juce::Rectangle<int> at (int x, int y, int w, int h)     { return { x, y, w, h }; }

    const std::vector<Expected>& inventory()
    {
        static const std::vector<Expected> rows
        {
            { "appleIdLabel",              Style::caption,     "Apple ID",         [] (int)   { return at (16, 16, 112, 24); } },
            { "appleIdEditor",             Style::input,       nullptr,            [] (int w) { return at (128, 16, w - 176, 24); } },
            { "appleIdHelpButton",         Style::button,      "?",                [] (int w) { return at (w - 40, 16, 24, 24); } },
            { "appPasswordLabel",          Style::caption,     "App Password",     [] (int)   { return at (16, 48, 112, 24); } },
            { "appPasswordEditor",         Style::input,       "xxxx-xxxx-xxxx-xxxx (this must be app password)", [] (int w) { return at (128, 48, w - 176, 24); } },
            { "appPasswordHelpButton",     Style::button,      "?",                [] (int w) { return at (w - 40, 48, 24, 24); } },
            { "teamLabel",                 Style::caption,     "Team",             [] (int)   { return at (16, 80, 112, 24); } },
            { "teamEditor",                Style::input,       "Your Name (XXXXXXXXXX)", [] (int w) { return at (128, 80, w - 176, 24); } },
            { "teamHelpButton",            Style::button,      "?",                [] (int w) { return at (w - 40, 80, 24, 24); } },
            { "keychainProfileLabel",      Style::caption,     "Keychain Profile", [] (int)   { return at (16, 112, 112, 24); } },
            { "keychainProfileEditor",     Style::input,       "Enter your keychain profile name", [] (int w) { return at (128, 112, w - 176, 24); } },
            { "keychainProfileHelpButton", Style::button,      "?",                [] (int w) { return at (w - 40, 112, 24, 24); } },
            { "productNameLabel",          Style::caption,     "Product Name",     [] (int)   { return at (16, 160, 104, 24); } },
            { "productNameEditor",         Style::input,       "My Great Synth",   [] (int w) { return at (120, 160, w - 168, 24); } },
            { "productNameHelpButton",     Style::button,      "?",                [] (int w) { return at (w - 40, 160, 24, 24); } },

            { "appLabel",                  Style::caption,     "App",              [] (int)   { return at (16, 200, 72, 24); } },
            { "appPathEditor",             Style::path,        "Browse or drop your App", [] (int w) { return at (88, 200, w - 232, 24); } },
            { "appClearButton",            Style::button,      "X",                [] (int w) { return at (w - 136, 200, 24, 24); } },
            { "appBrowseButton",           Style::button,      "Browse...",        [] (int w) { return at (w - 104, 200, 88, 24); } },
            { "appBundleIdLabel",          Style::information, "Bundle ID:",       [] (int)   { return at (88, 224, 64, 16); } },
            { "appBundleIdValueLabel",     Style::information, "n/a",              [] (int w) { return at (152, 224, w - 384, 16); } },
            { "appVersionLabel",           Style::information, "Version:",         [] (int w) { return at (w - 224, 224, 56, 16); } },
            { "appVersionValueLabel",      Style::information, "n/a",              [] (int w) { return at (w - 168, 224, 56, 16); } },

            { "auLabel",                   Style::caption,     "AU",               [] (int)   { return at (16, 248, 72, 24); } },
            { "auPathEditor",              Style::path,        "Browse or drop your AU plugin", [] (int w) { return at (88, 248, w - 232, 24); } },
            { "auClearButton",             Style::button,      "X",                [] (int w) { return at (w - 136, 248, 24, 24); } },
            { "auBrowseButton",            Style::button,      "Browse...",        [] (int w) { return at (w - 104, 248, 88, 24); } },
            { "auBundleIdLabel",           Style::information, "Bundle ID:",       [] (int)   { return at (88, 272, 64, 16); } },
            { "auBundleIdValueLabel",      Style::information, "n/a",              [] (int w) { return at (152, 272, w - 384, 16); } },
            { "auVersionLabel",            Style::information, "Version:",         [] (int w) { return at (w - 224, 272, 56, 16); } },
            { "auVersionValueLabel",       Style::information, "n/a",              [] (int w) { return at (w - 168, 272, 56, 16); } },

            { "vst3Label",                 Style::caption,     "VST3",             [] (int)   { return at (16, 296, 72, 24); } },
            { "vst3PathEditor",            Style::path,        "Browse or drop your VST3 plugin", [] (int w) { return at (88, 296, w - 232, 24); } },
            { "vst3ClearButton",           Style::button,      "X",                [] (int w) { return at (w - 136, 296, 24, 24); } },
            { "vst3BrowseButton",          Style::button,      "Browse...",        [] (int w) { return at (w - 104, 296, 88, 24); } },
            { "vst3BundleIdLabel",         Style::information, "Bundle ID:",       [] (int)   { return at (88, 320, 64, 16); } },
            { "vst3BundleIdValueLabel",    Style::information, "n/a",              [] (int w) { return at (152, 320, w - 384, 16); } },
            { "vst3VersionLabel",          Style::information, "Version:",         [] (int w) { return at (w - 224, 320, 56, 16); } },
            { "vst3VersionValueLabel",     Style::information, "n/a",              [] (int w) { return at (w - 168, 320, 56, 16); } },

            { "vstLabel",                  Style::caption,     "VST",              [] (int)   { return at (16, 352, 72, 24); } },
            { "vstPathEditor",             Style::path,        "Browse or drop your VST plugin", [] (int w) { return at (88, 352, w - 232, 24); } },
            { "vstClearButton",            Style::button,      "X",                [] (int w) { return at (w - 136, 352, 24, 24); } },
            { "vstBrowseButton",           Style::button,      "Browse...",        [] (int w) { return at (w - 104, 352, 88, 24); } },
            { "vstBundleIdLabel",          Style::information, "Bundle ID:",       [] (int)   { return at (88, 376, 64, 16); } },
            { "vstBundleIdValueLabel",     Style::information, "n/a",              [] (int w) { return at (152, 376, w - 384, 16); } },
            { "vstVersionLabel",           Style::information, "Version:",         [] (int w) { return at (w - 224, 376, 56, 16); } },
            { "vstVersionValueLabel",      Style::information, "n/a",              [] (int w) { return at (w - 168, 376, 56, 16); } },

            { "resourcesLabel",            Style::caption,     "Resouces",         [] (int)   { return at (16, 400, 72, 24); } },
            { "resourcesPathEditor",       Style::path,        "Browse or drop your resources folder", [] (int w) { return at (88, 400, w - 232, 24); } },
            { "resourcesClearButton",      Style::button,      "X",                [] (int w) { return at (w - 136, 400, 24, 24); } },
            { "resourcesBrowseButton",     Style::button,      "Browse...",        [] (int w) { return at (w - 104, 400, 88, 24); } },

            { "createButton",              Style::button,      "Create",           [] (int w) { return at (w / 2 - 84, 448, 168, 24); } },
            { "notarizationLabel",         Style::caption,     "Notarization",     [] (int)   { return at (16, 496, 88, 24); } },
            { "notarizationCommandEditor", Style::command,     "",                 [] (int w) { return at (112, 496, w - 256, 24); } },
            { "copyButton",                Style::button,      "Copy",             [] (int w) { return at (w - 136, 496, 88, 24); } },
            { "notarizationHelpButton",    Style::button,      "?",                [] (int w) { return at (w - 40, 496, 24, 24); } },
        };

        return rows;
    }

    void expectWidgetMatches (FormProbe& probe, const Expected& expected, int width)
    {
        SCOPED_TRACE (juce::String (expected.name) + " at width " + juce::String (width));

        auto* widget = probe.widget (expected.name);
        ASSERT_NE (widget, nullptr);

        EXPECT_EQ (widget->getBounds(), expected.bounds (width));
        EXPECT_TRUE (widget->isVisible());
        EXPECT_EQ (widget->getParentComponent(), &probe.form);
        EXPECT_TRUE (widget->getName().isEmpty());

        switch (expected.style)
        {
            case Style::caption:
            case Style::information:
            {
                auto* label = dynamic_cast<juce::Label*> (widget);
                ASSERT_NE (label, nullptr);
                EXPECT_EQ (label->getText(), juce::String (expected.text));
                EXPECT_FALSE (label->isEditableOnSingleClick());
                EXPECT_FALSE (label->isEditableOnDoubleClick());
                EXPECT_EQ (label->getJustificationType(), juce::Justification::centredLeft);
                EXPECT_FLOAT_EQ (label->getFont().getHeight(), expected.style == Style::caption ? 15.0f : 12.0f);
                EXPECT_EQ (label->findColour (juce::TextEditor::textColourId), juce::Colour (0xff000000));
                EXPECT_EQ (label->findColour (juce::TextEditor::backgroundColourId), juce::Colour (0x00000000));

                if (expected.style == Style::information)
                    EXPECT_EQ (label->findColour (juce::Label::textColourId), juce::Colour (0xffe1e1e1));
                break;
            }

            case Style::input:
            case Style::path:
            case Style::command:
            {
                auto* editor = dynamic_cast<juce::TextEditor*> (widget);
                ASSERT_NE (editor, nullptr);
                const auto readOnly = expected.style != Style::input;
                EXPECT_EQ (editor->isReadOnly(), readOnly);
                EXPECT_EQ (editor->isCaretVisible(), ! readOnly);
                EXPECT_FALSE (editor->isMultiLine());
                EXPECT_FALSE (editor->getReturnKeyStartsNewLine());
                EXPECT_EQ (editor->getPasswordCharacter(), (juce::juce_wchar) 0);
                EXPECT_TRUE (editor->isPopupMenuEnabled());
                EXPECT_TRUE (editor->getText().isEmpty());

                if (expected.text != nullptr)
                    EXPECT_EQ (editor->getTextToShowWhenEmpty(), juce::String (expected.text));
                else
                    EXPECT_TRUE (editor->getTextToShowWhenEmpty().contains ("@"));
                break;
            }

            case Style::button:
            {
                auto* button = dynamic_cast<juce::TextButton*> (widget);
                ASSERT_NE (button, nullptr);
                EXPECT_EQ (button->getButtonText(), juce::String (expected.text));
                EXPECT_EQ (button->isEnabled(), juce::String (expected.name) != "createButton");
                break;
            }
        }
    }
}

//==============================================================================
TEST (FormLayout, FirstStateAtTheStartingWidth)
{
    MainComponent form;
    FormProbe probe (form);

    EXPECT_EQ (form.getWidth(), 600);
    EXPECT_EQ (form.getHeight(), 544);
    EXPECT_EQ (form.getNumChildComponents(), 56);
    EXPECT_EQ (inventory().size(), (size_t) 56);

    for (auto& expected : inventory())
        expectWidgetMatches (probe, expected, 600);

    for (auto kind : { BundleKind::app, BundleKind::au, BundleKind::vst3, BundleKind::vst })
    {
        EXPECT_TRUE (probe.row (kind).path.isEmpty());
        EXPECT_TRUE (probe.row (kind).packageFileName.isEmpty());
    }

    EXPECT_TRUE (probe.resourcesPath().isEmpty());
}

TEST (FormLayout, FollowsTheWidthAndIgnoresTheHeight)
{
    MainComponent form;
    FormProbe probe (form);

    for (auto width : { 400, 601, 603, 1000, 5000 })
    {
        form.setSize (width, 300 + width % 7);

        for (auto& expected : inventory())
            expectWidgetMatches (probe, expected, width);
    }
}

TEST (FormLayout, NumbersAtTheNarrowestAndTheStartingWidth)
{
    MainComponent form;
    FormProbe probe (form);

    form.setSize (400, 432);
    EXPECT_EQ (probe.widget ("appBundleIdValueLabel")->getWidth(), 16);
    EXPECT_EQ (probe.widget ("appBundleIdValueLabel")->getRight(), 168);
    EXPECT_EQ (probe.widget ("appVersionLabel")->getX(), 176);
    EXPECT_EQ (probe.widget ("appPathEditor")->getWidth(), 168);
    EXPECT_EQ (probe.widget ("notarizationCommandEditor")->getWidth(), 144);
    EXPECT_EQ (probe.widget ("appleIdEditor")->getWidth(), 224);
    EXPECT_EQ (probe.widget ("productNameEditor")->getWidth(), 232);
    EXPECT_EQ (probe.widget ("createButton")->getX(), 116);

    form.setSize (600, 544);
    EXPECT_EQ (probe.widget ("keychainProfileEditor")->getWidth(), 424);
    EXPECT_EQ (probe.widget ("productNameEditor")->getWidth(), 432);
    EXPECT_EQ (probe.widget ("vstPathEditor")->getWidth(), 368);
    EXPECT_EQ (probe.widget ("vst3BundleIdValueLabel")->getWidth(), 216);
    EXPECT_EQ (probe.widget ("notarizationCommandEditor")->getWidth(), 344);
    EXPECT_EQ (probe.widget ("createButton")->getX(), 216);

    form.setSize (601, 544);
    EXPECT_EQ (probe.widget ("createButton")->getX(), 216);
    form.setSize (603, 544);
    EXPECT_EQ (probe.widget ("createButton")->getX(), 217);
}

TEST (FormLayout, NoTwoWidgetsOverlapAndContentKeepsItsMargins)
{
    MainComponent form;
    FormProbe probe (form);

    for (auto width : { 400, 401, 600, 603, 1280 })
    {
        form.setSize (width, 544);
        auto widgets = probe.widgetsInCreationOrder();

        for (size_t i = 0; i < widgets.size(); ++i)
        {
            auto bounds = widgets[i].second->getBounds();
            EXPECT_GT (bounds.getWidth(), 0) << widgets[i].first;
            EXPECT_LE (bounds.getRight(), width - 16) << widgets[i].first;
            EXPECT_LE (bounds.getBottom(), 520) << widgets[i].first;

            for (size_t j = i + 1; j < widgets.size(); ++j)
                EXPECT_FALSE (bounds.intersects (widgets[j].second->getBounds()))
                    << widgets[i].first << " overlaps " << widgets[j].first << " at width " << width;
        }
    }
}

TEST (FormLayout, StackingOrderFollowsCreationOrder)
{
    MainComponent form;
    FormProbe probe (form);

    auto widgets = probe.widgetsInCreationOrder();
    ASSERT_EQ (widgets.size(), (size_t) form.getNumChildComponents());

    for (int i = 0; i < form.getNumChildComponents(); ++i)
        EXPECT_EQ (form.getChildComponent (i), widgets[(size_t) i].second) << "position " << i << ": " << widgets[(size_t) i].first;

    EXPECT_EQ (widgets.front().first, "appleIdLabel");
    EXPECT_EQ (widgets.back().first, "productNameHelpButton");
}

TEST (FormLayout, PaintsItsBackground)
{
    MainComponent form;
    juce::Image image (juce::Image::ARGB, 600, 544, true);

    {
        juce::Graphics g (image);
        form.paint (g);
    }

    EXPECT_EQ (image.getPixelAt (2, 2), juce::Colour (0xff323e44));
    EXPECT_EQ (image.getPixelAt (599, 543), juce::Colour (0xff323e44));
}

TEST (FormLayout, PressOnTheBackgroundTakesTheFocusAway)
{
    MainComponent form;
    FormProbe probe (form);

    form.addToDesktop (juce::ComponentPeer::windowIsTemporary);
    form.setVisible (true);
    pump (100);

    // Other windows on the same display may take the focus now and then: try again.
    for (int attempt = 0; attempt < 40 && ! probe.productNameEditor().hasKeyboardFocus (true); ++attempt)
    {
        form.toFront (true);
        probe.productNameEditor().grabKeyboardFocus();
        pump (50);
    }

    ASSERT_TRUE (probe.productNameEditor().hasKeyboardFocus (true));

    juce::ModifierKeys noKeys;
    juce::MouseEvent press (juce::Desktop::getInstance().getMainMouseSource(), { 300.0f, 430.0f }, noKeys,
                            0.0f, 0.0f, 0.0f, 0.0f, 0.0f, &form, &form, juce::Time::getCurrentTime(),
                            { 300.0f, 430.0f }, juce::Time::getCurrentTime(), 1, false);
    form.mouseDown (press);

    EXPECT_FALSE (probe.productNameEditor().hasKeyboardFocus (true));
    EXPECT_EQ (juce::Component::getCurrentlyFocusedComponent(), nullptr);

    // With nothing focused, a press changes nothing.
    form.mouseDown (press);
    EXPECT_EQ (juce::Component::getCurrentlyFocusedComponent(), nullptr);

    form.removeFromDesktop();
}
