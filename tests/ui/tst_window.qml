import QtQuick
import QtTest
import Quelso
import Quelso.Model

// The main window's list column over a real model: empty state, counts, run pill, rows.
ViewCase {
    name: "Window"
    height: 640

    function rowAt(index) {
        const rows = find("rows")
        rows.currentIndex = index
        verify(rows.currentItem)
        return rows.currentItem
    }

    function test_emptyListThenCountsIntakeAndThumbnails() {
        verify(find("addImagesButton").visible, "the drop prompt shows")
        verify(!find("rows").visible)
        verify(!find("trashButton").enabled)
        const run = find("runPill")
        verify(run.visible && !run.enabled)
        verify(!find("stopPill").visible)
        compare(find("pendingText").text, "0 Conversions")
        // An empty list has nothing to run: the pill and the shortcut do nothing.
        mouseClick(run)
        keyClick(Qt.Key_Return, Qt.ControlModifier)
        verify(!model.isProcessing)

        model.addFiles([fixtures.picture("one.PNG", 40, 30)])
        compare(find("pendingText").text, "1 Conversion")
        verify(find("trashButton").enabled)
        verify(find("runPill").enabled)
        verify(!find("addImagesButton").visible, "the list replaces the drop prompt")
        // The thumbnail is made in the background; once it is there the symbol goes.
        const first = rowAt(0)
        tryCompare(findChild(first, "thumbnail"), "status", Image.Ready, 10000)
        verify(!findChild(first, "placeholder").visible)
        compare(first.metaLine.split(" · ").slice(1).join(" · "), "40×30 · PNG")
        // Not images, and a folder: dropped silently.
        model.addUrls([fixtures.textFile("notes.txt", "hi"), fixtures.folder("sub")])
        compare(model.count, 1)
        // A failed item still counts as pending.
        model.addFiles([fixtures.textFile("broken.png", "not a picture")])
        compare(find("pendingText").text, "2 Conversions")
        const broken = rowAt(1)
        mouseClick(findChild(broken, "runButton"))
        tryCompare(broken, "status", ImageItem.Failed, 10000)
        compare(findChild(broken, "statusLine").text, "Couldn’t read image")
        verify(findChild(broken, "runButton").visible, "a failed row can be run again")
        compare(find("pendingText").text, "2 Conversions")
        compare(broken.metaLine, "13 B · 0×0 · IMG")
    }

    function test_runStopAndDoneRow() {
        model.settings.smartRename = false
        model.addFiles([fixtures.picture("big.png", 2400, 1800), fixtures.picture("small.png", 64, 48)])
        mouseClick(find("runPill"))
        verify(model.isProcessing)
        const stop = find("stopPill")
        verify(stop.visible)
        compare(stop.text, "Stop")
        verify(!find("runPill").visible)
        const row = rowAt(0)
        verify(findChild(row, "spinner").visible, "a processing row spins")
        verify(!findChild(row, "runButton").visible)
        compare(findChild(row, "statusLine").text, "Processing…")
        // Escape stops the run: processing rows are ready again at once.
        keyClick(Qt.Key_Escape)
        verify(!model.isProcessing)
        compare(row.status, ImageItem.Ready)
        verify(findChild(row, "runButton").visible)

        // Ctrl+Return runs everything to the end.
        keyClick(Qt.Key_Return, Qt.ControlModifier)
        verify(model.isProcessing)
        tryCompare(model, "isProcessing", false, 60000)
        for (let i = 0; i < 2; ++i) {
            const done = rowAt(i)
            compare(done.status, ImageItem.Done)
            verify(findChild(done, "revealButton").visible)
            verify(fixtures.exists(done.outputUrl))
            const summary = findChild(done, "statusLine").text
            verify(/^\d+\.\d% changed · \d+ (B|KB|MB)$/.test(summary), summary)
        }
        compare(find("pendingText").text, "0 Conversions")
        // The stopped run's job may still write its file once the second run clears the stop.
        verify(/\/big-unique(-2)?\.webp$/.test(rowAt(0).outputUrl.toString()))
    }

    function test_contextMenuAndReveal() {
        model.settings.smartRename = false
        model.addFiles([fixtures.picture("shown.png", 64, 48), fixtures.textFile("never.png", "x")])
        // Revealing a row with no output shows nothing: the file manager's list below holds one entry.
        const listening = fixtures.listenAsFileManager()
        const fresh = rowAt(1)
        fresh.reveal()
        mouseClick(fresh, 20, 20, Qt.RightButton)
        const menu = findChild(fresh, "rowMenu")
        tryCompare(menu, "opened", true)
        compare(menu.count, 4)
        verify(!menu.itemAt(1).visible, "no output, no reveal entry")
        compare(menu.itemAt(0).text, "Process")
        compare(menu.itemAt(3).text, "Remove")
        menu.close()

        const row = rowAt(0)
        mouseClick(findChild(row, "runButton"))
        tryCompare(row, "status", ImageItem.Done, 30000)
        mouseClick(row, 20, 20, Qt.RightButton)
        const doneMenu = findChild(row, "rowMenu")
        tryCompare(doneMenu, "opened", true)
        compare(doneMenu.itemAt(1).text, "Show Output in File Manager")
        verify(doneMenu.itemAt(1).visible)
        doneMenu.close()

        if (!listening) skip("no session bus")
        mouseClick(findChild(row, "revealButton"))
        tryCompare(fixtures, "shownItems", [row.outputUrl.toString()], 5000)
    }

    function test_removeSelectedAndRemoveAll() {
        model.addFiles([fixtures.picture("a.png", 20, 20), fixtures.picture("b.png", 20, 20),
                        fixtures.picture("c.png", 20, 20)])
        const middle = rowAt(1)
        mouseClick(middle, 200, 10)
        keyClick(Qt.Key_Delete)
        compare(model.count, 2)
        verify(rowAt(0).fileName === "a.png" && rowAt(1).fileName === "c.png", "order kept")
        mouseClick(find("removeAllButton"))
        compare(model.count, 0)
        verify(!find("removeAllButton").enabled)
        verify(find("addImagesButton").visible)
    }

    function test_formatChips() {
        compare(model.settings.outputFormat, SettingsModel.WebP)
        const chips = [0, 1, 2, 3].map(i => find("chip" + i))
        compare(chips.map(c => c.text).join(" "), "WebP PNG JPEG HEIF")
        compare(chips[3].tip, "Output as HEIF")
        verify(chips[0].selected && !chips[3].selected)
        mouseClick(chips[3])
        compare(model.settings.outputFormat, SettingsModel.Heif)
        verify(chips[3].selected && !chips[0].selected)
    }
}
