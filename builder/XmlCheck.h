#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/*  What the framework's XML parser (juce::XmlDocument) makes of a text, told
    beforehand by expat, a streaming parser with limits of its own.

    The framework's parser reads nested elements recursively, goes round in
    circles on some input, expands declared entities within entities, counts
    angle brackets to find the end of a DOCTYPE, and searches the DOCTYPE's
    tokens for every entity it does not know. Every property list passes this
    check before that parser reads it.
*/

/** The deepest nesting of elements that passes. */
constexpr int maxXmlNestingDepth = 1000;

/** The most distinct tag and attribute names that pass: the framework keeps
    them in one sorted pool, which makes many of them slow to parse.
*/
constexpr int maxXmlDistinctNames = 10000;

/** The most attribute declarations that a DOCTYPE may hold, an attribute declared
    twice counting twice: expat goes through all those of an element type at each
    of its start tags.
*/
constexpr int maxXmlAttributeDeclarations = 10;

/** True for well-formed XML that the framework's parser reads safely, in time
    and as written. False when the text is not well-formed, or when
    - it nests elements deeper than maxXmlNestingDepth, or uses more than
      maxXmlDistinctNames tag and attribute names;
    - it declares entities, or its DOCTYPE refers to parameter entities;
    - it refers to undeclared entities beside an internal DOCTYPE subset, in
      text or in attribute values;
    - its DOCTYPE holds more than maxXmlAttributeDeclarations attribute declarations;
    - text follows a processing instruction inside an element;
    - a literal, comment or processing instruction of its DOCTYPE holds '<' or
      '>', or its system literal holds '[';
    - "&#x" is followed by more than 8 hexadecimal digits, or "&#" by more than
      12 decimal ones, anywhere in the text (in CDATA and comments too);
    - a start tag holds so many references that its values take too long to build.
    Takes time in proportion to the text's length.
*/
bool isSafeWellFormedXml (const juce::String& text);
