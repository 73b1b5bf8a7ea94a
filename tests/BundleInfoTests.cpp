// The bundle information reader, on real bundle folders on disk: what it
// returns, what it leaves in its outputs and which dialogs the user sees.

#include "FormProbe.h"

#include "builder/BundleInfo.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace testing_helpers;

namespace
{
    const juce::String missingText ("Info.plist file does not exist at path.");
    const juce::String unparsableText ("Failed to parse Info.plist.");

    const juce::String earlierId ("com.earlier.id");
    const juce::String earlierVersion ("0.9-earlier");

    /** A property list around the given entries of its top-level dictionary. */
    juce::String plistWithEntries (const juce::String& entries)
    {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
               "<plist version=\"1.0\">\n"
               "<dict>\n" + entries + "\n</dict>\n"
               "</plist>\n";
    }

    juce::String entry (const juce::String& key, const juce::String& value)
    {
        return "    <key>" + key + "</key>\n    <string>" + value + "</string>\n";
    }

    juce::String bothEntries (const juce::String& bundleId = "com.example.synth", const juce::String& version = "1.2.3")
    {
        return entry ("CFBundleIdentifier", bundleId) + entry ("CFBundleShortVersionString", version);
    }

    /** The outcome of one call, with outputs that held earlier values. */
    struct Outcome
    {
        bool ok = false;
        juce::String bundleId { earlierId }, version { earlierVersion };

        bool outputsUntouched() const   { return bundleId == earlierId && version == earlierVersion; }
    };

    class BundleInfoReader  : public ::testing::Test
    {
    protected:
        void TearDown() override
        {
            closeAllDialogs();
        }

        Outcome read (const juce::File& bundle)
        {
            Outcome outcome;
            outcome.ok = readBundleInfo (bundle.getFullPathName(), outcome.bundleId, outcome.version);
            return outcome;
        }

        Outcome readPlist (const juce::String& plistText)
        {
            return read (makeBundle (scratch.folder, "Plugin" + juce::String (++numBundles) + ".vst3", plistText));
        }

        /** A bundle whose Info.plist holds exactly these bytes. */
        juce::File bundleWithBytes (const void* data, size_t size)
        {
            auto bundle = makeBundle (scratch.folder, "Raw" + juce::String (++numBundles) + ".component", {});
            auto plist = bundle.getChildFile ("Contents").getChildFile ("Info.plist");
            plist.deleteFile();
            juce::FileOutputStream out (plist);
            EXPECT_TRUE (out.openedOk());

            // An empty file is only opened: an empty block has no data to hand on.
            if (size > 0)
                out.write (data, size);
            return bundle;
        }

        Outcome readBytes (const juce::MemoryBlock& bytes)
        {
            return read (bundleWithBytes (bytes.getData(), bytes.getSize()));
        }

        /** The texts of the dialogs that appear once the loop has run; each must be
            an error dialog (title "Error", warning icon).
        */
        juce::StringArray dialogTexts()
        {
            pump (100);
            return errorDialogTexts();
        }

        /** Expects a refusal with the given dialog, or with none when text is empty. */
        void expectRefused (const Outcome& outcome, const juce::String& text)
        {
            EXPECT_FALSE (outcome.ok);
            EXPECT_TRUE (outcome.outputsUntouched()) << outcome.bundleId << " / " << outcome.version;

            if (text.isEmpty())
                EXPECT_EQ (dialogTexts(), juce::StringArray());
            else
                EXPECT_EQ (dialogTexts(), juce::StringArray (text));

            closeAllDialogs();
        }

        void expectRefusedKeepingDialog (const Outcome& outcome)
        {
            EXPECT_FALSE (outcome.ok);
            EXPECT_TRUE (outcome.outputsUntouched());
            EXPECT_EQ (dialogTexts(), juce::StringArray (unparsableText));
        }

        void expectRead (const Outcome& outcome, const juce::String& bundleId, const juce::String& version)
        {
            EXPECT_TRUE (outcome.ok);
            EXPECT_EQ (outcome.bundleId, bundleId);
            EXPECT_EQ (outcome.version, version);
            EXPECT_EQ (dialogTexts(), juce::StringArray());
        }

