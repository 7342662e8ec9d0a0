import QtQuick
import QtQuick.Controls.Basic
import Quelso.Model

// One queued image: thumbnail, name, details, state, and the control that fits the state.
Rectangle {
    id: row
    required property var appModel
    required property int index
    required property string itemId
    required property string fileName
    required property string metaLine
    required property int status
    required property string statusMessage
    required property string doneSummary
    required property string thumbnailSource // empty until the thumbnail is made
    required property url outputUrl          // empty until a run succeeded
    property bool selected: false
    // True while the pointer is over the row.
    readonly property bool hovering: hover.hovered
    signal select()

    function run() { appModel.process(itemId) }
    function reveal() { appModel.reveal(itemId) }
    function remove() { appModel.remove(itemId) }

    implicitHeight: content.implicitHeight + 20
    radius: 10
    color: Theme.cardBg
    border.width: 1
    border.color: selected ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.6) : Theme.cardStroke
    Accessible.role: Accessible.ListItem
    Accessible.name: fileName + ", " + metaLine + (statusLine.text ? ", " + statusLine.text : "")

    HoverHandler { id: hover }
    TapHandler {
        acceptedButtons: Qt.LeftButton
        onTapped: row.select()
    }
    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: { row.select(); menu.popup() }
    }

    Row {
        id: content
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        anchors.margins: 10
        spacing: 12

        Rectangle {
            id: frame
            width: 64
            height: 48
            radius: 7
            color: Qt.rgba(0, 0, 0, 0.35)
            anchors.verticalCenter: parent.verticalCenter

            // Comes cropped to the frame and rounded like it.
            Image {
                id: picture
                objectName: "thumbnail"
                anchors.fill: parent
                source: row.thumbnailSource
                sourceSize: Qt.size(width * Screen.devicePixelRatio, height * Screen.devicePixelRatio)
                // Read on the GUI thread, where the items live.
                asynchronous: false
                visible: status === Image.Ready
            }
            Symbol {
                objectName: "placeholder"
                anchors.centerIn: parent
                name: "photo"
                size: 18
                color: Theme.secondary
                visible: picture.status !== Image.Ready
            }
        }

        Column {
            anchors.verticalCenter: parent.verticalCenter
            width: content.width - frame.width - trailing.width - 2 * content.spacing
            spacing: 3

            Text {
                width: parent.width
                text: row.fileName
                elide: Text.ElideMiddle
                font.pixelSize: 13
                font.weight: Font.DemiBold
                color: Theme.primary
            }
            Text {
                width: parent.width
                text: row.metaLine
                elide: Text.ElideRight
                font.pixelSize: 11
                color: Theme.secondary
            }
            Row {
                spacing: 6
                visible: row.status !== ImageItem.Ready
                Symbol {
                    anchors.verticalCenter: parent.verticalCenter
                    name: "checkmark.circle.fill"
                    size: 11
                    color: Theme.accent
                    visible: row.status === ImageItem.Done
                }
                Text {
                    id: statusLine
                    objectName: "statusLine"
                    text: row.status === ImageItem.Processing ? "Processing…"
                        : row.status === ImageItem.Done ? row.doneSummary
                        : row.status === ImageItem.Failed ? row.statusMessage : ""
                    font.pixelSize: 11
                    color: row.status === ImageItem.Failed ? Theme.red
                        : row.status === ImageItem.Processing ? Theme.accent : Theme.primary
                }
            }
        }

        Item {
            id: trailing
            width: 30
            height: 30
            anchors.verticalCenter: parent.verticalCenter

            Spinner {
                objectName: "spinner"
                anchors.centerIn: parent
                visible: running
                running: row.status === ImageItem.Processing
                Accessible.name: "Processing"
            }
            SymbolButton {
                objectName: "revealButton"
                anchors.centerIn: parent
                visible: row.status === ImageItem.Done
                symbol: "magnifyingglass.circle.fill"
                symbolSize: 22
                symbolColor: Theme.secondary
                tip: "Show in File Manager"
                onClicked: row.reveal()
            }
            SymbolButton {
                objectName: "runButton"
                anchors.centerIn: parent
                visible: row.status === ImageItem.Ready || row.status === ImageItem.Failed
                width: 26
                height: 26
                symbol: "play.fill"
                symbolSize: 12
                symbolColor: Theme.primary
                tip: "Process"
                onClicked: row.run()
            }
        }
    }

    Menu {
        id: menu
        objectName: "rowMenu"
        MenuItem {
            text: "Process"
            onTriggered: row.run()
        }
        MenuItem {
            id: revealEntry
            text: "Show Output in File Manager"
            visible: row.outputUrl.toString() !== ""
            height: visible ? implicitHeight : 0
            onTriggered: row.reveal()
        }
        MenuSeparator {}
        MenuItem {
            text: "Remove"
            palette.windowText: Theme.red
            onTriggered: row.remove()
        }
    }
}
