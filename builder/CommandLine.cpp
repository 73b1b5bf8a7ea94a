#include "builder/CommandLine.h"

namespace
{
    const char* const signingIdentityPrefix = "Developer ID Installer: ";

    bool isSafeInBareWord (juce::juce_wchar c) noexcept
    {
        return (c >= 'a' && c <= 'z')
            || (c >= 'A' && c <= 'Z')
            || (c >= '0' && c <= '9')
            || juce::String ("/._-+,:@%=").containsChar (c);
    }

    juce::String inDoubleQuotes (const juce::String& text)
    {
        return "\"" + quoteForShellDoubleQuotes (text) + "\"";
    }
}

//==============================================================================
juce::String quoteForShellDoubleQuotes (const juce::String& text)
{
    juce::String result;
    result.preallocateBytes (text.getNumBytesAsUTF8() + 8);

    for (auto p = text.getCharPointer(); ! p.isEmpty();)
    {
        const auto c = p.getAndAdvance();

        if (c == '"' || c == '$' || c == '`' || c == '\\')
            result << '\\';

        result << juce::String::charToString (c);
    }

    return result;
}

juce::String quoteForShellWord (const juce::String& text)
{
    auto allSafe = text.isNotEmpty();

    for (auto p = text.getCharPointer(); allSafe && ! p.isEmpty();)
        allSafe = isSafeInBareWord (p.getAndAdvance());

    if (allSafe)
        return text;

    return "'" + text.replace ("'", "'\\''") + "'";
}

juce::String escapeForXml (const juce::String& text)
{
    // Tabs and line breaks too: an XML reader would turn them into spaces in an
    // attribute, and the identifier would no longer match its package's.
    return text.replace ("&", "&amp;")
               .replace ("<", "&lt;")
               .replace (">", "&gt;")
               .replace ("\"", "&quot;")
               .replace ("\t", "&#9;")
               .replace ("\n", "&#10;")
               .replace ("\r", "&#13;");
}

//==============================================================================
juce::String makePkgbuildCommand (const juce::String& payloadRootPath,
                                  const juce::String& packageId,
                                  const juce::String& version,
                                  const juce::String& team,
                                  const juce::String& componentPackagePath)
{
    juce::String command ("pkgbuild --root ");
    command << quoteForShellWord (payloadRootPath)
            << " --identifier " << inDoubleQuotes (packageId)
            << " --version " << inDoubleQuotes (version)
            << " --sign " << inDoubleQuotes (signingIdentityPrefix + team)
            << " --timestamp " << inDoubleQuotes (componentPackagePath);
    return command;
}

juce::String makeProductbuildCommand (const juce::String& distributionPath,
                                      const juce::String& resourcesPath,
                                      const juce::String& stagingPath,
                                      const juce::String& team,
                                      const juce::String& packagePath)
{
    juce::String command ("productbuild --distribution ");
    command << quoteForShellWord (distributionPath);

    if (resourcesPath.isNotEmpty())
        command << " --resources " << inDoubleQuotes (resourcesPath);

    command << " --package-path " << inDoubleQuotes (stagingPath)
            << " --sign " << inDoubleQuotes (signingIdentityPrefix + team)
            << " --output " << inDoubleQuotes (packagePath);
    return command;
}

juce::String makeNotarizationCommand (const juce::String& packagePath,
                                      const juce::String& keychainProfile)
{
    // This line is pasted into an interactive shell, where an exclamation mark
    // inside double quotes expands the history: it steps out of the quotes and
    // stands between single quotes instead.
    auto inDoubleQuotes = [] (const juce::String& text)
    {
        return ::inDoubleQuotes (text).replace ("!", "\"'!'\"");
    };

    const auto package = inDoubleQuotes (packagePath);

    juce::String command ("xcrun notarytool submit ");
    command << package
            << " --keychain-profile " << inDoubleQuotes (keychainProfile)
            << " --wait"
            << " && "
            << "xcrun stapler staple -v " << package
            << " && "
            << "ditto -c -k -rsrc --sequesterRsrc"
            << " " << package
            << " " << inDoubleQuotes (packagePath + ".zip");
    return command;
}