        ScratchFolder scratch;
        int numBundles = 0;
    };
}

//==============================================================================
TEST_F (BundleInfoReader, ReadsTheIdentifierAndVersionOfAnXmlPropertyList)
{
    expectRead (read (makeBundle (scratch.folder, "Synth.app", makePlist ("com.example.synth", "1.2.3"))),
                "com.example.synth", "1.2.3");

    // The bundle's extension is not looked at.
    expectRead (read (makeBundle (scratch.folder, "Odd Name", makePlist ("com.example.odd", "2"))),
                "com.example.odd", "2");
}

TEST_F (BundleInfoReader, AMissingPropertyListIsReportedWithoutThePath)
{
    auto noContents = scratch.folder.getChildFile ("NoContents.vst3");
    noContents.createDirectory();

    auto noPlist = scratch.folder.getChildFile ("NoPlist.component");
    noPlist.getChildFile ("Contents").getChildFile ("MacOS").createDirectory();

    auto folderInstead = scratch.folder.getChildFile ("FolderPlist.vst");
    folderInstead.getChildFile ("Contents").getChildFile ("Info.plist").createDirectory();

    auto notThere = scratch.folder.getChildFile ("NotThere.app");

    for (auto& bundle : { noContents, noPlist, folderInstead, notThere })
    {
        SCOPED_TRACE (bundle.getFileName());
        expectRefused (read (bundle), missingText);
    }
}

TEST_F (BundleInfoReader, UnparsablePropertyListsAreReported)
{
    const char binary[] = "bplist00\xd2\x01\x02\x03\x04_\x10\x12" "CFBundleIdentifier_\x10\x1a" "CFBundleShortVersionString"
                          "_\x10\x11" "com.example.synth" "S1.0\x08\x0d";

    struct Case { const char* name; juce::MemoryBlock bytes; };

    const juce::String truncatedText (makePlist ("com.example.synth", "1.0"));

    const Case cases[] = {
        { "binary property list",       juce::MemoryBlock (binary, sizeof (binary) - 1) },
        { "empty file",                 juce::MemoryBlock() },
        { "white space only",           juce::MemoryBlock (" \n\t\n ", 5) },
        { "two bytes",                  juce::MemoryBlock ("<a", 2) },
        { "plain text",                 juce::MemoryBlock ("CFBundleIdentifier = com.example.synth", 38) },
        { "unclosed elements",          juce::MemoryBlock ("<plist><dict><key>CFBundleIdentifier</key>", 43) },
        { "unterminated comment",       juce::MemoryBlock ("<plist><!-- <dict></dict></plist>", 33) },
        { "bad attribute",              juce::MemoryBlock ("<plist version><dict/></plist>", 30) },
        { "cut in a closing tag",       juce::MemoryBlock (truncatedText.toRawUTF8(), (size_t) truncatedText.indexOf ("</dict>") + 3) },
        { "cut in a value",             juce::MemoryBlock (truncatedText.toRawUTF8(), (size_t) truncatedText.lastIndexOf ("1.0") + 1) },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        expectRefused (readBytes (c.bytes), unparsableText);
    }
}

