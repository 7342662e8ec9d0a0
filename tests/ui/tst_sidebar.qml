import QtQuick
import QtTest
import Quelso
import Quelso.Model

// The settings sidebar over a real model: sections, warnings at their thresholds, the badge,
// placeholders, the key test, and controls writing into the settings.
ViewCase {
    name: "Sidebar"

    // Scrolls the sidebar so that the item is in sight, then clicks it.
    function click(item) {
        const flick = find("sidebarScroll").contentItem
        const y = item.mapToItem(flick.contentItem, 0, 0).y
        flick.contentY = Math.max(0, Math.min(y - 100, flick.contentHeight - flick.height))
        waitForRendering(view)
        mouseClick(item)
    }
    function section(title) { return find("section:" + title) }
    function open(title) {
        const s = section(title)
        if (!s.isOpen) click(find("header", s))
        verify(s.isOpen)
        tryVerify(() => s.settled)
        return s
    }
    function visibleWarning(name) {
        const w = find(name)
        return w.visible && w.parent.visible
    }

    function test_sectionsOpenAndClose() {
        const titles = ["Destination", "Output", "Rename", "Modifications", "Logo", "Watermark", "Notifications",
                        "Help", "Preservation Guide"]
        compare(titles.filter(t => section(t).isOpen), ["Output", "Rename"])
        click(find("header", section("Output")))
        verify(!section("Output").isOpen)
        click(find("header", section("Help")))
        verify(section("Help").isOpen)
        compare(find("settingsPanel").expanded, ["Rename", "Help"])
    }

    function test_pngQuality() {
        const slider = find("qualitySlider")
        const note = find("qualityNote")
        verify(slider.enabled)
        compare(note.text, "Higher = better quality, larger file.")
        compare(find("qualityLabel").text, "Compression")
        mouseClick(find("chip1"))
        compare(settings.outputFormat, SettingsModel.Png)
        verify(!slider.enabled)
        compare(note.text, "PNG is always lossless — the slider has no effect.")
        // An invisible watermark with content turns WebP lossless.
        mouseClick(find("chip0"))
        settings.invisible = true
        settings.watermarkText = "mine"
        compare(find("qualityLabel").text, "Lossless effort")
        compare(note.text, "Invisible watermark on → lossless WebP so it survives.")
    }

    // Each step is a change to the settings and whether the warning shows after it.
    function expectWarning(name, steps) {
        for (const [change, shown] of steps) {
            for (const key in change) settings[key] = change[key]
            compare(visibleWarning(name), shown, name + " after " + JSON.stringify(change))
        }
    }

    function test_warningsAtTheirThresholds() {
        expectWarning("lossyWarning", [[{ outputFormat: SettingsModel.Jpeg, invisible: true }, false]]) // no content
        open("Watermark")
        click(find("watermarkTextField"))
        keyClick("h")
        keyClick("i")
        compare(settings.watermarkText, "hi")
        expectWarning("lossyWarning", [[{}, true], [{ outputFormat: SettingsModel.Heif }, true],
                                       [{ outputFormat: SettingsModel.Png }, false],
                                       [{ outputFormat: SettingsModel.WebP }, false], // lossless: it survives
                                       [{ outputFormat: SettingsModel.Heif, watermarkText: "   " }, false]])
        open("Modifications")
        // Vignette never counts, and a threshold itself is not strong.
        expectWarning("strongWarning", [[{ noiseEnabled: true, noiseStrength: 4 }, false],
                                        [{ noiseStrength: 5 }, true], [{ noiseEnabled: false }, false],
                                        [{ vignetteEnabled: true, vignetteIntensity: 1 }, false],
                                        [{ blurEnabled: true, blurIntensity: 0.5 }, false],
                                        [{ blurIntensity: 0.51 }, true]])
    }

    function test_badgeCountsSwitches() {
        const mods = section("Modifications")
        const badge = find("badge", mods)
        // Force 99 %+ is on by default.
        compare(mods.badge, 1)
        verify(badge.visible)
        open("Modifications")
        const toggles = ["Warp", "Grain"].map(label => findToggle(mods, label))
        toggles.forEach(t => click(t))
        verify(settings.warpEnabled && settings.grainEnabled)
        compare(mods.badge, 3)
        settings.colorReplaceEnabled = true
        compare(mods.badge, 3, "colour replacement is not counted")
        settings.forceUnique = false
        settings.warpEnabled = false
        settings.grainEnabled = false
        compare(mods.badge, 0)
        verify(!badge.visible)
    }
    function findToggle(parentItem, label) {
        const stack = [parentItem]
        while (stack.length) {
            const item = stack.pop()
            if (item.text === label && item.toggle !== undefined) return item
            for (let i = 0; i < item.children.length; ++i) stack.push(item.children[i])
        }
        fail("no switch " + label)
    }

    function test_controlsFollowTheirSwitches() {
        const mods = open("Modifications")
        const warp = findToggle(mods, "Warp")
        const slider = warp.parent.children[1]
        verify(!slider.enabled)
        click(warp)
        verify(slider.enabled)
        slider.value = 0.8
        slider.moved()
        compare(settings.warpIntensity, 0.8)

        open("Watermark")
        const opacity = find("overlayOpacity")
        verify(!opacity.visible)
        click(findToggle(section("Watermark"), "Faint visible overlay"))
        verify(settings.visible)
        verify(opacity.visible)
    }

    function test_renamePlaceholdersAndKeyTest() {
        const box = find("engineBox")
        verify(box.visible)
        compare(box.currentText, "On-device (offline)")
        verify(!find("apiKeyField").parent.visible, "no key for the offline engine")
        settings.renameProvider = SettingsModel.Custom
        compare(find("apiKeyField").placeholderText, "Custom (OpenAI-compatible) API key")
        compare(find("modelField").placeholderText, "Model (optional, default: )")
        verify(find("baseUrlField").placeholderText.startsWith("Base URL (e.g. "))
        verify(find("baseUrlField").placeholderText.endsWith("/v1)"))
        settings.renameProvider = SettingsModel.Gemini
        compare(find("modelField").placeholderText, "Model (optional, default: gemini-2.5-flash)")
        verify(!find("baseUrlField").visible)

        const testKey = find("testKeyButton")
        verify(!testKey.enabled, "no key, no test")
        settings.aiBaseURL = "http://127.0.0.1:9/v1"
        settings.renameProvider = SettingsModel.Custom
        const field = find("apiKeyField")
        click(field)
        keyClick("k")
        compare(settings.aiAPIKey, "k")
        verify(testKey.enabled)
        testKey.clicked()
        const status = find("keyTestStatus")
        verify(status.visible)
        // Nothing listens on the discard port: the background test fails, in red.
        tryCompare(status, "text", "✗ Failed", 30000)
        compare(status.color.toString(), Theme.red.toString())
        // The engine box writes the provider.
        box.activated(1)
        compare(settings.renameProvider, SettingsModel.OpenAI)
        compare(status.text, "✗ Failed", "the result stays until the next test")
        settings.smartRename = false
        verify(!box.parent.visible)
    }

    function test_destinationAndLogos() {
        open("Destination")
        const name = find("destinationName")
        compare(name.text, "Same as source")
        model.setDestination(fixtures.folder("outputs") + "/")
        compare(name.text, "outputs", "a trailing slash is no part of the name")
        model.clearDestination()
        compare(name.text, "Same as source")

        open("Logo")
        model.setLogoStamp(fixtures.picture("brand.png", 16, 16))
        compare(settings.logoStampName, "brand.png")
        verify(settings.logoStampEnabled)
        const stamp = find("logoStampPicker")
        compare(stamp.fileName, "brand.png")
        click(find("clearButton", stamp))
        compare(settings.logoStampName, "")
        verify(!settings.logoStampEnabled)
        verify(find("chooseButton", stamp).visible)
    }
}
