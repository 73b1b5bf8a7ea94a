#!/usr/bin/env python3
"""From end to end, as a user: fill in the form, pick the four bundles and the
resources folder in the real chooser dialogs, press "Create", pick the
destination, copy the notarization command; close the window and find the
signing details again at the next start.

The application runs as its own process with the environment of
scripts/run.sh: the packaging-tool stand-ins of the build are on PATH.

usage: test_end_to_end.py <path to the Quillmere binary>
"""

import os
import shutil
import sys

sys.dont_write_bytecode = True   # keep the source folder clean

from quillmere_e2e import (REMEMBERED_EDITORS, E2EFailure, check, fail, log, main, read_settings,
                           settings_file, wait_for)

TYPED = {
    "AppleID":         "dev.jane@example.com ",
    "Password":        " abcd-efgh-ijkl-mnop",
    "Team":            "Jane Doe (AB12CD34EF)",
    "KeychainProfile": "notary profile",
}
PRODUCT_NAME = "My Great Synth"

# kind word, path editor, browse button, bundle name, identifier, version,
# package-identifier suffix, package-name infix
BUNDLES = (
    ("App",  "appPathEditor",  "appBrowseButton",  "Great Synth.app",       "com.vostrand.e2e.app",  "2.0.0", ".pkg.app",  " App v"),
    ("AU",   "auPathEditor",   "auBrowseButton",   "Great Synth.component", "com.vostrand.e2e.au",   "1.4.0", ".pkg.au",   " AU v"),
    ("VST3", "vst3PathEditor", "vst3BrowseButton", "Great Synth.vst3",      "com.vostrand.e2e.vst3", "1.4.1", ".pkg.vst3", " VST3 v"),
    ("VST",  "vstPathEditor",  "vstBrowseButton",  "Great Synth.vst",       "com.vostrand.e2e.vst",  "1.3.9", ".pkg.vst",  " VST v"),
)

PLIST = """<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
    <key>CFBundleName</key>
    <string>Great Synth</string>
    <key>CFBundleIdentifier</key>
    <string>%s</string>
    <key>CFBundleShortVersionString</key>
    <string>%s</string>
</dict>
</plist>
"""


def make_bundle (folder, name, identifier, version):
    bundle = os.path.join (folder, name)
    os.makedirs (os.path.join (bundle, "Contents", "MacOS"))
    with open (os.path.join (bundle, "Contents", "Info.plist"), "w") as f:
        f.write (PLIST % (identifier, version))
    with open (os.path.join (bundle, "Contents", "MacOS", "Great Synth"), "wb") as f:
        f.write (b"\x7fELF not really a binary\n")
    return bundle


def stand_in_path (build_dir):
    # As scripts/run.sh does: the stand-ins only where the real tools are missing.
    tools = os.path.join (build_dir, "platform", "tools")
    if shutil.which ("pkgbuild") and shutil.which ("productbuild"):
        return None
    for tool in ("pkgbuild", "productbuild"):
        check (os.access (os.path.join (tools, tool), os.X_OK),
               "the packaging-tool stand-in %s is missing from %s (build the target %s)" % (tool, tools, tool))
    return tools


def notarization_command (package_path, keychain_profile):
    return ('xcrun notarytool submit "%s" --keychain-profile "%s" --wait'
            ' && xcrun stapler staple -v "%s"'
            ' && ditto -c -k -rsrc --sequesterRsrc "%s" "%s.zip"'
            % (package_path, keychain_profile, package_path, package_path, package_path))


