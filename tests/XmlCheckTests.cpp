// The check that every text passes before the framework's XML parser sees it,
// for texts that are not property lists: the settings store offers every
// remembered value to that parser as it writes its file.

#include "builder/XmlCheck.h"

#include <gtest/gtest.h>

namespace
{
    juce::String nested (const juce::String& open, const juce::String& close, int levels)
    {
        return juce::String::repeatedString (open, levels) + juce::String::repeatedString (close, levels);
    }
}

TEST (XmlCheck, OrdinaryAndUnusualValuesPassAndMarkupIsTold)
{
    for (auto value : { "", "  jane@example.com", "Jane <Doe>", "a & b", "<", "<Jane>", "abc&#x1",
                        "Jane Doe (AB12CD34EF)", "\xc3\xa9t\xc3\xa9", "<&Pa55word", "<?x9-secret", "<!Pa55" })
    {
        SCOPED_TRACE (value);
        EXPECT_EQ (checkXml (juce::String::fromUTF8 (value)), XmlVerdict::notWellFormed);
    }

    for (auto value : { "<a>b</a>", " <a x='1'><b/>text</a>", "<a><?pi?><b/></a>" })
    {
        SCOPED_TRACE (value);
        EXPECT_EQ (checkXml (value), XmlVerdict::wellFormed);
    }
}

TEST (XmlCheck, TextsThatWouldCrashOrHangTheParserAreUnsafe)
{
    const juce::String values[] = {
        "<a><?x?>b</a>",
        nested ("<a>", "</a>", 100000),
        nested ("<a>", "</a>", maxXmlNestingDepth + 1),
        juce::String::repeatedString ("<a>", 100000),
        // Not XML, but the parser reads on past the first error.
        "<r><a></b>" + juce::String::repeatedString ("<a>", 5000),
        "<r x><?x?>b</r>",
        "<a>&#x41",
        "<a>" + juce::String::repeatedString ("&", 100000),
        "<a" + juce::String::repeatedString (" _=''", 20000) + " $/>",
        "<!DOCTYPE a [ <!ENTITY e \"&e;\"> ]><a>&e;</a>",
        // Declarations that expat stops reporting after an undeclared parameter entity.
        "<!DOCTYPE a [ %p; <!ENTITY e \"&e;\"> ]><a>&e;</a>",
        "<!DOCTYPE a [ %p; <!ATTLIST a b CDATA \">><x>fake</x>\"> ]><a>real</a>",
        // Read as other characters, or slowly.
        "<a>&#x000000041;</a>",
        "<a>&#0000000000065;</a>",
        "<a b='" + juce::String::repeatedString ("&lt;", 6000) + "'/>",
    };

    for (auto& value : values)
    {
        SCOPED_TRACE (value.substring (0, 40));
        EXPECT_EQ (checkXml (value), XmlVerdict::unsafe);
    }

    // Nesting that stays within the limit is fine.
    EXPECT_EQ (checkXml (nested ("<a>", "</a>", maxXmlNestingDepth)), XmlVerdict::wellFormed);
}