TEST_F (BundleInfoReader, TextIsUtf8OrUtf16AndStrayBytesAreReadAsLatin1)
{
    {
        SCOPED_TRACE ("Latin-1 byte in a value");
        const juce::String text (plistWithEntries (bothEntries ("com.example.caf@", "1.0")));
        juce::MemoryBlock bytes (text.toRawUTF8(), text.getNumBytesAsUTF8());
        static_cast<char*> (bytes.getData())[text.indexOf ("@")] = (char) 0xe9;
        expectRead (readBytes (bytes), juce::String::fromUTF8 ("com.example.caf\xc3\xa9"), "1.0");
    }

    {
        SCOPED_TRACE ("UTF-8 sequence cut off at the end of the file: text after the root element");
        const juce::String text (plistWithEntries (bothEntries ("com.example.cut", "2.0")) + "\n");
        juce::MemoryBlock bytes (text.toRawUTF8(), text.getNumBytesAsUTF8());
        bytes.append ("\xe2\x82", 2);
        expectRefused (readBytes (bytes), unparsableText);
    }

    {
        SCOPED_TRACE ("UTF-8 with a byte-order mark and non-ASCII values");
        const juce::String text (plistWithEntries (bothEntries (juce::String::fromUTF8 ("com.example.caf\xc3\xa9"), "1.0")));
        juce::MemoryBlock bytes ("\xef\xbb\xbf", 3);
        bytes.append (text.toRawUTF8(), text.getNumBytesAsUTF8());
        expectRead (readBytes (bytes), juce::String::fromUTF8 ("com.example.caf\xc3\xa9"), "1.0");
    }

    {
        SCOPED_TRACE ("UTF-16 with a byte-order mark");
        const juce::String text (plistWithEntries (bothEntries ("com.example.wide", "4.5")));
        juce::MemoryOutputStream out;
        out.writeByte ((char) 0xff);
        out.writeByte ((char) 0xfe);

        for (auto c : text)
            out.writeShort ((short) c);

        expectRead (readBytes (out.getMemoryBlock()), "com.example.wide", "4.5");
    }

    {
        SCOPED_TRACE ("UTF-16 in both byte orders, with a surrogate pair and a lone surrogate");
        const auto text = plistWithEntries (bothEntries ("com.example.@keys", "5.#")
                                            + entry ("NSHumanReadableCopyright", "@ 2026 Vostrand"));

        for (auto bigEndian : { false, true })
        {
            juce::MemoryOutputStream out;
            auto writeUnit = [&] (int unit) { bigEndian ? out.writeShortBigEndian ((short) unit) : out.writeShort ((short) unit); };
            writeUnit (0xfeff);

            for (auto c : text)
            {
                if (c == '@')       { writeUnit (0xd83c); writeUnit (0xdfb9); }   // U+1F3B9
                else if (c == '#')  { writeUnit (0xdc00); }
                else                { writeUnit ((int) c); }
            }

            expectRead (readBytes (out.getMemoryBlock()), juce::String::fromUTF8 ("com.example.\xf0\x9f\x8e\xb9keys"),
                        juce::String::fromUTF8 ("5.\xef\xbf\xbd"));
        }
    }
}

TEST_F (BundleInfoReader, WithoutATopLevelDictionaryTheBundleIsRefusedSilently)
{
    const char* const documents[] = {
        "<plist version=\"1.0\"><array><string>x</string></array></plist>",
        "<plist/>",
        // a dictionary deeper down is not searched for
        "<plist><array><dict><key>CFBundleIdentifier</key><string>a</string>"
            "<key>CFBundleShortVersionString</key><string>1</string></dict></array></plist>",
        // the root is not examined: a root dictionary with no dictionary inside
        "<dict><key>CFBundleIdentifier</key><string>a</string>"
            "<key>CFBundleShortVersionString</key><string>1</string></dict>",
    };

    for (auto* document : documents)
    {
        SCOPED_TRACE (document);
        expectRefused (readPlist (document), {});
    }
}

TEST_F (BundleInfoReader, TheFirstDictionaryChildOfTheRootIsWalkedWhateverItsCaseAndTheRootsTag)
{
    // A root dictionary holding a dictionary: the inner one is walked.
    expectRead (readPlist ("<dict><dict>" + bothEntries ("com.inner", "7") + "</dict></dict>"), "com.inner", "7");

    // "DICT" matches; the root may be called anything.
    expectRead (readPlist ("<whatever><DICT>" + bothEntries ("com.upper", "8") + "</DICT></whatever>"), "com.upper", "8");

    // Only the first dictionary counts, even when the second has the entries.
    expectRefused (readPlist ("<plist><dict>" + entry ("CFBundleName", "x") + "</dict>"
                              "<dict>" + bothEntries() + "</dict></plist>"), {});

    // Other elements and text before the dictionary do not matter.
    expectRead (readPlist ("<plist>text<array/><!-- note --><dict>" + bothEntries ("com.after", "9") + "</dict></plist>"),
                "com.after", "9");
}

