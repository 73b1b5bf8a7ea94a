#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/*  The command lines that the Create road hands to the shell through system(),
    and the one it shows the user for notarization.

    Every value that the user typed or chose is protected so that the tool
    receives it as one literal argument and the shell runs nothing of it. For
    ordinary values (no double quote, dollar sign, backquote or backslash, and
    unquoted paths made of plain characters) the lines read exactly as the
    tools' usual invocations.
*/

/** Returns the text to write between a pair of double quotes so that the shell
    reads it back unchanged: a backslash goes before each double quote, dollar
    sign, backquote and backslash; every other character stays as it is.
*/
juce::String quoteForShellDoubleQuotes (const juce::String& text);

/** Returns the text as one shell word: unchanged when it is not empty and holds
    only letters, digits and the characters / . _ - + , : @ % =; otherwise the
    whole text between single quotes, each single quote written as '\''.
*/
juce::String quoteForShellWord (const juce::String& text);

/** Escapes the characters that would break an attribute value or element text,
    or that a reader would change in an attribute: & < > " become &amp; &lt; &gt;
    &quot;, and tab, line feed and carriage return become character references.
    Other text stays as it is.
*/
juce::String escapeForXml (const juce::String& text);

//==============================================================================
/** pkgbuild --root {payloadRoot} --identifier "{packageId}" --version "{version}"
    --sign "Developer ID Installer: {team}" --timestamp "{componentPackagePath}"
*/
juce::String makePkgbuildCommand (const juce::String& payloadRootPath,
                                  const juce::String& packageId,
                                  const juce::String& version,
                                  const juce::String& team,
                                  const juce::String& componentPackagePath);

/** productbuild --distribution {distributionPath} [--resources "{resourcesPath}"]
    --package-path "{stagingPath}" --sign "Developer ID Installer: {team}"
    --output "{packagePath}"; the resources option only for a non-empty path.
*/
juce::String makeProductbuildCommand (const juce::String& distributionPath,
                                      const juce::String& resourcesPath,
                                      const juce::String& stagingPath,
                                      const juce::String& team,
                                      const juce::String& packagePath);

/** The line the user runs to notarize, staple and zip the product package:
    xcrun notarytool submit "{packagePath}" --keychain-profile "{profile}" --wait
    && xcrun stapler staple -v "{packagePath}"
    && ditto -c -k -rsrc --sequesterRsrc "{packagePath}" "{packagePath}.zip"
    (one line, no line feed). An exclamation mark in a value is written as '!'
    outside the double quotes, so that an interactive shell does not expand it.
*/
juce::String makeNotarizationCommand (const juce::String& packagePath,
                                      const juce::String& keychainProfile);
