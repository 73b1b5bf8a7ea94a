#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/*  What the framework's XML parser (juce::XmlDocument) makes of a text, told
    beforehand by expat, a streaming parser with limits of its own.

    The framework's parser reads nested elements recursively, goes round in
    circles on some input, expands declared entities within entities, counts
    angle brackets to find the end of a DOCTYPE, and reads on past most errors.
    Every text it is given, by the property-list reader or by the settings
    store (which offers each value to it), passes this check first.
*/
enum class XmlVerdict
{
    /** Well-formed XML that the framework's parser reads safely and as written. */
    wellFormed,

    /** Not well-formed, but safe to hand to the framework's parser. */
    notWellFormed,

    /** Would overflow the stack, hang, take far too long or be misread:
        never hand it to the framework's parser.
    */
    unsafe
};

/** The deepest nesting of elements that passes. */
constexpr int maxXmlNestingDepth = 1000;

/** The most distinct tag and attribute names that pass: the framework keeps
    them in one sorted pool, which makes many of them slow to parse.
*/
constexpr int maxXmlDistinctNames = 10000;

/** Checks a text before it goes to the framework's XML parser. It is unsafe when
    - it nests elements deeper than maxXmlNestingDepth, or uses more than
      maxXmlDistinctNames tag and attribute names;
    - it declares entities, or its DOCTYPE refers to parameter entities;
    - it refers to undeclared entities beside an internal DOCTYPE subset;
    - text follows a processing instruction inside an element;
    - a literal, comment or processing instruction of its DOCTYPE holds '<' or '>';
    - a character reference has more than 8 hexadecimal or 12 decimal digits;
    - a start tag holds so many references that its values take too long to build;
    - it is not well-formed, begins with markup and holds anything that the
      parser, reading on past the error, could trip over (see XmlCheck.cpp).
*/
XmlVerdict checkXml (const juce::String& text);