TEST_F (BundleInfoReader, AMissingOrEmptyIdentifierOrVersionIsRefusedSilently)
{
    const juce::String dictionaries[] = {
        entry ("CFBundleIdentifier", "com.example.synth"),
        entry ("CFBundleShortVersionString", "1.0"),
        entry ("CFBundleIdentifier", "") + entry ("CFBundleShortVersionString", "1.0"),
        entry ("CFBundleIdentifier", "com.example.synth") + entry ("CFBundleShortVersionString", " \n\t "),
        entry ("CFBundleIdentifier", "com.example.synth") + "<key>CFBundleShortVersionString</key><string/>",
        entry ("CFBundleIdentifier", "com.example.synth") + entry ("CFBundleVersion", "1.0"),
        {},
    };

    for (auto& entries : dictionaries)
    {
        SCOPED_TRACE (entries);
        expectRefused (readPlist (plistWithEntries (entries)), {});
    }
}

TEST_F (BundleInfoReader, WhiteSpaceAroundKeysAndValuesIsRemoved)
{
    const auto entries = "    <key>  CFBundleIdentifier\n  </key>\n"
                         "    <string>\n        com.example.indented\n    </string>\n"
                         "    <key>\tCFBundleShortVersionString\t</key>\n"
                         "    <string>\r\n\t  1.0 beta 2  \r\n</string>\n";

    // White space inside a value stays, and the form of the values is not checked.
    expectRead (readPlist (plistWithEntries (entries)), "com.example.indented", "1.0 beta 2");
}

TEST_F (BundleInfoReader, KeysMatchOnlyInTheirExactLetterCase)
{
    expectRefused (readPlist (plistWithEntries (entry ("CFBundleidentifier", "com.example.synth")
                                                 + entry ("CFBundleShortVersionString", "1.0"))), {});

    expectRefused (readPlist (plistWithEntries (entry ("CFBundleIdentifier", "com.example.synth")
                                                 + entry ("cfbundleshortversionstring", "1.0"))), {});
}

TEST_F (BundleInfoReader, AKeyTakesTheNextStringElementWhateverStandsBetween)
{
    const auto entries = "<key>CFBundleIdentifier</key><true/><array><string>not this</string></array>"
                         "<integer>3</integer><dict><key>CFBundleIdentifier</key><string>nor this</string></dict>"
                         "<string>com.example.after</string>"
                         "<key>CFBundleShortVersionString</key><false/><string>2.0</string>";

    expectRead (readPlist (plistWithEntries (entries)), "com.example.after", "2.0");
}

TEST_F (BundleInfoReader, TheLastOccurrenceOfAKeyCounts)
{
    expectRead (readPlist (plistWithEntries (bothEntries ("com.first", "1.0") + bothEntries ("com.second", "2.0"))),
                "com.second", "2.0");

    // An empty later value replaces a good earlier one, and the bundle is refused.
    expectRefused (readPlist (plistWithEntries (bothEntries ("com.first", "1.0")
                                                 + entry ("CFBundleShortVersionString", ""))), {});
}

TEST_F (BundleInfoReader, StringsWithoutAKeyAreIgnored)
{
    // A string before any key, a second string after a consumed key, a key
    // without a value that the next key replaces.
    const auto entries = "<string>orphan</string>"
                         "<key>CFBundleIdentifier</key><string>com.example.synth</string><string>stray</string>"
                         "<key>CFBundleShortVersionString</key><key>CFBundleName</key><string>Synth</string>"
                         "<key>CFBundleShortVersionString</key><string>3.1</string>";

    expectRead (readPlist (plistWithEntries (entries)), "com.example.synth", "3.1");

    // The replaced key stores nothing.
    expectRefused (readPlist (plistWithEntries ("<key>CFBundleIdentifier</key><key>CFBundleName</key><string>x</string>"
                                                + entry ("CFBundleShortVersionString", "1"))), {});
}

