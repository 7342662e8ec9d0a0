import QtQuick
import QtQuick.Controls.Basic

// The queue: one row per item, or the drop prompt while there is none. Takes file drops.
Item {
    id: list
    required property var appModel
    // True while a drag carrying files is over the list.
    readonly property bool dropTargeted: dropArea.containsDrag
    readonly property alias currentIndex: rows.currentIndex
    signal addRequested()

    Rectangle {
        anchors.fill: parent
        color: list.dropTargeted ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.08) : "transparent"
    }

    DropPrompt {
        anchors.fill: parent
        visible: list.appModel.count === 0
        onAddRequested: list.addRequested()
    }

    ListView {
        id: rows
        objectName: "rows"
        anchors.fill: parent
        anchors.margins: 12
        visible: count > 0
        spacing: 8
        clip: true
        model: list.appModel.items
        currentIndex: -1
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {}
        Accessible.name: "Images"
        Accessible.role: Accessible.List

        delegate: ItemRow {
            width: ListView.view.width
            appModel: list.appModel
            selected: ListView.isCurrentItem
            onSelect: rows.currentIndex = index
        }
    }

    DropArea {
        id: dropArea
        anchors.fill: parent
        keys: ["text/uri-list"]
        onDropped: function (drop) {
            list.appModel.addUrls(drop.urls)
            drop.accept(Qt.CopyAction)
        }
    }

    // Removes the selected row.
    function removeCurrent() {
        if (rows.currentItem) rows.currentItem.remove()
    }
}
