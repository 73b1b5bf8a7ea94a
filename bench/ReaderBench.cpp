// Times readBundleInfo on generated property lists that once stalled it, beside
// a plain list of the same size, and the framework's parse of a settings file
// that holds deeply nested markup as a value.
//
//   reader_bench [work folder]
//
// The work folder (default: reader-bench-work beside this program) receives the
// generated bundles; it is removed at the end.

#include <juce_core/juce_core.h>

#include "builder/BundleInfo.h"
#include "builder/Messages.h"
#include "builder/XmlCheck.h"

#include <chrono>
#include <cstdio>

namespace
{
    juce::String lastDialogText;

    double secondsSince (std::chrono::steady_clock::time_point start)
    {
        return std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count();
    }

    juce::String plist (const juce::String& doctype, const juce::String& entries)
    {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + doctype + "\n<plist version=\"1.0\">\n<dict>\n"
               "    <key>CFBundleIdentifier</key>\n    <string>com.example.synth</string>\n"
               "    <key>CFBundleShortVersionString</key>\n    <string>1.2.3</string>\n"
               + entries + "\n</dict>\n</plist>\n";
    }

    const juce::String appleDoctype ("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                     "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">");

    /** Repeats the piece until the text holds about the given number of bytes. */
    juce::String repeatedTo (const juce::String& piece, int numBytes)
    {
        return juce::String::repeatedString (piece, numBytes / piece.length());
    }

    struct Family
    {
        const char* name;
        juce::String (*make) (int numBytes);
    };

    const Family families[] = {
        { "plain list (data)", [] (int n) { return plist (appleDoctype, "<key>Icon</key><data>" + repeatedTo ("QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVo=\n", n) + "</data>"); } },
        { "plain list (empty elements)", [] (int n) { return plist (appleDoctype, "<key>B</key><array>" + repeatedTo ("<i/>", n) + "</array>"); } },
        { "&#65; in a string", [] (int n) { return plist (appleDoctype, "<key>A</key><string>" + repeatedTo ("&#65;", n) + "</string>"); } },
        { "[ in the system literal, &b; in the text", [] (int n)
            { return plist ("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"[ " + repeatedTo ("a ", n / 2) + "]\">",
                            "<key>B</key><string>" + repeatedTo ("&b;", n / 2) + "</string>"); } },
        { "[ in the system literal, %a; tokens", [] (int n)
            { return plist ("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"[ " + repeatedTo ("%a; ", n - 100) + "]\">",
                            "<key>B</key><string>&b;</string>"); } },
        { "&e; in attributes beside an internal subset", [] (int n)
            { return plist ("<!DOCTYPE plist SYSTEM \"x.dtd\" [ <!-- " + repeatedTo ("x ", n / 2) + "--> ]>",
                            "<key>B</key><array>" + repeatedTo ("<i b=\"&e;\"/>", n / 2) + "</array>"); } },
        { "declared attributes, then empty elements", [] (int n)
            { return plist ("<!DOCTYPE plist [ <!ATTLIST i" + repeatedTo (" a CDATA #IMPLIED", n / 2) + "> ]>",
                            "<key>B</key><array>" + repeatedTo ("<i/>", n / 2) + "</array>"); } },
        { "most declared attributes, empty elements", [] (int n)
            {
                juce::String attributes;

                for (int i = 0; i < maxXmlAttributeDeclarations; ++i)
                    attributes << " a" << i << " CDATA \"\"";

                return plist ("<!DOCTYPE plist [ <!ATTLIST i" + attributes + "> ]>",
                              "<key>B</key><array>" + repeatedTo ("<i/>", n) + "</array>");
            } },
        { "key text 996 elements deep", [] (int n)
            { return plist (appleDoctype, "<key>" + juce::String::repeatedString ("x<a>", 996) + repeatedTo ("t", n)
                                           + juce::String::repeatedString ("</a>", 996) + "</key><string>v</string>"); } },
    };

    void timeReader (const juce::File& workFolder, const Family& family, int megabytes)
    {
        const auto bundle = workFolder.getChildFile ("Bench.vst3");
        const auto text = family.make (megabytes * 1024 * 1024);
        bundle.getChildFile ("Contents").createDirectory();
        bundle.getChildFile ("Contents/Info.plist").replaceWithText (text);

        lastDialogText.clear();
        juce::String bundleId, version;
        const auto start = std::chrono::steady_clock::now();
        const auto ok = readBundleInfo (bundle.getFullPathName(), bundleId, version);
        const auto seconds = secondsSince (start);

        std::printf ("%-46s %2d MB (%9d bytes): %7.3f s  %s\n", family.name, megabytes,
                     (int) text.getNumBytesAsUTF8(), seconds,
                     ok ? "read" : (lastDialogText.isNotEmpty() ? lastDialogText.toRawUTF8() : "refused silently"));
    }

    void timeSettingsParse (int levels)
    {
        juce::XmlElement document ("PROPERTIES");
        auto* value = document.createNewChildElement ("VALUE");
        value->setAttribute ("name", "KeychainProfile");
        value->setAttribute ("val", juce::String::repeatedString ("<a>", levels) + juce::String::repeatedString ("</a>", levels));
        const auto text = document.toString();

        const auto start = std::chrono::steady_clock::now();
        const auto parsed = juce::parseXML (text);
        const auto seconds = secondsSince (start);

        std::printf ("settings file, a value %6d levels deep (%7d bytes): %7.3f s  %s\n", levels,
                     (int) text.getNumBytesAsUTF8(), seconds, parsed != nullptr ? "parsed" : "not parsed");
    }
}

// The reader's error dialog, recorded instead of shown.
void showErrorDialog (const juce::String& text)      { lastDialogText = text; }
void writeDiagnosticLine (const juce::String&)       {}

int main (int argc, char* argv[])
{
    const auto workFolder = argc > 1 ? juce::File::getCurrentWorkingDirectory().getChildFile (argv[1])
                                     : juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                                           .getSiblingFile ("reader-bench-work");
    workFolder.createDirectory();

    for (auto megabytes : { 1, 8 })
        for (auto& family : families)
            timeReader (workFolder, family, megabytes);

    for (auto levels : { 2000, 20000, 100000 })
        timeSettingsParse (levels);

    workFolder.deleteRecursively();
    return 0;
}