TEST_F (BundleInfoReader, KeyAndStringTagsInOtherLetterCaseAreSkipped)
{
    // "KEY" neither sets nor replaces the current key; "String" is no value.
    const auto entries = "<key>CFBundleIdentifier</key><KEY>CFBundleName</KEY><String>not this</String>"
                         "<string>com.example.synth</string>"
                         "<Key>CFBundleShortVersionString</Key><STRING>9.9</STRING>"
                         "<key>CFBundleShortVersionString</key><string>1.5</string>";

    expectRead (readPlist (plistWithEntries (entries)), "com.example.synth", "1.5");

    expectRefused (readPlist (plistWithEntries ("<KEY>CFBundleIdentifier</KEY><string>com.example.synth</string>"
                                                + entry ("CFBundleShortVersionString", "1"))), {});
}

TEST_F (BundleInfoReader, TheTextOfAValueIsAllTheTextBelowIt)
{
    const auto entries = "<key>CFBundleIdentifier</key><string>com.<!-- c -->example<b>.</b>&amp;<![CDATA[<x>]]>&#x41;</string>"
                         "<key>CFBundleShortVersionString</key><string> &lt;1.0&gt; </string>";

    expectRead (readPlist (plistWithEntries (entries)), "com.example.&<x>A", "<1.0>");
}

TEST_F (BundleInfoReader, TheOutputsKeepTheirValuesOnEveryFailure)
{
    // The refusal helpers check the outputs each time; here the reader is
    // called on one pair of outputs in turn, as a form row does.
    juce::String bundleId ("com.kept"), version ("5.0");

    auto good = makeBundle (scratch.folder, "Good.vst3", makePlist ("com.good", "1.0"));
    auto noVersion = makeBundle (scratch.folder, "NoVersion.vst3", plistWithEntries (entry ("CFBundleIdentifier", "com.other")));
    auto broken = makeBundle (scratch.folder, "Broken.vst3", "<plist><dict>");

    EXPECT_FALSE (readBundleInfo (noVersion.getFullPathName(), bundleId, version));
    EXPECT_FALSE (readBundleInfo (broken.getFullPathName(), bundleId, version));
    EXPECT_FALSE (readBundleInfo (scratch.folder.getChildFile ("Gone.vst3").getFullPathName(), bundleId, version));
    EXPECT_EQ (bundleId, "com.kept");
    EXPECT_EQ (version, "5.0");

    EXPECT_TRUE (readBundleInfo (good.getFullPathName(), bundleId, version));
    EXPECT_EQ (bundleId, "com.good");
    EXPECT_EQ (version, "1.0");

    auto texts = dialogTexts();
    texts.sort (false);
    EXPECT_EQ (texts, juce::StringArray (unparsableText, missingText));
}

TEST_F (BundleInfoReader, TheDialogHasOneButtonThatClosesIt)
{
    expectRefusedKeepingDialog (readPlist ("not xml"));

    auto* alert = findAlertWindows().getFirst();
    ASSERT_NE (alert, nullptr);
    ASSERT_EQ (alert->getNumButtons(), 1);

    juce::Button* button = nullptr;

    for (auto* child : alert->getChildren())
        if (auto* b = dynamic_cast<juce::Button*> (child))
            button = b;

    ASSERT_NE (button, nullptr);
    button->triggerClick();
    pump (100);
    EXPECT_TRUE (findAlertWindows().isEmpty());
}

//==============================================================================
// Hostile and broken files: none may crash or hang the app.

namespace
{
    juce::String nested (const juce::String& open, const juce::String& close, int levels, const juce::String& inside = {})
    {
        return juce::String::repeatedString (open, levels) + inside + juce::String::repeatedString (close, levels);
    }
}

TEST_F (BundleInfoReader, DeeplyNestedDocumentsAreRefusedInsteadOfOverflowingTheStack)
{
    const juce::String documents[] = {
        // Deep enough to overflow the stack of a recursive parser.
        // (Each well under the size limit: it is the depth that is refused.)
        plistWithEntries (bothEntries() + "<key>Deep</key>" + nested ("<a>", "</a>", 100000)),
        nested ("<a>", "</a>", 120000),
        plistWithEntries ("<key>CFBundleIdentifier</key><string>" + nested ("<b>", "</b>", 50000, "x") + "</string>"),
        // Never closed, in one line without white space.
        "<plist><dict>" + nested ("<a>", {}, 100000),
        // Just over the limit.
        plistWithEntries (bothEntries() + "<key>Deep</key>" + nested ("<array>", "</array>", 1000)),
    };

    for (auto& document : documents)
    {
        SCOPED_TRACE (document.substring (0, 60));
        expectRefused (readPlist (document), unparsableText);
    }

    // Nesting that real property lists could have is read.
    expectRead (readPlist (plistWithEntries (bothEntries ("com.deep", "1") + "<key>Deep</key>"
                                              + nested ("<array>", "</array>", 900, "<true/>"))),
                "com.deep", "1");
}