def test (ctx):
    bundles_folder = ctx.folder ("My Plugins")
    paths = {}
    for kind, _, _, name, identifier, version, _, _ in BUNDLES:
        paths[kind] = make_bundle (bundles_folder, name, identifier, version)

    resources = ctx.folder ("Installer Resources")
    for name in ("license.rtf", "readme.rtf"):
        with open (os.path.join (resources, name), "w") as f:
            f.write ("{\\rtf1\\ansi %s of Great Synth.}\n" % name)

    destination = ctx.folder ("Installers")
    home = ctx.folder ("home")
    tmpdir = ctx.folder ("tmp")
    tools = stand_in_path (ctx.build_dir)
    standin_log = os.path.join (ctx.workdir, "standin-calls.log")

    session = ctx.session()
    app = ctx.start_app (session, home, tmpdir=tmpdir, extra_path=tools,
                         extra_env={"QUILLMERE_STANDIN_LOG": standin_log})

    def fail_with_context (message):
        calls = open (standin_log).read() if os.path.exists (standin_log) else "(no stand-in was called)\n"
        fail ("%s\nstand-in calls:\n%sapplication output:\n%s" % (message, calls, app.output()))

    #==========================================================================
    log ("typing the signing details and the product name")
    for key, editor in REMEMBERED_EDITORS:
        app.fill (editor, TYPED[key])
    app.fill ("productNameEditor", PRODUCT_NAME)

    #==========================================================================
    log ("a VST3 bundle picked in the VST row's chooser is refused with an error dialog")
    app.click ("vstBrowseButton")
    app.choose_in_dialog ("Choose your VST", paths["VST3"])
    app.wait_window ("Error")
    app.dismiss_dialog ("Error")

    #==========================================================================
    for kind, editor, button, _, _, _, _, _ in BUNDLES:
        log ("picking the %s bundle in its chooser" % kind)
        app.click (button)
        app.choose_in_dialog ("Choose your " + kind, paths[kind])
        check (not app.find_window ("Error"), "picking the %s bundle showed an error dialog" % kind)
        shown = app.read_field (editor)
        check (shown == paths[kind], "the %s row shows %r, expected %r" % (kind, shown, paths[kind]))

    log ("picking the resources folder")
    app.click ("resourcesBrowseButton")
    app.choose_in_dialog ("Choose recources folder", resources)
    shown = app.read_field ("resourcesPathEditor")
    check (shown == resources, "the resources row shows %r, expected %r" % (shown, resources))

    #==========================================================================
    log ("pressing Create and cancelling the destination chooser: nothing is built")
    staging = os.path.join (tmpdir, "quillmere-%d" % os.geteuid(), "createInstallerTemp")
    app.click ("createButton")
    app.cancel_dialog ("Select a folder to save the installer.")
    app.wait_output ("User cancelled the save dialog.\n")
    check (not os.path.exists (staging), "a cancelled Create made the staging folder " + staging)
    check (not os.path.exists (standin_log), "a cancelled Create ran a packaging tool")

    log ("pressing Create and picking the destination folder")
    package = os.path.join (destination, PRODUCT_NAME + ".pkg")
    app.click ("createButton")
    app.choose_in_dialog ("Select a folder to save the installer.", destination)

    def package_or_error():
        if app.find_window ("Error"):
            return "error"
        return "package" if os.path.isfile (package) and os.path.getsize (package) > 0 else None

    try:
        outcome = wait_for ("the product package %s to be written" % package, package_or_error, timeout=60)
    except E2EFailure as e:
        fail_with_context (str (e))
    if outcome == "error":
        fail_with_context ("an \"Error\" dialog appeared instead of the product package %s" % package)

    check (os.path.isdir (staging), "no staging folder at %s; %s holds %s"
                                    % (staging, tmpdir, sorted (os.listdir (tmpdir))))
    expected_files = ["distribution_pkg.xml"] + [os.path.splitext (name)[0] + infix + version + ".pkg"
                                                 for _, _, _, name, _, version, _, infix in BUNDLES]
    check (sorted (os.listdir (staging)) == sorted (expected_files),
           "the staging folder holds %s, expected %s" % (sorted (os.listdir (staging)), sorted (expected_files)))
    check (not os.path.exists (os.path.join (os.path.dirname (staging), "createPkgTemp")),
           "the payload root createPkgTemp was left behind")

    for _, _, _, name, _, version, _, infix in BUNDLES:
        app.wait_output ("Installer created successfully: %s\n"
                         % os.path.join (staging, os.path.splitext (name)[0] + infix + version + ".pkg"))

    with open (os.path.join (staging, "distribution_pkg.xml"), encoding="utf-8") as f:
        definition = f.read()
    for line in ['    <title>%s</title>' % PRODUCT_NAME,
                 '    <license file="license.rtf" mime-type="text/rtf"/>',
                 '    <readme file="readme.rtf" mime-type="text/rtf"/>']:
        check (line + "\n" in definition, "the distribution definition lacks the line %r" % line)
    for _, _, _, name, identifier, version, suffix, infix in BUNDLES:
        file_name = os.path.splitext (name)[0] + infix + version + ".pkg"
        line = '    <pkg-ref id="%s" version="%s" onConclusion="none">%s</pkg-ref>' % (identifier + suffix, version, file_name)
        check (line + "\n" in definition, "the distribution definition lacks the line %r" % line)

    #==========================================================================
    log ("pressing Copy: the notarization command reaches the clipboard")
    expected = notarization_command (package, TYPED["KeychainProfile"])

    def copied():
        # The press is handled once the build has handed the message loop back.
        holder = session.set_clipboard ("<before copy>")
        app.click ("copyButton")
        try:
            return wait_for ("the clipboard to change after pressing Copy",
                             lambda: (lambda c: c if c not in (None, "<before copy>") else None) (session.clipboard()),
                             timeout=3)
        except Exception:
            return None
        finally:
            ctx.processes.end (holder)

    clip = wait_for ("the notarization command to reach the clipboard after pressing Copy", copied, timeout=60)
    check (clip == expected, "the clipboard holds %r, expected the notarization command %r" % (clip, expected))

    app.click ("background")   # takes the keyboard focus from the fields, as a user's click there does
    screenshot = os.path.join (ctx.build_dir, "e2e-screenshot.png")
    session.screenshot (screenshot, app.window)
    log ("screenshot of the filled form: " + screenshot)

    #==========================================================================
    log ("closing the window; the next start shows the four remembered fields")
    app.quit_with_close_button()
    values = read_settings (settings_file (home))
    for key in TYPED:
        check (values.get (key) == TYPED[key], "the settings file holds %r under %s, expected %r"
                                               % (values.get (key), key, TYPED[key]))

    app = ctx.start_app (session, home, tmpdir=tmpdir, extra_path=tools)
    for key, editor in REMEMBERED_EDITORS:
        shown = app.read_field (editor)
        check (shown == TYPED[key], "at the next start %s shows %r, expected %r" % (editor, shown, TYPED[key]))
    app.quit_with_close_button()

    session.close()


if __name__ == "__main__":
    raise SystemExit (main (test))
