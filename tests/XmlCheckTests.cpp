// The check that every property list passes before the framework's XML parser
// reads it, on well-formed texts that parser would misread, or take too long
// or too deep a stack to read.

#include "builder/XmlCheck.h"

#include <gtest/gtest.h>

namespace
{
    juce::String nested (const juce::String& open, const juce::String& close, int levels)
    {
        return juce::String::repeatedString (open, levels) + juce::String::repeatedString (close, levels);
    }

    /** Declarations of attributes, for an ATTLIST. */
    juce::String attributes (int count, const juce::String& type)
    {
        juce::String text;

        for (int i = 0; i < count; ++i)
            text << " a" << i << " " << type;

        return text;
    }
}

TEST (XmlCheck, WellFormedTextsThatWouldCrashHangOrBeMisreadAreRefused)
{
    const juce::String values[] = {
        "<a><?x?>b</a>",
        nested ("<a>", "</a>", 100000),
        nested ("<a>", "</a>", maxXmlNestingDepth + 1),
        "<!DOCTYPE a [ <!ENTITY e \"&e;\"> ]><a>&e;</a>",
        // Declarations that expat stops reporting after an undeclared parameter entity.
        "<!DOCTYPE a [ %p; <!ENTITY e \"&e;\"> ]><a>&e;</a>",
        "<!DOCTYPE a [ %p; <!ATTLIST a b CDATA \">><x>fake</x>\"> ]><a>real</a>",
        // Read as other characters, or slowly.
        "<a>&#x000000041;</a>",
        "<a>&#0000000000065;</a>",
        "<a b='" + juce::String::repeatedString ("&lt;", 6000) + "'/>",
        // An undeclared entity in an attribute beside an internal subset, which expat drops unreported.
        "<!DOCTYPE a SYSTEM \"x.dtd\" [ <!-- %p; --> ]><a b=\"&e;\"/>",
        // More declared attributes than expat may go through at every start tag.
        "<!DOCTYPE a [ <!ATTLIST i" + attributes (maxXmlAttributeDeclarations + 1, "CDATA \"\"") + "> ]><a><i/></a>",
        "<!DOCTYPE a [ <!ATTLIST i" + attributes (maxXmlAttributeDeclarations + 1, "ID #IMPLIED") + "> ]><a><i/></a>",
    };

    for (auto& value : values)
    {
        SCOPED_TRACE (value.substring (0, 40));
        EXPECT_FALSE (isSafeWellFormedXml (value));
    }

    const juce::String sound[] = {
        "<a>b</a>",
        " <a x='1'><b/>text</a>",
        "<a><?pi?><b/></a>",
        "<a>&#x00000041;&#000000000065;</a>",
        "<!DOCTYPE a SYSTEM \"x.dtd\" [ <!ELEMENT a ANY> ]><a b=\"&amp;&lt;&gt;&quot;&apos;&#65;\"/>",
        "<!DOCTYPE a [ <!ATTLIST i" + attributes (maxXmlAttributeDeclarations, "CDATA #IMPLIED") + "> ]><a><i/></a>",
    };

    for (auto& value : sound)
    {
        SCOPED_TRACE (value.substring (0, 60));
        EXPECT_TRUE (isSafeWellFormedXml (value));
    }

    // Nesting that stays within the limit is fine.
    EXPECT_TRUE (isSafeWellFormedXml (nested ("<a>", "</a>", maxXmlNestingDepth)));
}