TEST_F (BundleInfoReader, LargeFilesAndInternalDoctypeSubsetsAreRead)
{
    // Embedded icon data makes a property list megabytes long.
    const auto icon = juce::String::repeatedString ("QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVo=\n", 44000);
    const auto large = plistWithEntries ("<key>Icon</key><data>" + icon + "</data>" + bothEntries ("com.big", "2"));
    ASSERT_GT (large.getNumBytesAsUTF8(), (size_t) 1600000);
    expectRead (readPlist (large), "com.big", "2");

    const juce::String doctypes[] = {
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\" []>",
        "<!DOCTYPE plist [ <!ELEMENT plist ANY> <!ATTLIST plist version CDATA \"1.0\"> ]>",
    };

    for (auto& doctype : doctypes)
    {
        SCOPED_TRACE (doctype);
        expectRead (readPlist ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + doctype + "\n<plist version=\"1.0\"><dict>"
                               + bothEntries ("com.subset", "3") + "</dict></plist>"),
                    "com.subset", "3");
    }

    // Only a file beyond any real property list is refused, before it is read.
    auto bundle = makeBundle (scratch.folder, "Huge.vst3", {});
    ASSERT_EQ (truncate (bundle.getChildFile ("Contents/Info.plist").getFullPathName().toRawUTF8(),
                         64 * 1024 * 1024 + 1), 0);
    expectRefused (read (bundle), unparsableText);
}

TEST_F (BundleInfoReader, FilesThatCannotBeReadToTheirEndAreRefused)
{
    // A named pipe nobody writes to, and an endless device: reading either
    // would block or never end.
    auto fifoBundle = scratch.folder.getChildFile ("Fifo.vst3");
    fifoBundle.getChildFile ("Contents").createDirectory();
    ASSERT_EQ (mkfifo (fifoBundle.getChildFile ("Contents/Info.plist").getFullPathName().toRawUTF8(), 0600), 0);
    expectRefused (read (fifoBundle), unparsableText);

    auto zeroBundle = scratch.folder.getChildFile ("Zero.vst3");
    zeroBundle.getChildFile ("Contents").createDirectory();
    ASSERT_TRUE (juce::File ("/dev/zero").createSymbolicLink (zeroBundle.getChildFile ("Contents/Info.plist"), false));
    expectRefused (read (zeroBundle), unparsableText);

    // A link to a real property list is followed.
    auto realPlist = scratch.folder.getChildFile ("Real.plist");
    ASSERT_TRUE (realPlist.replaceWithText (makePlist ("com.linked", "3")));
    auto linkBundle = scratch.folder.getChildFile ("Link.vst3");
    linkBundle.getChildFile ("Contents").createDirectory();
    ASSERT_TRUE (realPlist.createSymbolicLink (linkBundle.getChildFile ("Contents/Info.plist"), false));
    expectRead (read (linkBundle), "com.linked", "3");
}

