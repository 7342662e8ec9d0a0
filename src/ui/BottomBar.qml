import QtQuick
import QtQuick.Layouts

// The run controls under the list: add, remove all, how many are left, and Run All or Stop.
Item {
    id: bar
    required property var appModel
    signal addRequested()

    readonly property bool canRun: appModel.canRun
    readonly property int pendingCount: appModel.pendingCount

    implicitHeight: row.implicitHeight + 22

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: 16
        anchors.rightMargin: 16
        anchors.topMargin: 11
        anchors.bottomMargin: 11
        spacing: 8

        SymbolButton {
            objectName: "addButton"
            symbol: "plus"
            symbolSize: 14
            tip: "Add images"
            onClicked: bar.addRequested()
        }
        SymbolButton {
            objectName: "trashButton"
            symbol: "trash"
            symbolSize: 13
            tip: "Remove all"
            enabled: bar.canRun
            onClicked: bar.appModel.removeAll()
        }
        Text {
            objectName: "pendingText"
            text: bar.pendingCount + " Conversion" + (bar.pendingCount === 1 ? "" : "s")
            font.pixelSize: 12
            color: Theme.secondary
        }
        Item { Layout.fillWidth: true }
        Pill {
            objectName: "stopPill"
            visible: bar.appModel.isProcessing
            text: "Stop"
            symbol: "stop.fill"
            fill: Qt.rgba(Theme.red.r, Theme.red.g, Theme.red.b, 0.9)
            textColor: "white"
            onClicked: bar.appModel.stopAll()
        }
        Pill {
            objectName: "runPill"
            visible: !bar.appModel.isProcessing
            text: "Run All"
            symbol: "play.fill"
            enabled: bar.canRun
            fill: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, bar.canRun ? 1 : 0.3)
            onClicked: bar.appModel.processAll()
        }
    }
}