TEST_F (BundleInfoReader, EntityTricksAreRefusedOrReadSafely)
{
    // Declared entities (an internal DTD subset), here expanding into themselves
    // for ever, and "billion laughs".
    expectRefused (readPlist ("<?xml version=\"1.0\"?>\n<!DOCTYPE plist [ <!ENTITY a \"&a;\"> ]>\n"
                              "<plist><dict><key>CFBundleIdentifier</key><string>&a;</string>"
                              "<key>CFBundleShortVersionString</key><string>1</string></dict></plist>"),
                   unparsableText);

    expectRefused (readPlist ("<!DOCTYPE plist [ <!ENTITY l \"lol\"> <!ENTITY l1 \"&l;&l;&l;&l;&l;&l;&l;&l;\"> "
                              "<!ENTITY l2 \"&l1;&l1;&l1;&l1;&l1;&l1;&l1;&l1;\"> ]><plist><dict>"
                              + bothEntries ("&l2;", "1") + "</dict></plist>"),
                   unparsableText);

    // A reference whose name is markup, or that runs into the end of the file.
    expectRefused (readPlist (plistWithEntries (bothEntries() + "<key>X</key><string>&<a><a><a>;</string>")),
                   unparsableText);
    expectRefused (readPlist ("<plist><dict><string>&#x41"), unparsableText);

    // Undeclared entities beside an internal subset: the parser would look each one
    // up in the subset's tokens.
    expectRefused (readPlist ("<!DOCTYPE plist SYSTEM \"x.dtd\" [ <!ELEMENT plist ANY> ]><plist><dict>"
                              + bothEntries ("com.&vendor;.synth", "1") + "</dict></plist>"),
                   unparsableText);

    // An external DTD is never opened, even an endless one; unknown entities stand for their names.
    expectRead (readPlist ("<!DOCTYPE plist SYSTEM \"/dev/zero\"><plist><dict>"
                           + bothEntries ("com.&vendor;.synth", "1") + "</dict></plist>"),
                "com.vendor.synth", "1");
}

TEST_F (BundleInfoReader, ManyDistinctTagNamesAreRefused)
{
    // Every tag name goes into one shared, sorted pool: inserting tens of
    // thousands of different ones takes quadratic time.
    juce::MemoryOutputStream many;

    for (int i = 0; i < 60000; ++i)
        many << "<t" << i << "/>";

    expectRefused (readPlist (plistWithEntries (bothEntries() + "<key>Many</key><array>" + many.toString() + "</array>")),
                   unparsableText);

    // The same tag over and over is fine.
    expectRead (readPlist (plistWithEntries (bothEntries ("com.many", "4") + "<key>Many</key><array>"
                                              + juce::String::repeatedString ("<true/>", 60000) + "</array>")),
                "com.many", "4");
}

TEST_F (BundleInfoReader, TextAfterAProcessingInstructionInsideAnElementDoesNotHang)
{
    // The parser goes round in circles for ever on text that follows a
    // processing instruction inside an element, a reference included.
    for (auto value : { "<?xml version=\"1.0\"?>com.example.synth", "<?pi?> <!-- c --> &#32;com.example.synth" })
    {
        SCOPED_TRACE (value);
        expectRefused (readPlist (plistWithEntries (entry ("CFBundleIdentifier", value)
                                                    + entry ("CFBundleShortVersionString", "9"))),
                       unparsableText);
    }

    // A processing instruction followed by an element, or at the end of an element, is fine.
    expectRead (readPlist ("<plist><dict><?pi x?><key>CFBundleIdentifier</key><string>com.pi</string>"
                           "<key>CFBundleShortVersionString</key><string>1<?pi?></string></dict></plist>"),
                "com.pi", "1");
}

TEST_F (BundleInfoReader, AngleBracketsInTheDoctypeAndASquareBracketInItsSystemLiteralAreRefused)
{
    // The parser finds the DOCTYPE's end by counting '<' and '>': one inside a
    // literal or comment there would make it read another element as the root.
    // It takes what follows a '[' for an internal subset, and searches its
    // tokens at every entity it does not know.
    const juce::String doctypes[] = {
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"[ a a a ]\">",
        "<!DOCTYPE plist SYSTEM \"x<y.dtd\">",
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"a>b.dtd\">",
        "<!DOCTYPE plist [ <!ATTLIST plist version CDATA \"<dict>\"> ]>",
        "<!DOCTYPE plist [ <!-- < --> ]>",
        "<!DOCTYPE plist [ <?pi > ?> ]>",
    };

    for (auto& doctype : doctypes)
    {
        SCOPED_TRACE (doctype);
        expectRefused (readPlist (doctype + "<plist><dict>" + bothEntries() + "</dict></plist>"), unparsableText);
    }
}
